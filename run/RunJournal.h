#pragma once

#include "run/JournalFile.h"
#include "run/RunEngine.h"
#include "run/RunJournalEntry.h"

#include <QLockFile>
#include <QString>
#include <optional>
#include <utility>

class Clock;
class ProgramEditor;
class RunRecorder;
class QWidget;

// Keeps the run journal: while a run exists, where it stands, written durably at every run
// event and every run-clock second, so that a run ended by a crash, a kill or a power cut can
// be picked up where it stood. Stopp, the program's end and Exit close it. One program at a
// time keeps it (a lock beside it); another offers no run and keeps none.
class RunJournal {
public:
    // path empty: run.journal in the application's data folder.
    RunJournal(const RunEngine& engine, const ProgramEditor& program, const RunRecorder& recorder,
               Clock& clock, QWidget* owner, QString path = {});
    // A journal still open at this point belongs to no crash: it is closed.
    ~RunJournal();

    static QString defaultPath();
    QString path() const { return m_path; }

    // The run a program before this one left open, as found at construction; given once.
    std::optional<RunJournalEntry> takePendingRun() { return std::exchange(m_pending, {}); }

    // After each of the engine's events: every one but the program's end is written; Stopp
    // closes the journal.
    void runEvent(RunEngine::Event event);
    // After each run tick: written once per run-clock second.
    void afterTick();
    // No run any more (Exit, or the pending run discarded): the journal says so.
    void close();

private:
    void write(RunState::Phase phase);
    RunJournalEntry entryNow();

    const RunEngine& m_engine;
    const ProgramEditor& m_program;
    const RunRecorder& m_recorder;
    Clock& m_clock;
    QWidget* m_owner;
    QString m_path;
    QLockFile m_lock;
    bool m_owned = false;
    JournalFile m_file;
    bool m_fileOpen = false;
    std::optional<RunJournalEntry> m_pending;
    // The last entry written, and whether it holds an open run.
    std::optional<RunJournalEntry> m_last;
    qint64 m_lastRunSecond = -1;
    // The program's digest, as of the program's revision.
    QByteArray m_digest;
    std::optional<quint64> m_digestRevision;
    bool m_failureSaid = false;
};

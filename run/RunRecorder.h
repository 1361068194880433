#pragma once

#include "base/Reading.h"
#include "run/RunEngine.h"
#include "run/RunRecordFile.h"

#include <QString>
#include <deque>
#include <memory>

class Clock;
class QWidget;
class ProgramEditor;

// Keeps a record of each run, when the operator asked for it: one tab-separated file per
// Start in the records folder, a header with the program, then one line per event (run
// commands and steps, relay commands and boards, the readings once per tick). A file that
// cannot be written stops the recording with one box; the run itself never waits for it.
class RunRecorder {
public:
    // The record's columns, in order.
    static const QStringList& columns();

    // folder empty: the records folder inside the working folder.
    RunRecorder(const LiveReading& reading, ProgramEditor& program, const RunEngine& engine,
                Clock& clock, QWidget* owner, QString folder = {});
    ~RunRecorder();

    // Whether runs are recorded; remembered across starts, off at first.
    bool enabled() const { return m_enabled; }
    void setEnabled(bool on);

    void runEvent(RunEngine::Event event);
    // A relay command or a board connected or lost; detail says what came of it.
    void deviceEvent(const QString& event, const QString& detail);
    // How each board stands as a run starts ("relay board connected on COM201", ...): the
    // record starts with them; the recent events take one only where it is news for its board,
    // so a board connected before the start is listed once.
    void boardStatesAtStart(const QStringList& states);
    // Once per run tick: the seven values of the live reading, empty cells while there is none.
    void sampleReadings();
    // A run picked up after the program ended without closing it, before the engine resumes
    // it: the record at path goes on (empty: the run had none; one starts if runs are
    // recorded), or a new one starts, said once, when it cannot be added to. The resume event
    // gives the downtime.
    void resumeRecord(const QString& path, qint64 downtimeS);
    // The program ends (exit): the record notes it and is closed.
    void programExits();

    // The last events (not the readings), newest last, in the record's columns; kept whether
    // or not runs are recorded.
    static constexpr int kRecentEvents = 50;
    const std::deque<QStringList>& recentEvents() const { return m_recent; }

    // The record being written, or empty.
    QString recordPath() const { return m_file ? m_file->path() : QString(); }

private:
    void open();
    void close();
    void write(QStringList cells);
    void remember(const QStringList& cells);
    QStringList cells(const QString& event) const;
    void fillStep(QStringList& cells, int step) const;

    const LiveReading& m_reading;
    ProgramEditor& m_program;
    const RunEngine& m_engine;
    Clock& m_clock;
    QWidget* m_owner;
    QString m_folder;
    bool m_enabled = false;
    std::unique_ptr<RunRecordFile> m_file;
    std::deque<QStringList> m_recent;
    // The detail of the next resume event.
    QString m_resumeDetail;
};

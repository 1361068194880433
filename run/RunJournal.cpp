#include "run/RunJournal.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "program/ProgramEditor.h"
#include "program/ProgramFile.h"
#include "run/RunRecorder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

RunJournal::RunJournal(const RunEngine& engine, const ProgramEditor& program,
                       const RunRecorder& recorder, Clock& clock, QWidget* owner, QString path)
    : m_engine(engine), m_program(program), m_recorder(recorder), m_clock(clock), m_owner(owner),
      m_path(path.isEmpty() ? defaultPath() : std::move(path)),
      m_lock(m_path + QStringLiteral(".lock")) {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // A lock left by a program that was killed is stale, since its process is gone.
    m_owned = m_lock.tryLock(0);
    if (!m_owned) {
        return;
    }
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        const std::optional<QByteArray> newest =
            JournalFile::newestEntry(file.read(2 * JournalFile::kSlotBytes));
        if (newest) {
            m_pending = decodeJournalEntry(*newest);
        }
        if (m_pending && !m_pending->isOpenRun()) {
            m_pending.reset();
        }
        m_last = m_pending;
    }
}

RunJournal::~RunJournal() {
    close();
}

QString RunJournal::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation) +
           QStringLiteral("/run.journal");
}

RunJournalEntry RunJournal::entryNow() {
    RunJournalEntry e;
    e.position = m_engine.position();
    e.programPath = m_program.programPath();
    if (m_digestRevision != m_program.revision()) {
        m_digest = programDigest(m_program.currentSteps());
        m_digestRevision = m_program.revision();
    }
    e.programDigest = m_digest;
    const int step = e.position.step;
    const qint64 stepStart = step > 0 ? m_program.table().endSeconds[step - 1] : 0;
    e.stepS = std::max<qint64>(0, e.position.cycleS - stepStart);
    e.written = m_clock.now();
    e.recordPath = m_recorder.recordPath();
    return e;
}

void RunJournal::runEvent(RunEngine::Event event) {
    switch (event) {
    case RunEngine::Event::ProgramEnded:
        // Stopp follows at once and closes it.
        return;
    case RunEngine::Event::Stopped:
        close();
        return;
    default:
        write(m_engine.state().phase);
    }
}

void RunJournal::afterTick() {
    if (m_engine.state().phase == RunState::Phase::Running &&
        m_engine.runSeconds() != m_lastRunSecond) {
        write(RunState::Phase::Running);
    }
}

void RunJournal::close() {
    if (m_last && m_last->isOpenRun()) {
        write(RunState::Phase::Stopped);
    }
    m_pending.reset();
}

void RunJournal::write(RunState::Phase phase) {
    if (!m_owned) {
        return;
    }
    RunJournalEntry e;
    if (phase == RunState::Phase::Stopped && m_last) {
        // Closing keeps the last position, for whoever reads the file.
        e = *m_last;
        e.position.phase = phase;
        e.written = m_clock.now();
    } else {
        e = entryNow();
    }
    QString reason;
    if (!m_fileOpen) {
        m_fileOpen = m_file.open(m_path, &reason);
    }
    if (m_fileOpen && m_file.write(encodeJournalEntry(e), &reason)) {
        m_last = e;
        m_lastRunSecond = m_engine.runSeconds();
        m_failureSaid = false;
        return;
    }
    if (!m_failureSaid) {
        m_failureSaid = true;
        showMessageLater(m_owner, m_owner,
                         QStringLiteral("The run journal %1 cannot be written: %2\r\nThe run goes "
                                        "on, but after a crash it cannot be continued where it "
                                        "stood.")
                             .arg(m_path, reason),
                         QStringLiteral("Run journal"), MessageButtons::Ok, MessageIcon::Warning);
    }
}

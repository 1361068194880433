#include "run/RunResumption.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/TimeText.h"
#include "program/ProgramEditor.h"
#include "program/ProgramFile.h"
#include "program/ProgramLibrary.h"
#include "run/RunEngine.h"
#include "run/RunJournal.h"
#include "run/RunRecorder.h"

#include <QFileInfo>
#include <algorithm>

namespace {
const QString kTitle = QStringLiteral("Continue the run");
}

ResumeObstacle resumeObstacle(const RunJournalEntry& entry) {
    if (entry.programPath.isEmpty() || !QFileInfo(entry.programPath).isFile()) {
        return ResumeObstacle::ProgramGone;
    }
    const ParsedProgram parsed = readProgramFile(entry.programPath);
    if (!parsed.steps) {
        return ResumeObstacle::ProgramUnreadable;
    }
    return programDigest(*parsed.steps) == entry.programDigest ? ResumeObstacle::None
                                                               : ResumeObstacle::ProgramChanged;
}

QString resumeOfferText(const RunJournalEntry& e, ResumeObstacle obstacle) {
    const bool paused = e.position.phase == RunState::Phase::Paused;
    QString text =
        QStringLiteral("Tessaly ended while a program was %1, without Stopp or Exit (a crash, a "
                       "kill or a power cut).\r\n\r\n"
                       "Program: %2\r\nEnded: %3 or soon after\r\nCycle %4, step %5, %6 into "
                       "the step, %1.\r\n\r\n")
            .arg(paused ? QStringLiteral("paused") : QStringLiteral("running"),
                 e.programPath.isEmpty() ? QStringLiteral("(none)") : e.programPath,
                 TimeStampText(daysFromDateTime(e.written.toLocalTime())))
            .arg(e.position.cycle)
            .arg(e.position.step, 2, 10, QLatin1Char('0'))
            .arg(SecondsToHms(static_cast<qint32>(std::min<qint64>(e.stepS, INT32_MAX))));
    switch (obstacle) {
    case ResumeObstacle::None:
        return text + QStringLiteral("Continue picks the run up there, %1 as it was, with its "
                                     "step's outputs; the time Tessaly was down does not count. "
                                     "Discard forgets it.")
                          .arg(paused ? QStringLiteral("paused") : QStringLiteral("running"));
    case ResumeObstacle::ProgramGone:
        text += QStringLiteral("The program file is gone");
        break;
    case ResumeObstacle::ProgramUnreadable:
        text += QStringLiteral("The program file cannot be read");
        break;
    case ResumeObstacle::ProgramChanged:
        text += QStringLiteral("The program file is not the program that ran (it was changed, or "
                               "the run's changes were not saved)");
        break;
    }
    return text + QStringLiteral(", so the run cannot be continued. Discard forgets it.");
}

RunResumption::RunResumption(RunJournal& journal, RunEngine& engine, ProgramLibrary& library,
                             ProgramEditor& editor, RunRecorder& recorder, Clock& clock,
                             QWidget* owner)
    : m_journal(journal), m_engine(engine), m_library(library), m_editor(editor),
      m_recorder(recorder), m_clock(clock), m_owner(owner) {}

bool RunResumption::offer() {
    const std::optional<RunJournalEntry> pending = m_journal.takePendingRun();
    if (!pending) {
        return false;
    }
    const RunJournalEntry& entry = *pending;
    const ResumeObstacle obstacle = resumeObstacle(entry);
    const MessageAnswer answer = showMessage(
        m_owner, resumeOfferText(entry, obstacle), kTitle,
        obstacle == ResumeObstacle::None ? MessageButtons::ContinueDiscard
                                         : MessageButtons::Discard,
        obstacle == ResumeObstacle::None ? MessageIcon::Question : MessageIcon::Warning);
    if (answer != MessageAnswer::Continue || obstacle != ResumeObstacle::None) {
        m_journal.close();
        return false;
    }
    // The loader says itself what went wrong.
    if (!m_library.loadProgram(entry.programPath)) {
        m_journal.close();
        return false;
    }
    // The file may have changed since it was checked.
    if (programDigest(m_editor.currentSteps()) != entry.programDigest) {
        showMessage(m_owner,
                    QStringLiteral("The program file %1 changed while it was loaded, so the run "
                                   "cannot be continued.")
                        .arg(entry.programPath),
                    kTitle, MessageButtons::Ok, MessageIcon::Warning);
        m_journal.close();
        return false;
    }
    const qint64 downtime = std::max<qint64>(0, entry.written.secsTo(m_clock.now()));
    m_recorder.resumeRecord(entry.recordPath, downtime);
    m_engine.resume(entry.position);
    return true;
}

#include "run/RunRecorder.h"

#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/NumericText.h"
#include "base/Paths.h"
#include "base/TimeText.h"
#include "program/ProgramEditor.h"
#include "program/ProgramFile.h"

#include <QCoreApplication>
#include <QLabel>
#include <QSettings>
#include <QSysInfo>
#include <QTimer>
#include <algorithm>

namespace {

const QString kEnabledKey = QStringLiteral("RunRecord/Enabled");

enum Column {
    RunSecond,
    WallTime,
    Step,
    EventName,
    Left,
    Right,
    Clip,
    Laser,
    Vacuum,
    Signal,
    FirstReading,
    Detail = FirstReading + frames::ReadingCount,
    ColumnCount
};

// A cell holds no tab or line break, so every line keeps its columns.
QString cell(QString text) {
    return text.replace(QLatin1Char('\t'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
}

QString eventName(RunEngine::Event event) {
    switch (event) {
    case RunEngine::Event::Started:
        return QStringLiteral("start");
    case RunEngine::Event::StepBegan:
        return QStringLiteral("step");
    case RunEngine::Event::Paused:
        return QStringLiteral("pause");
    case RunEngine::Event::Continued:
        return QStringLiteral("continue");
    case RunEngine::Event::CycleRestarted:
        return QStringLiteral("cycle");
    case RunEngine::Event::ProgramEnded:
        return QStringLiteral("end");
    case RunEngine::Event::Stopped:
        return QStringLiteral("stop");
    case RunEngine::Event::Resumed:
        return QStringLiteral("resume");
    }
    return {};
}

// Shown once the current event has returned, so a run tick never waits for the operator.
void sayLater(QWidget* owner, const QString& text) {
    showMessageLater(owner, owner, text, QStringLiteral("Record runs"), MessageButtons::Ok,
                     MessageIcon::Warning);
}

} // namespace

const QStringList& RunRecorder::columns() {
    static const QStringList names = {
        "run_second", "wall_time",  "step",   "event",    "left",       "right",
        "clip",       "laser",      "vacuum", "signal",   "voltage_mV", "current_mA",
        "charge_mAh", "energy_mWh", "time_s", "dplus_mV", "dminus_mV",  "detail"};
    return names;
}

RunRecorder::RunRecorder(const LiveReading& reading, ProgramEditor& program,
                         const RunEngine& engine, Clock& clock, QWidget* owner, QString folder)
    : m_reading(reading), m_program(program), m_engine(engine), m_clock(clock), m_owner(owner),
      m_folder(std::move(folder)) {
    m_enabled = QSettings().value(kEnabledKey, false).toBool();
}

RunRecorder::~RunRecorder() = default;

void RunRecorder::setEnabled(bool on) {
    m_enabled = on;
    QSettings().setValue(kEnabledKey, on);
}

QStringList RunRecorder::cells(const QString& event) const {
    QStringList c(ColumnCount);
    c[RunSecond] = QString::number(m_engine.runSeconds());
    c[WallTime] = isoWithOffset(m_clock.now());
    c[Step] = QString::number(m_engine.state().step);
    c[EventName] = event;
    return c;
}

void RunRecorder::fillStep(QStringList& c, int step) const {
    if (step < 0 || step >= kStepCount) {
        return;
    }
    const ProgramTable& t = m_program.table();
    c[Left] = QString::number(t.leftLevel[step]);
    c[Right] = QString::number(t.rightLevel[step]);
    c[Clip] = t.clipName[step];
    c[Laser] = QString::number(t.laser[step]);
    c[Vacuum] = QString::number(t.vacuum[step]);
    c[Signal] = QString::number(t.signal[step]);
}

void RunRecorder::runEvent(RunEngine::Event event) {
    if (event == RunEngine::Event::Started) {
        close();
        if (m_enabled) {
            open();
        }
    }
    QStringList c = cells(eventName(event));
    if (event == RunEngine::Event::StepBegan) {
        fillStep(c, m_engine.state().step);
    } else if (event == RunEngine::Event::Resumed) {
        c[Detail] = m_resumeDetail;
    }
    remember(c);
    if (!m_file) {
        return;
    }
    write(c);
    if (event == RunEngine::Event::Stopped) {
        close();
    }
}

void RunRecorder::deviceEvent(const QString& event, const QString& detail) {
    QStringList c = cells(event);
    c[Detail] = detail;
    remember(c);
    if (m_file) {
        write(c);
    }
}

void RunRecorder::boardStatesAtStart(const QStringList& states) {
    const QString board = QStringLiteral("board");
    for (const QString& state : states) {
        QStringList c = cells(board);
        c[Detail] = state;
        if (m_file) {
            write(c);
        }
        // The last recent line about the same board ("relay board ...", "measuring board ...").
        const QString name = state.section(QLatin1Char(' '), 0, 1);
        const auto last =
            std::find_if(m_recent.rbegin(), m_recent.rend(), [&](const QStringList& e) {
                return e[EventName] == board && e[Detail].section(QLatin1Char(' '), 0, 1) == name;
            });
        if (last == m_recent.rend() || (*last)[Detail] != state) {
            remember(c);
        }
    }
}

void RunRecorder::remember(const QStringList& c) {
    m_recent.push_back(c);
    while (m_recent.size() > static_cast<std::size_t>(kRecentEvents)) {
        m_recent.pop_front();
    }
}

void RunRecorder::sampleReadings() {
    if (!m_file) {
        return;
    }
    QStringList c = cells(QStringLiteral("readings"));
    // Without a reading the cells stay empty: a lost board is not a measured 0.
    if (m_reading) {
        for (int k = 0; k < frames::ReadingCount; ++k) {
            c[FirstReading + k] = readingText(m_reading->values[k]);
        }
    }
    write(c);
}

void RunRecorder::resumeRecord(const QString& path, qint64 downtimeS) {
    close();
    m_resumeDetail =
        QStringLiteral("the program was down %1 s; the run clock leaves it out").arg(downtimeS);
    if (path.isEmpty()) {
        if (m_enabled) {
            open();
        }
        return;
    }
    QString reason;
    m_file = RunRecordFile::append(path, &reason);
    if (!m_file) {
        sayLater(m_owner, QStringLiteral("The run record %1 cannot be continued: %2\r\nThe run "
                                         "goes on in a new record.")
                              .arg(path, reason));
        open();
    }
}

void RunRecorder::programExits() {
    if (m_file) {
        write(cells(QStringLiteral("exit")));
    }
    close();
}

void RunRecorder::open() {
    const QString folder =
        m_folder.isEmpty() ? workingFolder() + QStringLiteral("records/") : m_folder;
    QString reason;
    m_file = RunRecordFile::create(folder, m_clock.now(), &reason);
    if (!m_file) {
        sayLater(m_owner, QStringLiteral("The run cannot be recorded: %1\r\nThe run goes on "
                                         "without a record.")
                              .arg(reason));
        return;
    }
    const ProgramTable& table = m_program.table();
    const qint32 length = table.endSeconds[kStepCount];
    QStringList header = {
        QStringLiteral("# run record"),
        QStringLiteral("# program_path\t") + cell(m_program.programPath()),
        QStringLiteral("# program_length_s\t%1\t%2").arg(length).arg(SecondsToHms(length)),
        QStringLiteral("# program_version\t") + cell(m_owner ? m_owner->windowTitle() : QString()),
        QStringLiteral("# host\t") + cell(QSysInfo::machineHostName())};
    const QList<QByteArray> lines = formatProgramFile(m_program.currentSteps()).split('\n');
    for (int i = 0; i < kStepCount; ++i) {
        header << QStringLiteral("# program_line\t%1\t").arg(i + 1, 2, 10, QLatin1Char('0')) +
                      QString::fromLatin1(lines[i]).remove(QLatin1Char('\r'));
    }
    header << columns().join(QLatin1Char('\t'));
    for (const QString& line : header) {
        QString failure;
        if (!m_file->writeLine(line, &failure)) {
            m_file.reset();
            sayLater(m_owner, QStringLiteral("The run record could not be written: %1\r\n"
                                             "Recording stops; the run goes on.")
                                  .arg(failure));
            return;
        }
    }
}

void RunRecorder::close() {
    m_file.reset();
}

void RunRecorder::write(QStringList c) {
    for (QString& text : c) {
        text = cell(text);
    }
    QString failure;
    if (m_file && !m_file->writeLine(c.join(QLatin1Char('\t')), &failure)) {
        const QString path = m_file->path();
        m_file.reset();
        sayLater(m_owner, QStringLiteral("The run record %1 could not be written: %2\r\n"
                                         "Recording stops; the run goes on.")
                              .arg(path, failure));
    }
}

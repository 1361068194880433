#include "run/RunEngine.h"

#include "app/CheckValue.h"
#include "app/Clock.h"
#include "app/Palette.h"
#include "app/TimeText.h"
#include "program/TessalyPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace {
constexpr int kNotReached = 7;
constexpr int kFinished = 10;
constexpr int kBlinkFirst = 8;
constexpr double kSecondsPerDay = 86400.0;

void follow(QCheckBox* device, const QCheckBox* step) {
    const int wanted = checkValue(step);
    if (checkValue(device) != wanted) {
        setCheckValue(device, wanted);
    }
}
} // namespace

RunEngine::RunEngine(TessalyPanel& panel, ClipPlayerProvider player)
    : m_panel(panel), m_player(std::move(player)), m_runClock(panel.clock()) {}

void RunEngine::wire() {
    for (int k = 0; k < 4; ++k) {
        QObject::connect(m_panel.启动程序[k], &QPushButton::clicked, &m_panel,
                         [this, k] { 启动程序_Click(k); });
    }
    QObject::connect(m_panel.Timer1, &QTimer::timeout, &m_panel, [this] { Timer1_Timer(); });
    QObject::connect(m_panel.Timer2, &QTimer::timeout, &m_panel, [this] { Timer2_Timer(); });
}

QString RunEngine::wallStamp() const {
    return TimeStampText(m_panel.clock().nowDays());
}

void RunEngine::setButtons(Command command) {
    // Which of Start, Pause, Contin., Stopp each command leaves enabled.
    static constexpr bool kEnabled[4][4] = {{false, true, false, true},
                                            {false, false, true, true},
                                            {false, true, false, true},
                                            {true, false, false, false}};
    for (int k = 0; k < 4; ++k) {
        m_panel.启动程序[k]->setEnabled(kEnabled[command][k]);
    }
    // The manual level fields can be edited only while no program runs.
    const bool levelsEditable = command == Pause || command == Stopp;
    m_panel.微泵速度[1]->setEnabled(levelsEditable);
    m_panel.微泵速度[2]->setEnabled(levelsEditable);
}

void RunEngine::resetStepColours() {
    for (int i = 0; i < kStepCount; ++i) {
        setPaletteBackground(m_panel.Label1[i], kNotReached);
    }
}

void RunEngine::启动程序_Click(int index) {
    m_panel.读取输入值();
    const auto command = static_cast<Command>(index);
    setButtons(command);
    const ProgramTable& table = m_panel.programTable();
    switch (command) {
    case Start:
        for (int k = 1; k <= 2; ++k) {
            m_panel.Command3[k]->hide();
            m_panel.Command4[k]->hide();
        }
        stepIndex = 0;
        currentClip = table.clipName[0];
        m_panel.Label27->setText(currentClip);
        m_panel.Timer1->start();
        m_panel.当前状态->setText(QStringLiteral("Running"));
        pauseDays = 0;
        m_programStart = now();
        m_cycleStart = m_programStart;
        m_panel.Label18[0]->setText(wallStamp());
        m_panel.Label18[1]->setText(m_panel.Label18[0]->text());
        resetStepColours();
        执行任务();
        break;
    case Pause:
        m_panel.Timer1->stop();
        m_panel.Timer2->start();
        m_pauseStart = now();
        pauseDays = 0;
        m_panel.当前状态->setText(QStringLiteral("Pausing"));
        break;
    case Contin:
        m_resumeTime = now();
        pauseDays = static_cast<double>(m_resumeTime - m_pauseStart) / kSecondsPerDay;
        // The pause does not count as run time.
        m_cycleStart += m_resumeTime - m_pauseStart;
        m_panel.Timer2->stop();
        m_panel.Timer1->start();
        m_panel.当前状态->setText(QStringLiteral("Running"));
        break;
    case Stopp:
        m_panel.微泵速度[1]->setText(QStringLiteral("0"));
        m_panel.微泵速度[2]->setText(QStringLiteral("0"));
        m_panel.Timer1->stop();
        for (int k = 1; k <= 2; ++k) {
            m_panel.Command3[k]->show();
            m_panel.Command4[k]->show();
        }
        currentClip = QStringLiteral("00.mc");
        执行任务();
        m_panel.当前状态->setText(QStringLiteral("Stopped"));
        break;
    }
}

void RunEngine::更新程序时间() {
    const qint64 elapsed = now() - m_cycleStart;
    elapsedDays = static_cast<double>(elapsed) / kSecondsPerDay;
    m_panel.Label18[2]->setText(DaysToDhms(elapsedDays));
    // Taken from the whole seconds, not back from the days, so a step of 10 s ends at 11 s
    // exactly rather than wherever rounding puts it.
    elapsedSeconds = static_cast<double>(elapsed);
}

void RunEngine::Timer1_Timer() {
    try {
        更新程序时间();
        m_panel.Label22[41]->setText(SecondsToHms(roundToInt32(elapsedSeconds)));
    } catch (const OverflowError&) {
        // Only a run of some 68 years gets here; the step finding below still works.
        m_panel.Label22[41]->setText(QStringLiteral("Overflow"));
    }
    判断程序进程();
    if (stepIndex == kStepCount) {
        if (checkValue(m_panel.Check7) == 1) {
            stepIndex = 0;
            m_cycleStart = now();
            m_panel.Label18[1]->setText(wallStamp());
            resetStepColours();
        } else {
            启动程序_Click(Stopp);
            m_panel.Timer1->stop();
        }
    }
    if (afterTick) {
        afterTick();
    }
}

void RunEngine::判断程序进程() {
    const ProgramTable& table = m_panel.programTable();
    const int passes = kStepCount - stepIndex;
    for (int pass = 0; pass < passes; ++pass) {
        if (elapsedSeconds > table.endSeconds[stepIndex]) {
            setPaletteBackground(m_panel.Label1[stepIndex], kFinished);
            ++stepIndex;
        } else {
            blinkCounter = static_cast<qint16>(blinkCounter % 7);
            setPaletteBackground(m_panel.Label1[stepIndex], kBlinkFirst + blinkCounter);
            ++blinkCounter;
        }
    }
    if (table.clipName[stepIndex] != currentClip) {
        currentClip = table.clipName[stepIndex];
        m_panel.Label27->setText(currentClip);
        执行任务();
    }
}

void RunEngine::执行任务() {
    m_player().播放一个指定文件(currentClip);
    follow(m_panel.Check1, m_panel.Check6[stepIndex]);
    follow(m_panel.Check2, m_panel.Check4[stepIndex]);
    follow(m_panel.Check3, m_panel.Check5[stepIndex]);
}

void RunEngine::Timer2_Timer() {
    const qint64 paused = now() - m_pauseStart;
    pauseDays = static_cast<double>(paused) / kSecondsPerDay;
    pauseSeconds = static_cast<double>(paused);
    try {
        m_panel.Label22[42]->setText(SecondsToHms(roundToInt32(pauseSeconds)));
    } catch (const OverflowError&) {
        m_panel.Label22[42]->setText(QStringLiteral("Overflow"));
    }
}

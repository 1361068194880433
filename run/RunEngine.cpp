#include "run/RunEngine.h"

#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/Palette.h"
#include "base/TimeText.h"
#include "program/ProgramEditor.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

namespace {
constexpr int kNotReached = 7;
constexpr int kFinished = 10;
constexpr int kBlinkFirst = 8;
constexpr double kSecondsPerDay = 86400.0;
} // namespace

RunEngine::RunEngine(const StepTableView& steps, const RunControlsView& run,
                     const PumpControlsView& pumps, PumpClip& clip, ProgramEditor& program,
                     Clock& clock, ClipPlayerProvider player)
    : m_steps(steps), m_run(run), m_pumps(pumps), m_clip(clip), m_program(program), m_clock(clock),
      m_player(std::move(player)), m_runClock(clock) {}

void RunEngine::wire() {
    for (int k = 0; k < 4; ++k) {
        QObject::connect(m_run.启动程序[k], &QPushButton::clicked, m_run.启动程序[k],
                         [this, k] { 启动程序_Click(k); });
    }
    QObject::connect(m_run.Timer1, &QTimer::timeout, m_run.Timer1, [this] { Timer1_Timer(); });
    QObject::connect(m_run.Timer2, &QTimer::timeout, m_run.Timer2, [this] { Timer2_Timer(); });
}

void RunEngine::showStamps() {
    m_run.Label18[0]->setText(TimeStampText(daysFromDateTime(m_started)));
    m_run.Label18[1]->setText(TimeStampText(daysFromDateTime(m_cycleStarted)));
}

void RunEngine::setButtons(Command command) {
    // Which of Start, Pause, Contin., Stopp each command leaves enabled.
    static constexpr bool kEnabled[4][4] = {{false, true, false, true},
                                            {false, false, true, true},
                                            {false, true, false, true},
                                            {true, false, false, false}};
    for (int k = 0; k < 4; ++k) {
        m_run.启动程序[k]->setEnabled(kEnabled[command][k]);
    }
    // The manual level fields can be edited only while no program runs.
    const bool levelsEditable = command == Pause || command == Stopp;
    m_pumps.微泵速度[1]->setEnabled(levelsEditable);
    m_pumps.微泵速度[2]->setEnabled(levelsEditable);
}

void RunEngine::resetStepColours() {
    for (int i = 0; i < kStepCount; ++i) {
        setPaletteBackground(m_steps.Label1[i], kNotReached);
    }
}

// Marks an engine operation as running for the length of a scope.
class RunEngine::Busy {
public:
    explicit Busy(int& depth) : m_depth(depth) { ++m_depth; }
    ~Busy() { --m_depth; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    int& m_depth;
};

void RunEngine::启动程序_Click(int index) {
    const Busy busy(m_depth);
    m_program.读取输入值();
    const auto command = static_cast<Command>(index);
    setButtons(command);
    const ProgramTable& table = m_program.table();
    switch (command) {
    case Start:
        for (int k = 1; k <= 2; ++k) {
            m_pumps.Command3[k]->hide();
            m_pumps.Command4[k]->hide();
        }
        stepIndex = 0;
        currentClip = table.clipName[0];
        showClip();
        m_run.Timer1->start();
        m_run.当前状态->setText(QStringLiteral("Running"));
        pauseDays = 0;
        m_programStart = now();
        m_cycleStart = m_programStart;
        m_started = m_clock.now();
        m_cycleStarted = m_started;
        showStamps();
        resetStepColours();
        m_state.phase = RunState::Phase::Running;
        m_state.cycle = 1;
        elapsedSeconds = 0;
        report(Event::Started);
        report(Event::StepBegan);
        执行任务();
        break;
    case Pause:
        m_run.Timer1->stop();
        m_run.Timer2->start();
        m_pauseStart = now();
        pauseDays = 0;
        m_run.当前状态->setText(QStringLiteral("Pausing"));
        m_state.phase = RunState::Phase::Paused;
        report(Event::Paused);
        break;
    case Contin:
        m_resumeTime = now();
        pauseDays = static_cast<double>(m_resumeTime - m_pauseStart) / kSecondsPerDay;
        // The pause does not count as run time.
        m_cycleStart += m_resumeTime - m_pauseStart;
        m_run.Timer2->stop();
        m_run.Timer1->start();
        m_run.当前状态->setText(QStringLiteral("Running"));
        m_state.phase = RunState::Phase::Running;
        report(Event::Continued);
        break;
    case Stopp:
        m_pumps.微泵速度[1]->setText(QStringLiteral("0"));
        m_pumps.微泵速度[2]->setText(QStringLiteral("0"));
        m_run.Timer1->stop();
        for (int k = 1; k <= 2; ++k) {
            m_pumps.Command3[k]->show();
            m_pumps.Command4[k]->show();
        }
        currentClip = QStringLiteral("00.mc");
        执行任务();
        m_run.当前状态->setText(QStringLiteral("Stopped"));
        m_state.phase = RunState::Phase::Stopped;
        report(Event::Stopped);
        break;
    }
}

RunPosition RunEngine::position() const {
    RunPosition p;
    p.phase = m_state.phase;
    p.cycle = m_state.cycle;
    p.step = stepIndex;
    p.runS = runSeconds();
    const bool paused = m_state.phase == RunState::Phase::Paused;
    p.cycleS = (paused ? m_pauseStart : now()) - m_cycleStart;
    p.pauseS = paused ? now() - m_pauseStart : 0;
    p.cycling = checkValue(m_run.Check7) == 1;
    p.started = m_started;
    p.cycleStarted = m_cycleStarted;
    return p;
}

void RunEngine::resume(const RunPosition& position) {
    const Busy busy(m_depth);
    m_program.读取输入值();
    const ProgramTable& table = m_program.table();
    const bool paused = position.phase == RunState::Phase::Paused;
    setButtons(paused ? Pause : Contin);
    for (int k = 1; k <= 2; ++k) {
        m_pumps.Command3[k]->hide();
        m_pumps.Command4[k]->hide();
    }
    setCheckValue(m_run.Check7, position.cycling ? 1 : 0);
    // The offsets are kept, the time in between is not: a pause still ends with the cycle
    // time it had when it began.
    const qint64 t = now();
    m_programStart = t - position.runS;
    m_pauseStart = t - position.pauseS;
    m_cycleStart = t - position.cycleS - position.pauseS;
    m_started = position.started;
    m_cycleStarted = position.cycleStarted;
    showStamps();
    stepIndex = static_cast<qint16>(std::clamp(position.step, 0, kStepCount - 1));
    elapsedSeconds = static_cast<double>(position.cycleS);
    resetStepColours();
    for (int i = 0; i < stepIndex; ++i) {
        setPaletteBackground(m_steps.Label1[i], kFinished);
    }
    currentClip = table.clipName[stepIndex];
    showClip();
    m_state.cycle = position.cycle;
    if (paused) {
        m_run.Timer2->start();
        m_run.当前状态->setText(QStringLiteral("Pausing"));
        m_state.phase = RunState::Phase::Paused;
    } else {
        m_run.Timer1->start();
        m_run.当前状态->setText(QStringLiteral("Running"));
        m_state.phase = RunState::Phase::Running;
    }
    report(Event::Resumed);
    report(Event::StepBegan);
    执行任务();
}

void RunEngine::更新程序时间() {
    const qint64 elapsed = now() - m_cycleStart;
    elapsedDays = static_cast<double>(elapsed) / kSecondsPerDay;
    m_run.Label18[2]->setText(DaysToDhms(elapsedDays));
    // Taken from the whole seconds, not back from the days, so a step of 10 s ends at 11 s
    // exactly rather than wherever rounding puts it.
    elapsedSeconds = static_cast<double>(elapsed);
}

void RunEngine::Timer1_Timer() {
    // A message box opened inside an operation (a port error, a failed relay command) runs
    // an event loop of its own, in which the timer fires again: that tick is skipped, as the
    // next one catches up on the whole-second clock.
    if (m_depth > 0) {
        return;
    }
    const Busy busy(m_depth);
    try {
        更新程序时间();
        m_run.cycleElapsed->setText(SecondsToHms(roundToInt32(elapsedSeconds)));
    } catch (const OverflowError&) {
        // Only a run of some 68 years gets here; the step finding below still works.
        m_run.cycleElapsed->setText(QStringLiteral("Overflow"));
    }
    判断程序进程();
    if (stepIndex == kStepCount) {
        if (checkValue(m_run.Check7) == 1) {
            stepIndex = 0;
            m_cycleStart = now();
            m_cycleStarted = m_clock.now();
            showStamps();
            resetStepColours();
            ++m_state.cycle;
            report(Event::CycleRestarted);
            report(Event::StepBegan);
        } else {
            report(Event::ProgramEnded);
            启动程序_Click(Stopp);
            m_run.Timer1->stop();
        }
    }
    publish();
    if (afterTick) {
        afterTick();
    }
}

void RunEngine::publish() {
    const ProgramTable& table = m_program.table();
    m_state.step = stepIndex;
    m_state.elapsedS = static_cast<qint64>(elapsedSeconds);
    m_state.stepRemainingS =
        stepIndex >= 0 && stepIndex < kStepCount
            ? std::max<qint64>(0, table.endSeconds[stepIndex] - m_state.elapsedS)
            : 0;
}

void RunEngine::判断程序进程() {
    const ProgramTable& table = m_program.table();
    const int passes = kStepCount - stepIndex;
    for (int pass = 0; pass < passes; ++pass) {
        if (elapsedSeconds > table.endSeconds[stepIndex]) {
            setPaletteBackground(m_steps.Label1[stepIndex], kFinished);
            ++stepIndex;
            if (stepIndex < kStepCount) {
                report(Event::StepBegan);
            }
        } else {
            blinkCounter = static_cast<qint16>(blinkCounter % 7);
            setPaletteBackground(m_steps.Label1[stepIndex], kBlinkFirst + blinkCounter);
            ++blinkCounter;
        }
    }
    if (table.clipName[stepIndex] != currentClip) {
        currentClip = table.clipName[stepIndex];
        showClip();
        执行任务();
    }
}

void RunEngine::showClip() {
    m_clip.name = currentClip;
    m_pumps.Label27->setText(currentClip);
}

void RunEngine::执行任务() {
    m_player().播放一个指定文件(currentClip);
    if (onOutputs) {
        onOutputs(outputsOf(stepIndex));
    }
}

OutputWishes RunEngine::outputsOf(int step) const {
    if (step < 0 || step >= kStepCount) {
        return {};
    }
    const ProgramTable& table = m_program.table();
    return {table.signal[step], table.laser[step], table.vacuum[step]};
}

void RunEngine::Timer2_Timer() {
    if (m_depth > 0) {
        return;
    }
    const qint64 paused = now() - m_pauseStart;
    pauseDays = static_cast<double>(paused) / kSecondsPerDay;
    pauseSeconds = static_cast<double>(paused);
    try {
        m_run.pauseLength->setText(SecondsToHms(roundToInt32(pauseSeconds)));
    } catch (const OverflowError&) {
        m_run.pauseLength->setText(QStringLiteral("Overflow"));
    }
}

#pragma once

#include "audio/ClipPlayer.h"
#include "base/OutputWishes.h"
#include "panel/PanelViews.h"
#include "run/PumpClip.h"
#include "run/RunClock.h"
#include "run/RunState.h"

#include <QString>
#include <functional>

class Clock;
class ProgramEditor;

// Plays the panel's program against a whole-second run clock: finds the current step, has its
// clip played, says what the step wants of the outputs, colours the step numbers, shows the
// times, repeats cycles, and handles Start, Pause, Contin. and Stopp.
class RunEngine {
public:
    enum Command { Start = 0, Pause = 1, Contin = 2, Stopp = 3 };

    // program gives the table (recomputed at every command); the pumps are the ones a run
    // switches.
    // clip: the pumps' clip, which the manual pumps set too.
    RunEngine(const StepTableView& steps, const RunControlsView& run, const PumpControlsView& pumps,
              PumpClip& clip, ProgramEditor& program, Clock& clock, ClipPlayerProvider player);

    // Wires the run buttons and the two timers.
    void wire();

    // The click operation of 启动程序(index); runs also when the button is disabled.
    void 启动程序_Click(int index);
    void Timer1_Timer();
    void Timer2_Timer();
    void 更新程序时间();
    void 判断程序进程();
    void 执行任务();

    // What the step now played wants of the outputs, each time a step's clip starts and at
    // Stopp (the step's own wishes again; past the last step, all off). The device links
    // switch the boards and show it in the boxes.
    std::function<void(const OutputWishes&)> onOutputs;
    // The outputs a step of the current table wants; all off past the last step.
    OutputWishes outputsOf(int step) const;

    // Runs at the end of every run tick, after the step has been found (the charts).
    std::function<void()> afterTick;

    // What a run did, for whoever keeps a record of it; stepIndex is the step concerned.
    enum class Event {
        Started,
        StepBegan,
        Paused,
        Continued,
        CycleRestarted,
        ProgramEnded,
        Stopped,
        Resumed
    };
    std::function<void(Event)> onEvent;
    // Where the run stands; up to date whenever an event is reported and after each tick.
    const RunState& state() const { return m_state; }
    // Whole seconds on the run clock since the last Start.
    qint64 runSeconds() const { return now() - m_programStart; }
    // Where the run stands now, to be picked up again by resume(); meaningless while stopped.
    RunPosition position() const;
    // Picks a run up at position, running or paused as it was, in the current table: the
    // steps before it finished, its clip played and its outputs wished; reports Resumed, then
    // the step.
    void resume(const RunPosition& position);

    // Run state, as the panel keeps it for the life of the window.
    qint16 stepIndex = 0;
    QString currentClip;
    qint16 blinkCounter = 0;
    double elapsedDays = 0;
    double elapsedSeconds = 0;
    double pauseDays = 0;
    double pauseSeconds = 0;

private:
    class Busy;
    void setButtons(Command command);
    void report(Event event) {
        publish();
        if (onEvent) {
            onEvent(event);
        }
    }
    // Brings the state's step and times up to the engine's.
    void publish();
    void resetStepColours();
    // The step's clip in the pumps' clip and Label27.
    void showClip();
    qint64 now() const { return m_runClock.seconds(); }
    // Shows the start and cycle-start wall times.
    void showStamps();

    const StepTableView& m_steps;
    const RunControlsView& m_run;
    const PumpControlsView& m_pumps;
    PumpClip& m_clip;
    ProgramEditor& m_program;
    Clock& m_clock;
    ClipPlayerProvider m_player;
    RunClock m_runClock;
    // Run-clock seconds of the last Start, of the current cycle's start (moved later by each
    // pause), of the last Pause and of the last Contin.
    qint64 m_programStart = 0;
    qint64 m_cycleStart = 0;
    qint64 m_pauseStart = 0;
    qint64 m_resumeTime = 0;
    QDateTime m_started;
    QDateTime m_cycleStarted;
    // Engine operations under way; a tick never runs inside another operation.
    int m_depth = 0;
    RunState m_state;
};

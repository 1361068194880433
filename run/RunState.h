#pragma once

#include <QDateTime>
#include <QtGlobal>

// Where a run stands, as the run engine publishes it before each of its events and at the end
// of each tick: the status page and whatever else follows a run take this value instead of the
// engine's fields and timers.
struct RunState {
    enum class Phase { Stopped, Running, Paused };
    Phase phase = Phase::Stopped;
    // 1 from Start, one more at each new cycle; 0 before the first Start.
    int cycle = 0;
    // The current step, 0..39; 40 once the last has ended.
    int step = 0;
    // Whole seconds of the current cycle on the run clock, pauses left out.
    qint64 elapsedS = 0;
    // Whole seconds left of the current step; 0 after the last.
    qint64 stepRemainingS = 0;
};

// Everything the run engine needs to pick a run up where it stood, in run-clock seconds: the
// time between taking it and resuming it does not count.
struct RunPosition {
    RunState::Phase phase = RunState::Phase::Stopped;
    int cycle = 0;
    int step = 0;
    // Since Start, pauses included.
    qint64 runS = 0;
    // Of the current cycle, pauses left out (frozen during a pause).
    qint64 cycleS = 0;
    // Into the current pause; 0 while running.
    qint64 pauseS = 0;
    // Whether "Cycle" was ticked.
    bool cycling = false;
    // Wall time of the Start and of the current cycle's start.
    QDateTime started;
    QDateTime cycleStarted;

    bool operator==(const RunPosition&) const = default;
};

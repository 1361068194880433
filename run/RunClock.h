#pragma once

#include <QtGlobal>

class Clock;

// Whole seconds on a monotonic time line whose seconds tick together with the wall clock's,
// so that run and pause times neither skip nor repeat when the wall clock is set or changes
// for daylight saving.
class RunClock {
public:
    explicit RunClock(Clock& clock);
    // Whole seconds since the clock was made.
    qint64 seconds() const;

private:
    Clock& m_clock;
    // Monotonic milliseconds at which a wall-clock second began.
    qint64 m_originMs;
};

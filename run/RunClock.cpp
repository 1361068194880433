#include "run/RunClock.h"

#include "base/Clock.h"

RunClock::RunClock(Clock& clock)
    : m_clock(clock), m_originMs(clock.monotonicMs() - clock.wallMsIntoSecond()) {}

qint64 RunClock::seconds() const {
    return (m_clock.monotonicMs() - m_originMs) / 1000;
}

#pragma once

#include <QDateTime>
#include <QtGlobal>

// The one source of time for the program: a monotonic millisecond counter and the local
// date-time to the whole second. Injected where time matters, so tests can set it.
class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds from an arbitrary origin; never goes backwards.
    virtual qint64 monotonicMs() const = 0;
    // Local date and time, truncated to the whole second.
    virtual QDateTime now() const = 0;
    // Milliseconds into the current wall-clock second (0..999), to align other counters to it.
    virtual int wallMsIntoSecond() const = 0;
    // Waits; a test clock only moves its readings forward.
    virtual void sleepMs(int ms) = 0;
    // "now" as a day count (days since 1899-12-30, time of day as fraction).
    double nowDays() const;
};

class SystemClock final : public Clock {
public:
    qint64 monotonicMs() const override;
    QDateTime now() const override;
    int wallMsIntoSecond() const override;
    void sleepMs(int ms) override;
};

// A clock that moves only when told to; for tests and benchmarks.
class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(18, 1, 55)));
    qint64 monotonicMs() const override { return m_ms; }
    QDateTime now() const override;
    int wallMsIntoSecond() const override;
    void sleepMs(int ms) override { advanceMs(ms); }
    // Moves both readings forward.
    void advanceMs(qint64 ms);
    // Sets the wall clock alone, as a clock adjustment would.
    void setWallClock(const QDateTime& t);

private:
    qint64 m_ms = 0;
    QDateTime m_wall;
    qint64 m_wallSetAtMs = 0;
};

// The process clock used unless a caller injects another.
Clock& systemClock();

// Day counts (days since 1899-12-30, local time) to and from date-times.
double daysFromDateTime(const QDateTime& t);
QDateTime dateTimeFromDays(double days);

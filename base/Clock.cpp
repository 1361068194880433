#include "base/Clock.h"

#include <QElapsedTimer>
#include <QThread>
#include <cmath>

namespace {
const QDate kDayZero(1899, 12, 30);
constexpr double kSecondsPerDay = 86400.0;
} // namespace

double Clock::nowDays() const {
    return daysFromDateTime(now());
}

qint64 SystemClock::monotonicMs() const {
    static const QElapsedTimer origin = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return origin.elapsed();
}

QDateTime SystemClock::now() const {
    QDateTime t = QDateTime::currentDateTime();
    t.setTime(QTime(t.time().hour(), t.time().minute(), t.time().second()));
    return t;
}

int SystemClock::wallMsIntoSecond() const {
    return static_cast<int>(QDateTime::currentMSecsSinceEpoch() % 1000);
}

void SystemClock::sleepMs(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

ManualClock::ManualClock(QDateTime start) : m_wall(std::move(start)) {}

QDateTime ManualClock::now() const {
    const qint64 wholeSeconds = (m_ms - m_wallSetAtMs) / 1000;
    return m_wall.addSecs(wholeSeconds);
}

int ManualClock::wallMsIntoSecond() const {
    return static_cast<int>((m_ms - m_wallSetAtMs) % 1000);
}

void ManualClock::advanceMs(qint64 ms) {
    m_ms += ms;
}

void ManualClock::setWallClock(const QDateTime& t) {
    m_wall = t;
    m_wallSetAtMs = m_ms;
}

Clock& systemClock() {
    static SystemClock clock;
    return clock;
}

double daysFromDateTime(const QDateTime& t) {
    const QDateTime local = t.toLocalTime();
    const double days = static_cast<double>(kDayZero.daysTo(local.date()));
    return days + local.time().msecsSinceStartOfDay() / 1000.0 / kSecondsPerDay;
}

QDateTime dateTimeFromDays(double days) {
    const double whole = std::floor(days);
    qint64 seconds = std::llround((days - whole) * kSecondsPerDay);
    qint64 dayCount = static_cast<qint64>(whole);
    if (seconds >= 86400) {
        seconds -= 86400;
        ++dayCount;
    }
    return QDateTime(kDayZero.addDays(dayCount), QTime(0, 0).addSecs(static_cast<int>(seconds)));
}

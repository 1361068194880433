#include "base/TimeText.h"

#include "base/Clock.h"

#include <QFileInfo>
#include <QLocale>
#include <cmath>
#include <cstdlib>
#include <limits>

qint32 checkedAdd(qint32 a, qint32 b) {
    qint32 r = 0;
    if (__builtin_add_overflow(a, b, &r)) {
        throw OverflowError();
    }
    return r;
}

qint32 checkedMul(qint32 a, qint32 b) {
    qint32 r = 0;
    if (__builtin_mul_overflow(a, b, &r)) {
        throw OverflowError();
    }
    return r;
}

qint32 roundToInt32(double v) {
    const double r = std::nearbyint(v); // default rounding mode: halves to even
    if (!(r >= std::numeric_limits<qint32>::min() && r <= std::numeric_limits<qint32>::max())) {
        throw OverflowError();
    }
    return static_cast<qint32>(r);
}

namespace {
QString twoDigits(qint64 n) {
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString hms(qint64 seconds) {
    const qint64 h = seconds / 3600;
    const qint64 r = seconds - h * 3600;
    const qint64 m = r / 60;
    const qint64 s = r - m * 60;
    return twoDigits(h) + QLatin1Char(':') + twoDigits(m) + QLatin1Char(':') + twoDigits(s);
}
} // namespace

QString SecondsToHms(qint32 seconds) {
    // Widened so that the minimum 32-bit value still has a magnitude.
    const qint64 n = seconds;
    return n < 0 ? QLatin1Char('-') + hms(-n) : hms(n);
}

QString DaysToDhms(double days) {
    double whole = std::floor(days);
    qint64 rest = std::llround((days - whole) * 86400.0);
    if (rest >= 86400) { // a fraction that rounds up to a full day carries into the days
        rest -= 86400;
        whole += 1;
    }
    return QString::number(whole, 'f', 0) + QStringLiteral("  ") + hms(rest);
}

QString TimeStampText(double days) {
    return QLocale().toString(dateTimeFromDays(days), QStringLiteral("hh:mm:ss dddd, MMM d yyyy"));
}

QString GeneralDateText(const QDateTime& t) {
    const QLocale locale;
    return locale.toString(t.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           t.time().toString(QStringLiteral("hh:mm:ss"));
}

bool FileExistsAt(const QString& path) {
    if (path.isEmpty()) {
        return false;
    }
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString isoWithOffset(const QDateTime& t) {
    const int offset = t.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return t.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           QStringLiteral("%1%2:%3")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

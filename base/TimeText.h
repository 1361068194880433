#pragma once

#include <QDateTime>
#include <QString>
#include <stdexcept>

// Raised where a counter or time computation would leave the 32-bit range.
class OverflowError : public std::overflow_error {
public:
    OverflowError() : std::overflow_error("Overflow") {}
};

// Seconds as "hh:mm:ss". Past 23 hours the hour part keeps counting (100:00:00), and a
// negative count gets a leading minus, so the text never wraps.
QString SecondsToHms(qint32 seconds);

// A duration in days as: whole days, two blanks, the rest of the day as "hh:mm:ss".
QString DaysToDhms(double days);

// A day count as "hh:mm:ss dddd, mmm d yyyy" with names in the user's language.
QString TimeStampText(double days);

// A date-time in the general date format used by the load and save status texts.
QString GeneralDateText(const QDateTime& t);

// Local time with its offset from UTC, as ISO 8601 gives it: 2026-12-08T20:51:18+01:00.
QString isoWithOffset(const QDateTime& t);

// True when a file is at path; every failure (no file, a folder, a bad path) gives false.
bool FileExistsAt(const QString& path);

// Adds two 32-bit counters, raising OverflowError instead of wrapping.
qint32 checkedAdd(qint32 a, qint32 b);
// Multiplies two 32-bit counters, raising OverflowError instead of wrapping.
qint32 checkedMul(qint32 a, qint32 b);
// Rounds to the nearest whole number, halves to even, raising OverflowError outside 32 bits.
qint32 roundToInt32(double v);

#pragma once

#include <QString>
#include <QStringView>

// The numeric value of a text the way a decimal reader takes it: leading blanks skipped, the
// longest leading number (sign, digits, decimal point, exponent) taken, 0 when there is none.
// "7x" gives 7, "1.9" gives 1.9, "abc" and "" give 0.
double leadingNumber(QStringView text);

// The leading number of a text rounded down, its magnitude, capped at maximum, as plain
// decimal: how step fields and pump levels keep their range. "-7" gives "7", "2.9" gives "2",
// "-3.5" gives "4", "" gives "0", "75" with maximum 59 gives "59".
QString wholeMagnitudeText(QStringView text, int maximum);

// A reading as decimal text: up to 15 significant digits, no trailing zeros, the locale's
// decimal separator and no digit grouping.
QString readingText(double value);

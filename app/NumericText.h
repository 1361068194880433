#pragma once

#include <QStringView>

// The numeric value of a text the way a decimal reader takes it: leading blanks skipped, the
// longest leading number (sign, digits, decimal point, exponent) taken, 0 when there is none.
// "7x" gives 7, "1.9" gives 1.9, "abc" and "" give 0.
double leadingNumber(QStringView text);

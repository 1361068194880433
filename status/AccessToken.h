#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The status page's access token: 128 bits from the system's random generator, as URL-safe
// text (base64url without padding, 22 characters).
QByteArray newAccessToken();

// Whether given equals expected, in a time that does not depend on where they differ, so the
// answer's timing tells a guesser nothing about the token.
bool tokenMatches(QByteArrayView given, QByteArrayView expected);

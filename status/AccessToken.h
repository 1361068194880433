#pragma once

#include <QByteArray>
#include <QByteArrayView>

// The status page's access token: 128 bits from the system's random generator, as URL-safe
// text (base64url without padding, 22 characters).
QByteArray newAccessToken();

// Whether text can serve as a token: at least 16 and at most 256 characters of the URL-safe
// alphabet (letters, digits, "-" and "_"), so it goes into a link and a page as it stands and
// is not guessed in a few thousand tries.
bool isAccessToken(QByteArrayView text);

// Whether given equals expected, in a time that does not depend on where they differ, so the
// answer's timing tells a guesser nothing about the token.
bool tokenMatches(QByteArrayView given, QByteArrayView expected);

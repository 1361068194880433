#include "status/AccessToken.h"

#include <QRandomGenerator>
#include <algorithm>
#include <array>

QByteArray newAccessToken() {
    std::array<quint32, 4> words{};
    QRandomGenerator::system()->fillRange(words.data(), words.size());
    const QByteArray raw(reinterpret_cast<const char*>(words.data()),
                         static_cast<qsizetype>(words.size() * sizeof(quint32)));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

bool isAccessToken(QByteArrayView text) {
    return text.size() >= 16 && text.size() <= 256 &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '_';
           });
}

bool tokenMatches(QByteArrayView given, QByteArrayView expected) {
    if (expected.isEmpty()) {
        return false;
    }
    // Every byte of the expected token is looked at, whatever the given one holds.
    unsigned difference = given.size() == expected.size() ? 0U : 1U;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const char g = i < given.size() ? given[i] : '\0';
        difference |= static_cast<unsigned char>(g ^ expected[i]);
    }
    return difference == 0;
}

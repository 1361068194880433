#include "serial/FrameText.h"

#include "serial/CommControl.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f'));
}

bool isBytePiece(const QString& piece) {
    return piece.size() == 2 && isHexDigit(piece[0]) && isHexDigit(piece[1]);
}

// Joins pieces last, last-1, ... (most significant first) and reads them as one number.
quint64 joinedHex(const QStringList& pieces, int last, int count) {
    if (last - count + 1 < 0 || last >= pieces.size()) {
        throw CommError(CommErrorCode::SubscriptOutOfRange,
                        QStringLiteral("Subscript out of range"));
    }
    QString digits;
    for (int i = last; i > last - count; --i) {
        digits += pieces[i];
    }
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, 16);
    if (!ok || digits.size() > 2 * count) {
        throw CommError(CommErrorCode::TypeMismatch, QStringLiteral("Type mismatch"));
    }
    return value;
}

} // namespace

QString hexText(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        text += QLatin1Char(kHexDigits[b >> 4]);
        text += QLatin1Char(kHexDigits[b & 0x0F]);
        text += QLatin1Char(' ');
    }
    return text;
}

double data_conversion4(const QStringList& pieces, int last) {
    return static_cast<double>(joinedHex(pieces, last, 4)) / 10.0;
}

double data_conversion4s(const QStringList& pieces, int last) {
    return static_cast<double>(joinedHex(pieces, last, 4));
}

double data_conversion2(const QStringList& pieces, int last) {
    return static_cast<double>(joinedHex(pieces, last, 2));
}

SimulatedFrame simulateFrameText(const QString& text) {
    SimulatedFrame result;
    const QStringList pieces = text.split(QLatin1Char(' '));
    if (pieces.size() != static_cast<qsizetype>(frames::kFrameSize)) {
        return result;
    }
    std::array<std::uint8_t, frames::kFrameSize> bytes{};
    for (std::size_t i = 0; i < frames::kFrameSize; ++i) {
        const QString& piece = pieces[static_cast<qsizetype>(i)];
        if (!isBytePiece(piece)) {
            return result;
        }
        bytes[i] = static_cast<std::uint8_t>(piece.toUInt(nullptr, 16));
    }
    const std::uint8_t sum = frames::frameChecksum(bytes);
    result.checksumText = hexText(QByteArrayView(reinterpret_cast<const char*>(&sum), 1)).trimmed();
    // The checksum and header are compared as typed text: lower-case digits there do not match.
    if (pieces[27] != result.checksumText ||
        pieces.mid(0, 3).join(QLatin1Char(' ')) != QLatin1String("AB 00 06")) {
        return result;
    }
    result.accepted = true;
    result.reading.values[frames::Voltage] = data_conversion4(pieces, 6);
    result.reading.values[frames::Current] = data_conversion4(pieces, 10);
    result.reading.values[frames::Charge] = data_conversion4(pieces, 14);
    result.reading.values[frames::Energy] = data_conversion4(pieces, 18);
    result.reading.values[frames::Time] = data_conversion4s(pieces, 22) / 100.0;
    result.reading.values[frames::DPlus] = data_conversion2(pieces, 24);
    result.reading.values[frames::DMinus] = data_conversion2(pieces, 26);
    return result;
}

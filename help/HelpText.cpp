#include "help/HelpText.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>

namespace {

// The charset a page names in its head (<meta charset=...> or the http-equiv form).
QByteArray declaredCharset(const QByteArray& bytes) {
    static const QRegularExpression charset(
        QStringLiteral("<meta[^>]*charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    // Only the head matters; a bounded prefix keeps the search cheap on long pages.
    const QString head = QString::fromLatin1(bytes.left(2048));
    const QRegularExpressionMatch m = charset.match(head);
    return m.hasMatch() ? m.captured(1).toLatin1() : QByteArray();
}

// Decodes with the named encoding; nothing when the name is unknown or the bytes do not fit.
bool tryDecode(const QByteArray& bytes, const QByteArray& encoding, QString& text) {
    if (encoding.isEmpty()) {
        return false;
    }
    QStringDecoder decoder(encoding.constData());
    if (!decoder.isValid()) {
        return false;
    }
    text = decoder.decode(bytes);
    return !decoder.hasError();
}

} // namespace

QString decodeHelpText(const QByteArray& bytes, const QByteArray& fallbackEncoding) {
    QString text;
    // A byte order mark is unambiguous.
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF")) {
        const auto encoding = QStringConverter::encodingForData(bytes);
        if (encoding) {
            QStringDecoder decoder(*encoding, QStringConverter::Flag::Stateless);
            return decoder.decode(bytes);
        }
    }
    if (tryDecode(bytes, declaredCharset(bytes), text)) {
        return text;
    }
    if (tryDecode(bytes, "UTF-8", text)) {
        return text;
    }
    if (tryDecode(bytes, fallbackEncoding, text)) {
        return text;
    }
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? windows.decode(bytes) : QString::fromLatin1(bytes);
}

QByteArray encodingForLanguage(quint32 lcid) {
    switch (lcid & 0xFFFF) {
    case 0x0804: // Chinese (PRC)
    case 0x1004: // Chinese (Singapore)
        return "GB18030";
    case 0x0404: // Chinese (Taiwan)
    case 0x0C04: // Chinese (Hong Kong)
    case 0x1404: // Chinese (Macao)
        return "Big5";
    case 0x0411:
        return "Shift_JIS";
    case 0x0412:
        return "EUC-KR";
    default:
        return {};
    }
}

QString withStyleSheetTypes(const QString& html) {
    static const QRegularExpression link(
        QStringLiteral("<link\\b(?![^>]*\\btype\\s*=)(?=[^>]*\\brel\\s*=\\s*[\"']?stylesheet)"),
        QRegularExpression::CaseInsensitiveOption);
    QString out = html;
    out.replace(link, QStringLiteral("<link type=\"text/css\""));
    return out;
}

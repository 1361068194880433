#include "help/HelpContents.h"

#include <QHash>
#include <vector>

namespace {

// One start or end tag with its attributes (names folded to lower case).
struct Tag {
    QString name; // lower case, without "/"
    bool closing = false;
    QHash<QString, QString> attributes;
};

bool isSpace(QChar c) {
    return c.isSpace();
}

// Reads the tag that starts at text[pos] == '<'; pos ends after its '>' (or at the end of the
// text when the tag is not closed). Comments and declarations yield a tag with an empty name.
Tag readTag(const QString& text, qsizetype& pos) {
    Tag tag;
    const qsizetype size = text.size();
    if (text.mid(pos, 4) == QLatin1String("<!--")) {
        const qsizetype end = text.indexOf(QLatin1String("-->"), pos + 4);
        pos = end < 0 ? size : end + 3;
        return tag;
    }
    ++pos;
    if (pos < size && text[pos] == QLatin1Char('/')) {
        tag.closing = true;
        ++pos;
    }
    const qsizetype nameStart = pos;
    while (pos < size && !isSpace(text[pos]) && text[pos] != QLatin1Char('>') &&
           text[pos] != QLatin1Char('/')) {
        ++pos;
    }
    tag.name = text.mid(nameStart, pos - nameStart).toLower();
    if (tag.name.startsWith(QLatin1Char('!')) || tag.name.startsWith(QLatin1Char('?'))) {
        tag.name.clear();
    }
    while (pos < size && text[pos] != QLatin1Char('>')) {
        if (isSpace(text[pos]) || text[pos] == QLatin1Char('/')) {
            ++pos;
            continue;
        }
        const qsizetype attrStart = pos;
        while (pos < size && !isSpace(text[pos]) && text[pos] != QLatin1Char('=') &&
               text[pos] != QLatin1Char('>')) {
            ++pos;
        }
        const QString attrName = text.mid(attrStart, pos - attrStart).toLower();
        while (pos < size && isSpace(text[pos])) {
            ++pos;
        }
        QString value;
        if (pos < size && text[pos] == QLatin1Char('=')) {
            ++pos;
            while (pos < size && isSpace(text[pos])) {
                ++pos;
            }
            if (pos < size && (text[pos] == QLatin1Char('"') || text[pos] == QLatin1Char('\''))) {
                const QChar quote = text[pos++];
                const qsizetype end = text.indexOf(quote, pos);
                const qsizetype stop = end < 0 ? size : end;
                value = text.mid(pos, stop - pos);
                pos = end < 0 ? size : end + 1;
            } else {
                const qsizetype valueStart = pos;
                while (pos < size && !isSpace(text[pos]) && text[pos] != QLatin1Char('>')) {
                    ++pos;
                }
                value = text.mid(valueStart, pos - valueStart);
            }
        }
        if (!attrName.isEmpty() && !tag.attributes.contains(attrName)) {
            tag.attributes.insert(attrName, decodeHtmlEntities(value));
        }
    }
    if (pos < size) {
        ++pos; // the '>'
    }
    return tag;
}

// Builds the tree while the tags stream by. The stack holds the lists entries go into: the
// top is the innermost open <UL>. Only the top list grows while it is open, so the pointers
// below it stay valid.
class ContentsBuilder {
public:
    ContentsBuilder() { m_lists.push_back(&m_root); }

    void tag(const Tag& tag) {
        if (tag.name == QLatin1String("object")) {
            if (tag.closing) {
                finishObject();
            } else {
                finishObject();
                m_inSitemap = tag.attributes.value(QStringLiteral("type"))
                                  .trimmed()
                                  .compare(QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0;
                m_inObject = true;
            }
        } else if (tag.name == QLatin1String("param") && m_inObject && m_inSitemap) {
            const QString name = tag.attributes.value(QStringLiteral("name")).trimmed().toLower();
            const QString value = tag.attributes.value(QStringLiteral("value"));
            // The first "Name" and "Local" count; merged entries repeat them.
            if (name == QLatin1String("name") && !m_hasName) {
                m_current.name = value.trimmed();
                m_hasName = true;
            } else if (name == QLatin1String("local") && !m_hasLocal) {
                m_current.local = value.trimmed();
                m_hasLocal = true;
            }
        } else if (tag.name == QLatin1String("ul")) {
            finishObject();
            if (tag.closing) {
                closeList();
            } else {
                openList();
            }
        } else if (tag.name == QLatin1String("li")) {
            finishObject();
        }
    }

    QList<HelpTopic> take() {
        finishObject();
        return std::move(m_root);
    }

private:
    void openList() {
        QList<HelpTopic>* top = m_lists.back();
        // A nested list belongs to the entry before it; one without such an entry, or one
        // beyond the depth limit, continues the current list.
        const bool nests =
            !top->isEmpty() && static_cast<int>(m_lists.size()) < kMaxHelpContentsDepth;
        m_opened.push_back(nests);
        if (nests) {
            m_lists.push_back(&top->last().children);
        }
    }

    void closeList() {
        if (m_opened.empty()) {
            return; // a stray </UL>
        }
        if (m_opened.back()) {
            m_lists.pop_back();
        }
        m_opened.pop_back();
    }

    void finishObject() {
        if (m_inObject && m_inSitemap &&
            (!m_current.name.isEmpty() || !m_current.local.isEmpty())) {
            if (m_current.name.isEmpty()) {
                m_current.name = m_current.local;
            }
            m_lists.back()->append(std::move(m_current));
        }
        m_current = HelpTopic();
        m_inObject = false;
        m_inSitemap = false;
        m_hasName = false;
        m_hasLocal = false;
    }

    QList<HelpTopic> m_root;
    std::vector<QList<HelpTopic>*> m_lists;
    std::vector<bool> m_opened; // per open <UL>: whether it opened a level of its own
    HelpTopic m_current;
    bool m_inObject = false;
    bool m_inSitemap = false;
    bool m_hasName = false;
    bool m_hasLocal = false;
};

} // namespace

QList<HelpTopic> parseHelpContents(const QString& html) {
    ContentsBuilder builder;
    qsizetype pos = 0;
    while (true) {
        pos = html.indexOf(QLatin1Char('<'), pos);
        if (pos < 0) {
            break;
        }
        builder.tag(readTag(html, pos));
    }
    return builder.take();
}

QString decodeHtmlEntities(const QString& text) {
    if (!text.contains(QLatin1Char('&'))) {
        return text;
    }
    static const QHash<QString, QString> named = {{QStringLiteral("amp"), QStringLiteral("&")},
                                                  {QStringLiteral("lt"), QStringLiteral("<")},
                                                  {QStringLiteral("gt"), QStringLiteral(">")},
                                                  {QStringLiteral("quot"), QStringLiteral("\"")},
                                                  {QStringLiteral("apos"), QStringLiteral("'")},
                                                  {QStringLiteral("nbsp"), QString(QChar(0xA0))},
                                                  {QStringLiteral("copy"), QString(QChar(0xA9))},
                                                  {QStringLiteral("reg"), QString(QChar(0xAE))}};
    QString out;
    out.reserve(text.size());
    qsizetype pos = 0;
    while (pos < text.size()) {
        const QChar c = text[pos];
        const qsizetype semicolon =
            c == QLatin1Char('&') ? text.indexOf(QLatin1Char(';'), pos + 1) : -1;
        // References are short; a far-off ';' means a bare '&'.
        if (semicolon < 0 || semicolon - pos > 12) {
            out += c;
            ++pos;
            continue;
        }
        const QString body = text.mid(pos + 1, semicolon - pos - 1);
        QString replacement;
        if (body.startsWith(QLatin1Char('#'))) {
            bool ok = false;
            const uint code = body.startsWith(QLatin1String("#x"), Qt::CaseInsensitive)
                                  ? body.mid(2).toUInt(&ok, 16)
                                  : body.mid(1).toUInt(&ok, 10);
            // Only scalar values: no surrogates, nothing beyond Unicode, no NUL.
            if (ok && code != 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
                const char32_t scalar = code;
                replacement = QString::fromUcs4(&scalar, 1);
            }
        } else {
            replacement = named.value(body.toLower());
        }
        if (replacement.isEmpty()) {
            out += c;
            ++pos;
            continue;
        }
        out += replacement;
        pos = semicolon + 1;
    }
    return out;
}

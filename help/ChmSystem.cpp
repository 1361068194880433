#include "help/ChmSystem.h"

#include "help/HelpLinks.h"
#include "help/HelpText.h"

#include <QtEndian>

namespace {

// A zero-terminated string inside one entry (terminator optional), decoded.
QString entryText(const QByteArray& entry, const QByteArray& fallbackEncoding) {
    const qsizetype end = entry.indexOf('\0');
    return decodeHelpText(end >= 0 ? entry.left(end) : entry, fallbackEncoding);
}

// Finds a path among the objects regardless of case (the file's directory ignores case).
QString findObject(const QString& path, const QStringList& objects) {
    if (path.isEmpty()) {
        return {};
    }
    const QString key = helpTopicKey(path);
    for (const QString& object : objects) {
        if (helpTopicKey(object) == key) {
            return object;
        }
    }
    return {};
}

bool isPage(const QString& path) {
    return path.endsWith(QLatin1String(".html"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String(".htm"), Qt::CaseInsensitive);
}

QString firstContentsPage(const QList<HelpTopic>& topics, const QStringList& objects) {
    for (const HelpTopic& topic : topics) {
        const QString found = findObject(topic.local, objects);
        if (!found.isEmpty()) {
            return found;
        }
        const QString nested = firstContentsPage(topic.children, objects);
        if (!nested.isEmpty()) {
            return nested;
        }
    }
    return {};
}

} // namespace

ChmSystemInfo parseChmSystem(const QByteArray& data) {
    ChmSystemInfo info;
    QByteArray title;
    QByteArray topic;
    QByteArray contents;
    qsizetype pos = 4; // after the version
    while (pos + 4 <= data.size()) {
        const auto* p = reinterpret_cast<const uchar*>(data.constData() + pos);
        const quint16 code = qFromLittleEndian<quint16>(p);
        const quint16 length = qFromLittleEndian<quint16>(p + 2);
        pos += 4;
        if (length > data.size() - pos) {
            break; // damaged: the entry claims more than is left
        }
        const QByteArray entry = data.mid(pos, length);
        pos += length;
        switch (code) {
        case 0:
            contents = entry;
            break;
        case 2:
            topic = entry;
            break;
        case 3:
            title = entry;
            break;
        case 4:
            if (entry.size() >= 4) {
                info.language = qFromLittleEndian<quint32>(entry.constData());
            }
            break;
        default:
            break;
        }
    }
    const QByteArray fallback = encodingForLanguage(info.language);
    const QString contentsName = entryText(contents, fallback).trimmed();
    const QString topicName = entryText(topic, fallback).trimmed();
    info.contentsFile = contentsName.isEmpty() ? QString() : normalizeHelpPath(contentsName);
    info.defaultTopic = topicName.isEmpty() ? QString() : normalizeHelpPath(topicName);
    info.title = entryText(title, fallback).trimmed();
    return info;
}

QString chooseStartPage(const QString& defaultTopic, const QList<HelpTopic>& contents,
                        const QStringList& objects) {
    QString page = findObject(defaultTopic, objects);
    if (page.isEmpty()) {
        page = firstContentsPage(contents, objects);
    }
    if (page.isEmpty()) {
        page = findObject(QStringLiteral("/index.html"), objects);
    }
    if (page.isEmpty()) {
        page = findObject(QStringLiteral("/index.htm"), objects);
    }
    if (page.isEmpty()) {
        for (const QString& object : objects) {
            if (isPage(object)) {
                return object;
            }
        }
    }
    return page;
}

QString chooseContentsFile(const QString& named, const QStringList& objects) {
    const QString found = findObject(named, objects);
    if (!found.isEmpty()) {
        return found;
    }
    for (const QString& object : objects) {
        if (object.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
            return object;
        }
    }
    return {};
}

#include "help/HelpLinks.h"

#include <QStringList>

QString normalizeHelpPath(const QString& path) {
    QString clean = path;
    clean.replace(QLatin1Char('\\'), QLatin1Char('/'));
    const qsizetype hash = clean.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        clean.truncate(hash);
    }
    QStringList parts;
    for (const QString& part : clean.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String(".")) {
            continue;
        }
        if (part == QLatin1String("..")) {
            if (!parts.isEmpty()) {
                parts.removeLast();
            }
            continue;
        }
        parts << part;
    }
    return QLatin1Char('/') + parts.join(QLatin1Char('/'));
}

QUrl helpUrl(const QString& objectPath, const QString& fragment) {
    QUrl url;
    url.setScheme(QString::fromLatin1(kHelpScheme));
    url.setPath(normalizeHelpPath(objectPath));
    if (!fragment.isEmpty()) {
        url.setFragment(fragment);
    }
    return url;
}

std::optional<QString> helpPathOf(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    if (scheme.isEmpty() || scheme == QLatin1String(kHelpScheme)) {
        return normalizeHelpPath(url.path());
    }
    // HTML Help's own link forms name a file and then the object after "::".
    if (scheme == QLatin1String("ms-its") || scheme == QLatin1String("mk") ||
        scheme == QLatin1String("its")) {
        const QString whole = url.toString(QUrl::RemoveFragment | QUrl::FullyDecoded);
        const qsizetype separator = whole.indexOf(QLatin1String("::"));
        if (separator < 0) {
            return std::nullopt;
        }
        return normalizeHelpPath(whole.mid(separator + 2));
    }
    return std::nullopt;
}

QString helpTopicKey(const QString& objectPath, const QString& fragment) {
    QString key = normalizeHelpPath(objectPath).toCaseFolded();
    if (!fragment.isEmpty()) {
        key += QLatin1Char('#') + fragment;
    }
    return key;
}

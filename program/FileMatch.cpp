#include "program/FileMatch.h"

#include <QDir>
#include <QFileInfo>

QStringList matchingFileNames(const QString& pattern) {
    if (pattern.isEmpty()) {
        return {};
    }
    QString folder;
    QString name = pattern;
    qsizetype cut = pattern.lastIndexOf(QLatin1Char('/'));
#ifdef Q_OS_WIN
    cut = std::max(cut, pattern.lastIndexOf(QLatin1Char('\\')));
#endif
    if (cut >= 0) {
        folder = pattern.left(cut + 1);
        name = pattern.mid(cut + 1);
    }
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    if (name.isEmpty() || name == QLatin1String("*.*")) {
        name = QStringLiteral("*");
    }
    const bool wildcard = name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
    if (!wildcard) {
        const QFileInfo info(dir.filePath(name));
        return info.isFile() ? QStringList{info.fileName()} : QStringList{};
    }
    return dir.entryList(QStringList{name}, QDir::Files, QDir::Name);
}

QString fileListText(const QStringList& names) {
    QString text;
    for (const QString& name : names) {
        text += name + QStringLiteral("\r\n");
    }
    return text;
}

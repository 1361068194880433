#include "base/Paths.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString g_programFolder;

QString homeFolder(const char* name) {
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\") + QLatin1String(name) + QLatin1Char('\\');
#else
    return QDir::homePath() + QLatin1Char('/') + QLatin1String(name) + QLatin1Char('/');
#endif
}
} // namespace

QString programFolder() {
    if (!g_programFolder.isEmpty()) {
        return g_programFolder;
    }
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder) {
    g_programFolder = folder;
}

bool enterProgramFolder() {
    return QDir::setCurrent(programFolder());
}

QString workingFolder() {
    return homeFolder("@TSY2022");
}

QString exportFolder() {
    return homeFolder("@TSY2023MP3");
}

#include "run/ExportFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString prepareExportFolder(const QString& folder, const std::atomic<bool>& cancel) {
    const QFileInfo info(folder);
    if (info.isDir()) {
        // Hidden files too: a join cut short by a crash leaves one.
        const QFileInfoList files =
            QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
        for (const QFileInfo& file : files) {
            if (cancel.load(std::memory_order_relaxed)) {
                return {};
            }
            QFile f(file.filePath());
            if (!f.remove()) {
                return QStringLiteral("%1 cannot be deleted: %2")
                    .arg(file.fileName(), f.errorString());
            }
        }
        return {};
    }
    if (info.exists() || info.isSymLink()) {
        return QStringLiteral("a file of that name is in the way");
    }
    if (!QDir().mkpath(folder)) {
        return QStringLiteral("it cannot be created");
    }
    return {};
}

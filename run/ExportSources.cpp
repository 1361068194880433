#include "run/ExportSources.h"

#include "base/NumericText.h"
#include "base/TimeText.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <cmath>

QStringList exportSourceList(const StepTexts& step) {
    const QString tenSeconds = step.left + step.right + QStringLiteral(".MC");
    const QString minute = QLatin1Char('C') + tenSeconds;

    const double secondsValue = leadingNumber(step.seconds);
    const qint32 seconds = roundToInt32(secondsValue);
    const qint32 fullTens = roundToInt32(std::floor(secondsValue / 10));
    const qint32 minutes = roundToInt32(leadingNumber(step.minutes));
    const qint32 hourMinutes = roundToInt32(leadingNumber(step.hours) * 60);

    QStringList names{QStringLiteral("A00.MC")};
    // A remainder of 0 or 1 second is too short to be worth a clip of its own.
    if (seconds % 10 > 1) {
        names << tenSeconds;
    }
    for (qint32 k = 0; k < fullTens; ++k) {
        names << tenSeconds;
    }
    for (qint32 k = 0; k < minutes; ++k) {
        names << minute;
    }
    for (qint32 k = 0; k < hourMinutes; ++k) {
        names << minute;
    }
    return names;
}

QString findSourceFile(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const QFileInfo exact(dir, name);
    if (exact.isFile()) {
        return exact.filePath();
    }
    const QFileInfoList entries = dir.entryInfoList(QDir::Files, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().compare(name, Qt::CaseInsensitive) == 0) {
            return entry.filePath();
        }
    }
    return {};
}

JoinOutcome joinStep(const StepJoin& job, const std::atomic<bool>& cancel, CopyMethod method) {
    // A long step names the same minute clip hundreds of times; look each name up once.
    QHash<QString, QString> found;
    QStringList paths;
    paths.reserve(job.sourceNames.size());
    for (const QString& name : job.sourceNames) {
        auto it = found.constFind(name);
        if (it == found.constEnd()) {
            const QString path = findSourceFile(job.sourceFolder, name);
            if (path.isEmpty()) {
                JoinOutcome missing;
                missing.status = JoinStatus::SourceMissing;
                missing.source = name;
                return missing;
            }
            it = found.insert(name, path);
        }
        paths << *it;
    }
    return joinFiles(paths, job.destination, cancel, method);
}

#include "run/RunRecordFile.h"

#include <QDir>

std::unique_ptr<RunRecordFile> RunRecordFile::create(const QString& folder, const QDateTime& start,
                                                     QString* reason) {
    if (!QDir().mkpath(folder)) {
        *reason = QStringLiteral("the folder %1 could not be created").arg(folder);
        return nullptr;
    }
    const QString stem =
        QDir(folder).filePath(start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    for (int n = 1; n < 1000; ++n) {
        const QString path =
            stem + (n == 1 ? QString() : QStringLiteral("_%1").arg(n)) + QStringLiteral(".tsv");
        std::unique_ptr<RunRecordFile> record(new RunRecordFile(path));
        // NewOnly: a record is never written over, not even one made in the same second.
        if (record->m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::NewOnly |
                                QIODevice::Unbuffered)) {
            return record;
        }
        if (!QFileInfo::exists(path)) {
            *reason = record->m_file.errorString();
            return nullptr;
        }
    }
    *reason = QStringLiteral("too many records started at %1").arg(stem);
    return nullptr;
}

bool RunRecordFile::writeLine(const QString& text, QString* reason) {
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    if (m_file.write(bytes) != bytes.size()) {
        *reason = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}

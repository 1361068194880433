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

std::unique_ptr<RunRecordFile> RunRecordFile::append(const QString& path, QString* reason) {
    const QByteArray kFirstLine = "# run record\n";
    std::unique_ptr<RunRecordFile> record(new RunRecordFile(path));
    QFile& file = record->m_file;
    // The path comes from outside (the run journal): only a record of ours is ever added to.
    if (!QFileInfo(path).isFile()) {
        *reason = QStringLiteral("it is gone");
        return nullptr;
    }
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *reason = file.errorString();
        return nullptr;
    }
    if (file.read(kFirstLine.size()) != kFirstLine) {
        *reason = QStringLiteral("it is not a run record");
        return nullptr;
    }
    const qint64 size = file.size();
    if (!file.seek(size - 1)) {
        *reason = file.errorString();
        return nullptr;
    }
    const bool ended = file.read(1) == "\n";
    if (!file.seek(size) || (!ended && file.write("\n") != 1)) {
        *reason = file.errorString();
        return nullptr;
    }
    return record;
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

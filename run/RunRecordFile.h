#pragma once

#include <QDateTime>
#include <QFile>
#include <QString>
#include <memory>
#include <optional>

// One run record on disk: created new (an existing file is never touched), written append-only
// and unbuffered, one line at a time, so a crash loses at most the line being written.
class RunRecordFile {
public:
    // Creates folder/YYYY-MM-DD_HH-MM-SS.tsv for start (with "_2", "_3", ... when taken).
    // Nothing when the file cannot be created; *reason then says why.
    static std::unique_ptr<RunRecordFile> create(const QString& folder, const QDateTime& start,
                                                 QString* reason);

    // Opens an existing record at path to append to it. Nothing when it is not a run record or
    // cannot be opened; *reason then says why. A line cut short by a crash is ended first.
    static std::unique_ptr<RunRecordFile> append(const QString& path, QString* reason);

    // Appends text and a line end; false when not all of it reached the file (*reason says why).
    [[nodiscard]] bool writeLine(const QString& text, QString* reason);

    QString path() const { return m_file.fileName(); }

private:
    explicit RunRecordFile(const QString& path) : m_file(path) {}
    QFile m_file;
};

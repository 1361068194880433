#pragma once

#include "help/ChmSystem.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

struct chmFile; // libchm's handle

// A compiled HTML help (CHM) file opened for reading, over libchm. Copies share the open file;
// it closes with the last copy. Everything read from the file is treated as outside input: the
// container is checked before libchm sees it and every size is bounded.
class ChmFile {
public:
    enum class Error { None, NotFound, NotAFile, Unreadable, Damaged };

    // The largest object read; help pages and images are far smaller, and a damaged directory
    // must not make the viewer allocate whatever it claims.
    static constexpr qint64 kMaxObjectSize = 64 * 1024 * 1024;

    // Opens the file; false when it cannot be used, with error() and errorString() saying why.
    bool open(const QString& path);
    void close();

    bool isOpen() const { return m_file != nullptr; }
    QString path() const { return m_path; }
    Error error() const { return m_error; }
    // Why the file could not be opened, as a whole sentence naming the file and its folder,
    // e.g. "The help file Help_English.chm could not be found in /opt/tessaly."
    QString errorString() const { return m_errorString; }

    // The bytes of an object ("/index.html"; case does not matter), or nothing when the file
    // does not hold it or it cannot be read whole.
    std::optional<QByteArray> read(const QString& objectPath) const;
    // The files the help file holds, as object paths, in directory order (folders and the
    // compiler's internal objects left out).
    QStringList objects() const { return m_objects; }

    // What "/#SYSTEM" says, and the page and contents file to use (with their fallbacks).
    const ChmSystemInfo& system() const { return m_system; }
    QString title() const { return m_system.title; }
    QString contentsFile() const { return m_contentsFile; }
    QList<HelpTopic> contents() const { return m_contents; }
    QString startPage() const { return m_startPage; }
    // The code page of the file's language, for text that is not UTF-8.
    QByteArray fallbackEncoding() const;

private:
    bool fail(Error error, const QString& text);

    std::shared_ptr<::chmFile> m_file;
    QString m_path;
    Error m_error = Error::None;
    QString m_errorString;
    QStringList m_objects;
    ChmSystemInfo m_system;
    QString m_contentsFile;
    QList<HelpTopic> m_contents;
    QString m_startPage;
};

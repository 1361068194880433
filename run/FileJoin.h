#pragma once

#include <QString>
#include <QStringList>
#include <atomic>

// How the bytes are moved: Fastest lets the kernel copy between the files (copy_file_range)
// and falls back to ReadWrite where it cannot; ReadWrite always goes through a small buffer.
enum class CopyMethod { Fastest, ReadWrite };

enum class JoinStatus { Complete, SourceMissing, SourceFailed, WriteFailed, Cancelled };

struct JoinOutcome {
    JoinStatus status = JoinStatus::Complete;
    // The source that could not be found or read.
    QString source;
    // The system's words for a failed read or write.
    QString reason;
    // Bytes in the finished file.
    qint64 bytes = 0;

    bool complete() const { return status == JoinStatus::Complete; }
};

// Writes the concatenation of the sources, in order, to destination. The bytes go to a hidden
// temporary file beside it, renamed to destination only once complete, so destination never
// holds a partial join. The files are streamed, never held in memory. Sources may repeat; each
// is opened once. Safe to call from any thread; cancel is looked at between chunks.
[[nodiscard]] JoinOutcome joinFiles(const QStringList& sources, const QString& destination,
                                    const std::atomic<bool>& cancel,
                                    CopyMethod method = CopyMethod::Fastest);

#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <optional>

// A small file that always holds its last entry whole, whatever moment a write is cut at: two
// slots written in turn, each entry with a sequence number and a SHA-256 over it, each write
// flushed to the disk before it returns. A write cut in the middle spoils only its own slot,
// and the other still holds the entry before it.
class JournalFile {
public:
    static constexpr int kSlotBytes = 2048;
    static constexpr int kHeaderBytes = 4 + 8 + 4 + 32;
    static constexpr int kMaxEntryBytes = kSlotBytes - kHeaderBytes;

    // The newest whole entry of a journal's bytes; nothing for an empty, cut, damaged or
    // foreign file.
    static std::optional<QByteArray> newestEntry(const QByteArray& fileBytes);
    // The bytes of entry number sequence and the offset they are written at.
    static QByteArray slotBytes(quint64 sequence, const QByteArray& entry);
    static qint64 slotOffset(quint64 sequence) { return (sequence % 2) * kSlotBytes; }

    // Opens (creating) the journal at path, numbering on from the entries it holds.
    bool open(const QString& path, QString* reason);
    // Writes entry durably; false, with *reason, when it is too long or did not reach the disk.
    bool write(const QByteArray& entry, QString* reason);

private:
    QFile m_file;
    quint64 m_sequence = 0;
};

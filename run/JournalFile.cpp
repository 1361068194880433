#include "run/JournalFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

constexpr char kMagic[4] = {'T', 'S', 'Y', 'J'};

QByteArray digestOf(quint64 sequence, quint32 length, const QByteArray& entry) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    char numbers[12];
    qToLittleEndian(sequence, numbers);
    qToLittleEndian(length, numbers + 8);
    hash.addData(QByteArrayView(numbers, sizeof numbers));
    hash.addData(entry);
    return hash.result();
}

struct Slot {
    quint64 sequence = 0;
    QByteArray entry;
};

std::optional<Slot> readSlot(const QByteArray& bytes, qint64 offset) {
    if (bytes.size() < offset + JournalFile::kHeaderBytes) {
        return std::nullopt;
    }
    const char* p = bytes.constData() + offset;
    if (QByteArrayView(p, 4) != QByteArrayView(kMagic, 4)) {
        return std::nullopt;
    }
    const auto sequence = qFromLittleEndian<quint64>(p + 4);
    const auto length = qFromLittleEndian<quint32>(p + 12);
    if (length > static_cast<quint32>(JournalFile::kMaxEntryBytes) ||
        bytes.size() < offset + JournalFile::kHeaderBytes + length ||
        JournalFile::slotOffset(sequence) != offset) {
        return std::nullopt;
    }
    QByteArray entry(p + JournalFile::kHeaderBytes, length);
    if (digestOf(sequence, length, entry) != QByteArrayView(p + 16, 32)) {
        return std::nullopt;
    }
    return Slot{sequence, std::move(entry)};
}

#ifdef Q_OS_UNIX
// A new file's name is durable only once its folder is.
void syncFolder(const QString& path) {
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}
#endif

} // namespace

std::optional<QByteArray> JournalFile::newestEntry(const QByteArray& fileBytes) {
    const std::optional<Slot> a = readSlot(fileBytes, 0);
    const std::optional<Slot> b = readSlot(fileBytes, kSlotBytes);
    if (a && (!b || a->sequence > b->sequence)) {
        return a->entry;
    }
    if (b) {
        return b->entry;
    }
    return std::nullopt;
}

QByteArray JournalFile::slotBytes(quint64 sequence, const QByteArray& entry) {
    const auto length = static_cast<quint32>(entry.size());
    QByteArray bytes(kMagic, 4);
    char numbers[12];
    qToLittleEndian(sequence, numbers);
    qToLittleEndian(length, numbers + 8);
    bytes.append(numbers, sizeof numbers);
    bytes.append(digestOf(sequence, length, entry));
    bytes.append(entry);
    return bytes;
}

bool JournalFile::open(const QString& path, QString* reason) {
    m_file.close();
    m_file.setFileName(path);
    const bool existed = QFileInfo::exists(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        *reason = m_file.errorString();
        return false;
    }
    // Numbering goes on from the newest slot, so the next entry is always the newest.
    const QByteArray bytes = m_file.read(2 * kSlotBytes);
    m_sequence = 0;
    for (const qint64 offset : {qint64{0}, qint64{kSlotBytes}}) {
        if (const std::optional<Slot> slot = readSlot(bytes, offset)) {
            m_sequence = std::max(m_sequence, slot->sequence);
        }
    }
#ifdef Q_OS_UNIX
    if (!existed) {
        syncFolder(path);
    }
#else
    Q_UNUSED(existed);
#endif
    return true;
}

bool JournalFile::write(const QByteArray& entry, QString* reason) {
    if (!m_file.isOpen()) {
        *reason = QStringLiteral("the journal is not open");
        return false;
    }
    if (entry.size() > kMaxEntryBytes) {
        *reason = QStringLiteral("the entry is too long (%1 bytes)").arg(entry.size());
        return false;
    }
    const quint64 sequence = m_sequence + 1;
    const QByteArray bytes = slotBytes(sequence, entry);
    if (!m_file.seek(slotOffset(sequence)) || m_file.write(bytes) != bytes.size()) {
        *reason = m_file.errorString();
        return false;
    }
#ifdef Q_OS_UNIX
    if (::fdatasync(m_file.handle()) != 0) {
        *reason = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
#else
    m_file.flush();
#endif
    m_sequence = sequence;
    return true;
}

#include "help/ChmStructure.h"

#include <QByteArray>
#include <QtEndian>
#include <limits>
#include <optional>
#include <vector>

namespace {

constexpr quint64 kMaxPathLength = 512;  // libchm's CHM_MAX_PATHLEN
constexpr quint64 kLzxFrameSlack = 6144; // the most LZX may grow one frame of data
const char* const kContent = "::DataSpace/Storage/MSCompressed/Content";
const char* const kControlData = "::DataSpace/Storage/MSCompressed/ControlData";
const char* const kResetTable = "::DataSpace/Storage/MSCompressed/Transform/"
                                "{7FC28940-9D31-11D0-9B27-00A0C91E9C7C}/InstanceData/ResetTable";

// Little-endian reads that fail instead of reading outside the image.
class Image {
public:
    explicit Image(QByteArrayView data) : m_data(data) {}

    quint64 size() const { return static_cast<quint64>(m_data.size()); }
    bool has(quint64 offset, quint64 length) const {
        return offset <= size() && length <= size() - offset;
    }
    std::optional<quint32> u32(quint64 offset) const {
        if (!has(offset, 4)) {
            return std::nullopt;
        }
        return qFromLittleEndian<quint32>(m_data.data() + offset);
    }
    std::optional<quint64> u64(quint64 offset) const {
        if (!has(offset, 8)) {
            return std::nullopt;
        }
        return qFromLittleEndian<quint64>(m_data.data() + offset);
    }
    bool matches(quint64 offset, const char* signature) const {
        const auto length = static_cast<quint64>(qstrlen(signature));
        return has(offset, length) && m_data.sliced(offset, length) == QByteArrayView(signature);
    }
    QByteArrayView slice(quint64 offset, quint64 length) const {
        return m_data.sliced(offset, length);
    }

private:
    QByteArrayView m_data;
};

struct Entry {
    QByteArray name;
    quint64 space = 0;
    quint64 start = 0;
    quint64 length = 0;
};

// A variable-length number of the directory: 7 bits a byte, high bit set on all but the last.
bool readEncInt(QByteArrayView chunk, quint64& pos, quint64 end, quint64& value) {
    value = 0;
    for (int i = 0; i < 9; ++i) {
        if (pos >= end) {
            return false;
        }
        const auto byte = static_cast<quint8>(chunk[static_cast<qsizetype>(pos++)]);
        if (value > (std::numeric_limits<quint64>::max() >> 7)) {
            return false;
        }
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

bool readName(QByteArrayView chunk, quint64& pos, quint64 end, QByteArray& name) {
    quint64 length = 0;
    if (!readEncInt(chunk, pos, end, length) || length > kMaxPathLength || length > end - pos) {
        return false;
    }
    name = chunk.sliced(static_cast<qsizetype>(pos), static_cast<qsizetype>(length)).toByteArray();
    pos += length;
    return true;
}

// How a chunk links to others: a listing chunk to the next listing chunk, an index chunk to the
// chunks below it. libchm follows both links without looking back, so a circle would hold it
// (and the viewer) for ever.
struct ChunkLinks {
    bool listing = false;
    qint64 next = -1;
    std::vector<quint64> children;
};

// Parses one listing (PMGL) or index (PMGI) chunk; listing entries are added to entries.
bool readChunk(QByteArrayView chunk, quint64 chunkCount, std::vector<Entry>& entries,
               ChunkLinks& links) {
    const auto blockLength = static_cast<quint64>(chunk.size());
    const bool listing = chunk.startsWith("PMGL");
    if (!listing && !chunk.startsWith("PMGI")) {
        return false;
    }
    links.listing = listing;
    if (listing) {
        links.next = static_cast<qint32>(qFromLittleEndian<quint32>(chunk.data() + 0x10));
    }
    const quint64 header = listing ? 0x14 : 0x08;
    const quint64 freeSpace = qFromLittleEndian<quint32>(chunk.data() + 4);
    if (freeSpace > blockLength - header) {
        return false;
    }
    const quint64 end = blockLength - freeSpace;
    quint64 pos = header;
    while (pos < end) {
        Entry entry;
        if (!readName(chunk, pos, end, entry.name)) {
            return false;
        }
        if (listing) {
            if (!readEncInt(chunk, pos, end, entry.space) ||
                !readEncInt(chunk, pos, end, entry.start) ||
                !readEncInt(chunk, pos, end, entry.length)) {
                return false;
            }
            entries.push_back(std::move(entry));
        } else {
            quint64 child = 0;
            if (!readEncInt(chunk, pos, end, child) || child >= chunkCount) {
                return false;
            }
            links.children.push_back(child);
        }
    }
    return true;
}

// The listing chain from its first chunk must end, and the index must lead down without a
// circle, before libchm walks them.
bool linksEnd(const std::vector<ChunkLinks>& chunks, quint64 firstListing, qint32 indexRoot) {
    const auto count = static_cast<qint64>(chunks.size());
    std::vector<bool> seen(chunks.size(), false);
    for (qint64 chunk = static_cast<qint64>(firstListing); chunk != -1;
         chunk = chunks[static_cast<size_t>(chunk)].next) {
        if (chunk < 0 || chunk >= count || seen[static_cast<size_t>(chunk)] ||
            !chunks[static_cast<size_t>(chunk)].listing) {
            return false;
        }
        seen[static_cast<size_t>(chunk)] = true;
    }
    if (indexRoot < 0) {
        return true;
    }
    // Depth-first over the index chunks: 0 unvisited, 1 on the current path, 2 done.
    std::vector<int> state(chunks.size(), 0);
    std::vector<std::pair<quint64, size_t>> path{{static_cast<quint64>(indexRoot), 0}};
    state[static_cast<size_t>(indexRoot)] = 1;
    while (!path.empty()) {
        auto& [chunk, nextChild] = path.back();
        const std::vector<quint64>& children = chunks[chunk].children;
        if (nextChild == children.size()) {
            state[chunk] = 2;
            path.pop_back();
            continue;
        }
        const quint64 child = children[nextChild++];
        if (state[child] == 1) {
            return false;
        }
        if (state[child] == 0) {
            state[child] = 1;
            path.emplace_back(child, 0);
        }
    }
    return true;
}

const Entry* find(const std::vector<Entry>& entries, const char* name) {
    for (const Entry& entry : entries) {
        if (entry.name.compare(QByteArrayView(name), Qt::CaseInsensitive) == 0) {
            return &entry;
        }
    }
    return nullptr;
}

// Checks the compression parameters and the reset table libchm decompresses by.
QString compressionProblem(const Image& image, quint64 dataOffset,
                           const std::vector<Entry>& entries) {
    const QString damaged = QStringLiteral("its compressed part is damaged");
    const Entry* content = find(entries, kContent);
    const Entry* control = find(entries, kControlData);
    const Entry* reset = find(entries, kResetTable);
    if (!content || !control || !reset || content->space != 0 || control->space != 0 ||
        reset->space != 0) {
        return damaged;
    }
    // Control data: "LZXC", version, reset interval, window size, windows per reset.
    const quint64 c = dataOffset + control->start;
    if (control->length < 0x18 || !image.matches(c + 4, "LZXC")) {
        return damaged;
    }
    const quint64 version = image.u32(c + 8).value_or(0);
    quint64 resetInterval = image.u32(c + 12).value_or(0);
    quint64 windowSize = image.u32(c + 16).value_or(0);
    const quint64 windowsPerReset = image.u32(c + 20).value_or(0);
    if (version == 2) {
        resetInterval *= 0x8000;
        windowSize *= 0x8000;
    }
    // libchm's decoder takes windows of 2^15..2^21 bytes only, and divides by the reset
    // interval in half windows times the windows per reset.
    const bool powerOfTwo = windowSize != 0 && (windowSize & (windowSize - 1)) == 0;
    // libchm computes these in 32 bits, so nothing may exceed them.
    if (!powerOfTwo || windowSize < (1U << 15) || windowSize > (1U << 21) || resetInterval == 0 ||
        resetInterval > 0xFFFFFFFFULL || resetInterval % (windowSize / 2) != 0 ||
        windowsPerReset == 0 ||
        windowsPerReset > 0xFFFFFFFFULL / (resetInterval / (windowSize / 2))) {
        return damaged;
    }
    // Reset table: version 2, block count, entry size, table offset, uncompressed length,
    // compressed length, block length, then one offset per block into the compressed data.
    const quint64 r = dataOffset + reset->start;
    if (reset->length < 0x28 || image.u32(r).value_or(0) != 2) {
        return damaged;
    }
    const quint64 blockCount = image.u32(r + 4).value_or(0);
    const quint64 tableOffset = image.u32(r + 12).value_or(0);
    const quint64 uncompressed = image.u64(r + 16).value_or(0);
    const quint64 compressed = image.u64(r + 24).value_or(0);
    const quint64 blockLength = image.u64(r + 32).value_or(0);
    if (blockLength == 0 || blockLength > windowSize || compressed > content->length ||
        tableOffset > reset->length || blockCount > (reset->length - tableOffset) / 8 ||
        blockCount < uncompressed / blockLength + (uncompressed % blockLength != 0 ? 1 : 0)) {
        return damaged;
    }
    quint64 previous = 0;
    for (quint64 block = 0; block < blockCount; ++block) {
        const quint64 offset = image.u64(r + tableOffset + block * 8).value_or(~0ULL);
        if (offset < previous || offset > compressed ||
            offset - previous > blockLength + kLzxFrameSlack) {
            return damaged;
        }
        previous = offset;
    }
    if (compressed - previous > blockLength + kLzxFrameSlack) {
        return damaged;
    }
    for (const Entry& entry : entries) {
        if (entry.space == 1 &&
            (entry.start > uncompressed || entry.length > uncompressed - entry.start)) {
            return QStringLiteral("a page in it lies outside its compressed part");
        }
    }
    return {};
}

} // namespace

QString chmStructureProblem(QByteArrayView file) {
    const Image image(file);
    if (image.size() == 0) {
        return QStringLiteral("the file is empty");
    }
    if (!image.matches(0, "ITSF")) {
        return QStringLiteral("it is not a compiled help file");
    }
    const QString cutShort = QStringLiteral("it is cut short");
    const QString damagedDirectory = QStringLiteral("its list of pages is damaged");
    // ITSF header: version 2 (0x58 bytes) or 3 (0x60, with the content offset).
    const quint32 version = image.u32(4).value_or(0);
    if (version != 2 && version != 3) {
        return QStringLiteral("it is of an unknown help file version");
    }
    const auto directoryOffset = image.u64(0x48);
    const auto directoryLength = image.u64(0x50);
    if (!directoryOffset || !directoryLength || (version == 3 && !image.has(0, 0x60))) {
        return cutShort;
    }
    if (!image.has(*directoryOffset, *directoryLength)) {
        return cutShort;
    }
    const quint64 dataOffset =
        version == 3 ? *image.u64(0x58) : *directoryOffset + *directoryLength;
    if (dataOffset > image.size()) {
        return cutShort;
    }
    // ITSP directory header: its length, the chunk length and the chunk count.
    const quint64 d = *directoryOffset;
    if (*directoryLength < 0x54 || !image.matches(d, "ITSP")) {
        return damagedDirectory;
    }
    const quint64 itspLength = *image.u32(d + 8);
    const quint64 chunkLength = *image.u32(d + 0x10);
    const auto indexRoot = static_cast<qint32>(*image.u32(d + 0x1C));
    const quint64 firstListing = *image.u32(d + 0x20);
    const quint64 chunkCount = *image.u32(d + 0x2C);
    if (itspLength < 0x54 || itspLength > *directoryLength || chunkLength < 0x20 ||
        chunkLength > (1U << 20) || chunkCount == 0 ||
        chunkCount > (*directoryLength - itspLength) / chunkLength || firstListing >= chunkCount ||
        indexRoot < -1 || (indexRoot >= 0 && static_cast<quint64>(indexRoot) >= chunkCount)) {
        return damagedDirectory;
    }
    std::vector<Entry> entries;
    std::vector<ChunkLinks> links(chunkCount);
    for (quint64 i = 0; i < chunkCount; ++i) {
        const QByteArrayView chunk = image.slice(d + itspLength + i * chunkLength, chunkLength);
        if (!readChunk(chunk, chunkCount, entries, links[i])) {
            return damagedDirectory;
        }
    }
    if (entries.empty() || !linksEnd(links, firstListing, indexRoot)) {
        return damagedDirectory;
    }
    bool compressedPages = false;
    for (const Entry& entry : entries) {
        if (entry.space == 0 && (dataOffset + entry.start < dataOffset ||
                                 !image.has(dataOffset + entry.start, entry.length))) {
            return cutShort;
        }
        compressedPages = compressedPages || entry.space == 1;
    }
    return compressedPages ? compressionProblem(image, dataOffset, entries) : QString();
}

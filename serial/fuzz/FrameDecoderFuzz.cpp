// Fuzzes the measuring-frame path: the decoder, the reassembly of frames from reads and the
// simulation text. The reassembly must not depend on how the reads fall.

#include "serial/FrameText.h"
#include "serial/Frames.h"

#include <QString>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

std::vector<double> assemble(const std::vector<std::uint8_t>& stream, const std::uint8_t* cuts,
                             std::size_t cutCount) {
    frames::FrameAssembler a;
    std::vector<double> seen;
    std::size_t pos = 0;
    std::size_t i = 0;
    while (pos < stream.size()) {
        std::size_t n = cutCount == 0 ? stream.size() : 1 + cuts[i++ % cutCount] % 64;
        n = std::min(n, stream.size() - pos);
        a.feed(std::span(stream.data() + pos, n), [&](const frames::Reading& r) {
            seen.insert(seen.end(), r.values.begin(), r.values.end());
        });
        if (a.buffered() >= frames::kFrameSize) {
            std::abort(); // more than one partial frame kept
        }
        pos += n;
    }
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    ++data;
    --size;

    // Either the bytes as they come, or with valid frames built from them mixed in, so the
    // checksum is not all the fuzzer ever meets.
    std::vector<std::uint8_t> stream;
    if ((mode & 1) == 0) {
        stream.assign(data, data + size);
    } else {
        for (std::size_t pos = 0; pos + 4 <= size; pos += 24) {
            frames::RawFields raw;
            std::memcpy(&raw.voltage, data + pos, 4);
            raw.time = static_cast<std::uint32_t>(pos);
            const auto f = frames::encodeFrame(raw);
            stream.insert(stream.end(), data + pos,
                          data + pos + std::min<std::size_t>(4, data[pos] % 5));
            stream.insert(stream.end(), f.begin(), f.end());
        }
    }

    const auto whole = assemble(stream, nullptr, 0);
    const auto pieces = assemble(stream, data, size);
    if (whole != pieces) {
        std::abort(); // a different split gave different frames
    }
    (void)frames::decodeFrame(std::span(data, size), frames::TimeScale::Received);

    const QString text =
        QString::fromLatin1(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const SimulatedFrame sim = simulateFrameText(text);
    if (sim.accepted && sim.checksumText.size() != 2) {
        std::abort();
    }
    (void)hexText(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    return 0;
}

#include "serial/Frames.h"

#include <algorithm>

namespace frames {

namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

void put16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

std::uint8_t frameChecksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    const std::size_t n = std::min<std::size_t>(bytes.size(), kFrameSize - 1);
    for (std::size_t i = 0; i < n; ++i) {
        sum += bytes[i];
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

Reading readingOf(const RawFields& raw, TimeScale scale) {
    Reading r;
    // Divided rather than multiplied by 0.1: the value is then the double nearest the
    // decimal the board means (4992.9, not 4992.900000000001), as JSON and records write it.
    r.values[Voltage] = raw.voltage / 10.0;
    r.values[Current] = raw.current / 10.0;
    r.values[Charge] = raw.charge / 10.0;
    r.values[Energy] = raw.energy / 10.0;
    r.values[Time] = scale == TimeScale::Received ? raw.time * 10.0 : raw.time / 100.0;
    r.values[DPlus] = raw.dPlus;
    r.values[DMinus] = raw.dMinus;
    return r;
}

DecodeResult decodeFrame(std::span<const std::uint8_t> bytes, TimeScale scale) {
    DecodeResult result;
    if (bytes.size() != kFrameSize) {
        result.status = FrameStatus::WrongLength;
        return result;
    }
    if (frameChecksum(bytes) != bytes[kFrameSize - 1]) {
        result.status = FrameStatus::BadChecksum;
        return result;
    }
    if (!std::equal(kHeader.begin(), kHeader.end(), bytes.begin())) {
        result.status = FrameStatus::BadHeader;
        return result;
    }
    const std::uint8_t* p = bytes.data();
    RawFields raw;
    raw.voltage = le32(p + 3);
    raw.current = le32(p + 7);
    raw.charge = le32(p + 11);
    raw.energy = le32(p + 15);
    raw.time = le32(p + 19);
    raw.dPlus = le16(p + 23);
    raw.dMinus = le16(p + 25);
    result.status = FrameStatus::Ok;
    result.reading = readingOf(raw, scale);
    return result;
}

std::array<std::uint8_t, kFrameSize> encodeFrame(const RawFields& raw) {
    std::array<std::uint8_t, kFrameSize> f{};
    std::copy(kHeader.begin(), kHeader.end(), f.begin());
    put32(f.data() + 3, raw.voltage);
    put32(f.data() + 7, raw.current);
    put32(f.data() + 11, raw.charge);
    put32(f.data() + 15, raw.energy);
    put32(f.data() + 19, raw.time);
    put16(f.data() + 23, raw.dPlus);
    put16(f.data() + 25, raw.dMinus);
    f[kFrameSize - 1] = frameChecksum(f);
    return f;
}

std::size_t FrameAssembler::findHeader(std::size_t pos) const {
    const std::size_t size = m_buffer.size();
    for (; pos < size; ++pos) {
        if (m_buffer[pos] != kHeader[0]) {
            continue;
        }
        const std::size_t avail = std::min<std::size_t>(size - pos, kHeader.size());
        if (std::equal(kHeader.begin(), kHeader.begin() + static_cast<std::ptrdiff_t>(avail),
                       m_buffer.begin() + static_cast<std::ptrdiff_t>(pos))) {
            return pos;
        }
    }
    return size;
}

std::array<std::uint8_t, 4> relaySwitchFrame(std::uint8_t relay, std::uint8_t state) {
    return {kSwitch, relay, state, 0x00};
}

std::array<std::uint8_t, 3> relayCommandFrame(std::uint8_t first, std::uint8_t second) {
    return {first, second, 0x00};
}

Reply interpretReply(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return Reply::None;
    }
    switch (bytes[0]) {
    case kTestAnswer:
        return Reply::TestAnswered;
    case 0x01:
        if (bytes.size() < 2) {
            return Reply::Incomplete;
        }
        return bytes[1] == 0x01 ? Reply::Relay1Closed : Reply::Relay1Open;
    case 0x02:
        if (bytes.size() < 2) {
            return Reply::Incomplete;
        }
        return bytes[1] == 0x01 ? Reply::Relay2Closed : Reply::Relay2Open;
    default:
        return Reply::None;
    }
}

} // namespace frames

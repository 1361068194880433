#pragma once

// Byte-level frames of the two boards. No Qt here: the decoder is shared with the fuzz
// targets, the benchmarks and the board simulator.

#include "base/Reading.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace frames {

// ---- Measuring board ----

inline constexpr std::size_t kFrameSize = 28;
inline constexpr std::array<std::uint8_t, 3> kHeader{0xAB, 0x00, 0x06};

enum class FrameStatus { Ok, WrongLength, BadChecksum, BadHeader };

// The time field counts 10 ms units on the board; the simulation text gives it in 1/100 units.
enum class TimeScale { Received, Simulated };

// The raw fields of one frame. Fields read as unsigned: the board reports magnitudes.
struct RawFields {
    std::uint32_t voltage = 0; // 0.1 mV
    std::uint32_t current = 0; // 0.1 mA
    std::uint32_t charge = 0;  // 0.1 mAh
    std::uint32_t energy = 0;  // 0.1 mWh
    std::uint32_t time = 0;    // 10 ms
    std::uint16_t dPlus = 0;   // mV
    std::uint16_t dMinus = 0;  // mV
};

struct DecodeResult {
    FrameStatus status = FrameStatus::WrongLength;
    Reading reading;
};

// Low byte of the sum of the first 27 bytes.
std::uint8_t frameChecksum(std::span<const std::uint8_t> bytes);

// Checks, in order, length (exactly 28), checksum, header; decodes when all pass.
[[nodiscard]] DecodeResult decodeFrame(std::span<const std::uint8_t> bytes, TimeScale scale);

// Scales raw fields the way the window shows them.
Reading readingOf(const RawFields& raw, TimeScale scale);

// A valid frame with these fields (header and checksum filled in).
std::array<std::uint8_t, kFrameSize> encodeFrame(const RawFields& raw);

// Reassembles frames from reads of any size: frames split over reads or joined in one read
// are found, garbage is skipped up to the next header, and a header whose 28 bytes fail the
// checksum is given up one byte later. At most one partial frame (27 bytes) stays buffered.
//
// On purpose this differs from the original window, which decoded only a read that held one
// whole frame and showed a split frame in its receive box alone: here the serial driver and USB
// adapters hand over whatever has arrived, so reads split frames anywhere, and a reading that
// was only split must not be lost.
class FrameAssembler {
public:
    template <typename OnFrame> void feed(std::span<const std::uint8_t> bytes, OnFrame&& onFrame) {
        m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
        std::size_t pos = 0;
        const std::size_t size = m_buffer.size();
        bool afterRejected = false;
        while (pos < size) {
            const std::size_t header = findHeader(pos);
            // Bytes that start no frame; the rest of a frame that failed its checksum is
            // counted with it.
            if (header > pos && !afterRejected) {
                ++m_refusals.header;
            }
            pos = header;
            if (size - pos < kFrameSize) {
                break;
            }
            const DecodeResult r =
                decodeFrame(std::span<const std::uint8_t>(m_buffer.data() + pos, kFrameSize),
                            TimeScale::Received);
            afterRejected = r.status != FrameStatus::Ok;
            if (r.status == FrameStatus::Ok) {
                onFrame(r.reading);
                pos += kFrameSize;
            } else {
                ++m_refusals.checksum;
                ++pos;
            }
        }
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(pos));
    }

    std::size_t buffered() const { return m_buffer.size(); }
    // Candidate frames that began with a header but failed the checksum.
    std::size_t rejected() const { return m_refusals.checksum; }
    // What was given up, by reason, since the assembler was made.
    struct Refusals {
        // A header whose 28 bytes failed the checksum.
        std::uint64_t checksum = 0;
        // A stretch of bytes that starts no frame.
        std::uint64_t header = 0;
        // A frame cut short: its first bytes were buffered when the stream was dropped.
        std::uint64_t length = 0;
    };
    const Refusals& refusals() const { return m_refusals; }
    // Drops the stream; a frame begun is given up.
    void clear() {
        if (!m_buffer.empty()) {
            ++m_refusals.length;
        }
        m_buffer.clear();
    }

private:
    // First position at or after pos where a header (or, at the end, its beginning) starts.
    std::size_t findHeader(std::size_t pos) const;

    std::vector<std::uint8_t> m_buffer;
    Refusals m_refusals;
};

// ---- Relay board ----

inline constexpr std::uint8_t kSwitch = 0xAA;
inline constexpr std::uint8_t kQuery = 0xDD;
inline constexpr std::uint8_t kTest = 0xBB;
inline constexpr std::uint8_t kTestAnswer = 0xCC;

// AA relay state 00
std::array<std::uint8_t, 4> relaySwitchFrame(std::uint8_t relay, std::uint8_t state);
// first second 00 (queries DD r 00, the test AA BB 00)
std::array<std::uint8_t, 3> relayCommandFrame(std::uint8_t first, std::uint8_t second);

enum class Reply {
    None,         // no byte, or a first byte the panel does not know
    TestAnswered, // CC
    Relay1Closed, // 01 01
    Relay1Open,   // 01 other
    Relay2Closed, // 02 01
    Relay2Open,   // 02 other
    Incomplete,   // 01 or 02 without its second byte
};

// What one read from the relay board means; only its first two bytes count.
Reply interpretReply(std::span<const std::uint8_t> bytes);

} // namespace frames

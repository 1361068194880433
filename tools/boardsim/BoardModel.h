#pragma once

// The two boards of the rig as the simulator plays them: byte streams in, byte streams out,
// no file descriptors, so tests and benchmarks drive them directly.

#include "serial/Frames.h"

#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <span>
#include <vector>

namespace boardsim {

// Two relays. AA r s 00 sets relay r (1 or 2) closed when s is 01, open otherwise;
// DD r 00 answers "r state"; AA BB 00 answers CC; anything else is skipped byte by byte.
class RelayBoard {
public:
    // Takes received bytes (in any split) and returns the replies they call for.
    std::vector<std::uint8_t> receive(std::span<const std::uint8_t> bytes);
    bool closed(int relay) const { return m_closed.at(static_cast<std::size_t>(relay - 1)); }

    // Told of every whole frame taken, in order, and of every run of bytes skipped as no frame.
    std::function<void(std::span<const std::uint8_t> bytes, bool frame)> onBytes;
    // Told when a frame changes a relay (not when it sets the state the relay already has).
    std::function<void(int relay, bool closed)> onSwitch;

private:
    std::vector<std::uint8_t> m_pending;
    std::array<bool, 2> m_closed{};
};

// The measuring board: about 5 V on the bus, a current that follows the relays (laser on
// relay 1, vacuum pump on relay 2), charge and energy integrated over time, the time field
// in 10 ms units and the USB data-line voltages.
class MeasuringBoard {
public:
    explicit MeasuringBoard(std::uint32_t seed = 1);
    // The frame for `elapsedMs` since the board started; charge and energy grow from the
    // previous frame's time.
    frames::RawFields sample(std::uint64_t elapsedMs, bool laser, bool vacuum);
    std::array<std::uint8_t, frames::kFrameSize> frame(std::uint64_t elapsedMs, bool laser,
                                                       bool vacuum) {
        return frames::encodeFrame(sample(elapsedMs, laser, vacuum));
    }

private:
    std::mt19937 m_random;
    std::uint64_t m_lastMs = 0;
    double m_chargeMah = 0;
    double m_energyMwh = 0;
};

// Turns a stream of good frames into a troublesome one: garbage between frames (fake
// headers included), frames with a wrong checksum and writes split at random places.
class NoiseMaker {
public:
    explicit NoiseMaker(std::uint32_t seed, bool garbage);
    // The bytes to send for one good frame, cut into the writes to make.
    std::vector<std::vector<std::uint8_t>> pieces(std::span<const std::uint8_t> frame);

private:
    std::mt19937 m_random;
    bool m_garbage;
    std::vector<std::uint8_t> m_carry;
};

} // namespace boardsim

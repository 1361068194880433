#include "tools/boardsim/BoardModel.h"

#include <algorithm>
#include <cmath>

namespace boardsim {

std::vector<std::uint8_t> RelayBoard::receive(std::span<const std::uint8_t> bytes) {
    m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
    std::vector<std::uint8_t> replies;
    std::size_t pos = 0;
    std::size_t skippedFrom = 0;
    const auto avail = [&] {
        return m_pending.size() - pos;
    };
    const auto report = [&](std::size_t from, std::size_t to, bool frame) {
        if (onBytes && to > from) {
            onBytes(std::span(m_pending).subspan(from, to - from), frame);
        }
    };
    // Takes the frame of `size` bytes at pos.
    const auto take = [&](std::size_t size) {
        report(skippedFrom, pos, false);
        report(pos, pos + size, true);
        pos += size;
        skippedFrom = pos;
    };
    while (pos < m_pending.size()) {
        const std::uint8_t first = m_pending[pos];
        if (first == frames::kSwitch) {
            if (avail() < 3) {
                break;
            }
            if (m_pending[pos + 1] == frames::kTest && m_pending[pos + 2] == 0x00) {
                replies.push_back(frames::kTestAnswer);
                take(3);
                continue;
            }
            const std::uint8_t relay = m_pending[pos + 1];
            if (relay == 1 || relay == 2) {
                if (avail() < 4) {
                    break;
                }
                if (m_pending[pos + 3] == 0x00) {
                    const bool closing = m_pending[pos + 2] == 0x01;
                    const bool changed = m_closed[relay - 1u] != closing;
                    m_closed[relay - 1u] = closing;
                    take(4);
                    if (changed && onSwitch) {
                        onSwitch(relay, closing);
                    }
                    continue;
                }
            }
        } else if (first == frames::kQuery) {
            if (avail() < 3) {
                break;
            }
            const std::uint8_t relay = m_pending[pos + 1];
            if ((relay == 1 || relay == 2) && m_pending[pos + 2] == 0x00) {
                replies.push_back(relay);
                replies.push_back(m_closed[relay - 1u] ? 0x01 : 0x00);
                take(3);
                continue;
            }
        }
        ++pos;
    }
    // Bytes that may still begin a frame wait for the next call; those before are done.
    report(skippedFrom, pos, false);
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(pos));
    return replies;
}

MeasuringBoard::MeasuringBoard(std::uint32_t seed) : m_random(seed) {}

frames::RawFields MeasuringBoard::sample(std::uint64_t elapsedMs, bool laser, bool vacuum) {
    std::normal_distribution<double> jitter(0.0, 1.0);
    const double volts = 5000.0 + 8.0 * jitter(m_random);
    const double current =
        85.0 + (laser ? 320.0 : 0.0) + (vacuum ? 640.0 : 0.0) + 2.0 * jitter(m_random);
    const double hours = static_cast<double>(elapsedMs - std::min(elapsedMs, m_lastMs)) / 3.6e6;
    m_lastMs = elapsedMs;
    m_chargeMah += current * hours;
    m_energyMwh += volts * current / 1000.0 * hours;

    frames::RawFields raw;
    raw.voltage = static_cast<std::uint32_t>(std::lround(volts * 10.0));
    raw.current = static_cast<std::uint32_t>(std::lround(std::max(0.0, current) * 10.0));
    raw.charge = static_cast<std::uint32_t>(std::llround(m_chargeMah * 10.0));
    raw.energy = static_cast<std::uint32_t>(std::llround(m_energyMwh * 10.0));
    raw.time = static_cast<std::uint32_t>(elapsedMs / 10);
    raw.dPlus = static_cast<std::uint16_t>(std::lround(2700.0 + 3.0 * jitter(m_random)));
    raw.dMinus = static_cast<std::uint16_t>(std::lround(2000.0 + 3.0 * jitter(m_random)));
    return raw;
}

NoiseMaker::NoiseMaker(std::uint32_t seed, bool garbage) : m_random(seed), m_garbage(garbage) {}

std::vector<std::vector<std::uint8_t>> NoiseMaker::pieces(std::span<const std::uint8_t> frame) {
    std::vector<std::uint8_t> stream;
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    if (m_garbage) {
        if (percent(m_random) < 20) {
            // Garbage, sometimes with a header in it that leads nowhere.
            const int n = 1 + percent(m_random) % 12;
            for (int i = 0; i < n; ++i) {
                stream.push_back(static_cast<std::uint8_t>(byte(m_random)));
            }
            if (percent(m_random) < 50) {
                stream.insert(stream.end(), frames::kHeader.begin(), frames::kHeader.end());
            }
        }
        if (percent(m_random) < 10) {
            // A whole frame whose checksum is off.
            std::vector<std::uint8_t> bad(frame.begin(), frame.end());
            bad.back() = static_cast<std::uint8_t>(bad.back() + 1 + percent(m_random) % 200);
            stream.insert(stream.end(), bad.begin(), bad.end());
        }
    }
    stream.insert(stream.end(), frame.begin(), frame.end());

    // Cut into writes of 1 to 40 bytes; the last piece of a frame may ride with the next one.
    std::vector<std::vector<std::uint8_t>> out;
    std::vector<std::uint8_t> all = std::move(m_carry);
    all.insert(all.end(), stream.begin(), stream.end());
    m_carry.clear();
    std::uniform_int_distribution<std::size_t> cut(1, 40);
    std::size_t pos = 0;
    while (pos < all.size()) {
        const std::size_t n = std::min(cut(m_random), all.size() - pos);
        out.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(pos),
                         all.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
    }
    if (out.size() > 1 && percent(m_random) < 30) {
        m_carry = std::move(out.back());
        out.pop_back();
    }
    return out;
}

} // namespace boardsim

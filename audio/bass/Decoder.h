#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tessaly::bass {

// A source of interleaved 16-bit samples. Used by one thread at a time: created by a caller,
// then read only by the mixer.
class Decoder {
public:
    virtual ~Decoder() = default;

    // Fills out with up to frames frames; fewer means the end was reached, 0 that it is past.
    virtual std::size_t read(std::int16_t* out, std::size_t frames) = 0;
    // Back to the first frame; false if the source cannot go back.
    virtual bool rewind() = 0;

    int rate() const { return m_rate; }
    int channels() const { return m_channels; }
    // Frames in one pass.
    std::uint64_t length() const { return m_length; }

protected:
    Decoder(int rate, int channels, std::uint64_t length)
        : m_rate(rate), m_channels(channels), m_length(length) {}

private:
    int m_rate;
    int m_channels;
    std::uint64_t m_length;
};

// MPEG audio from a memory image that the caller keeps alive; nullptr if it is not MPEG audio.
// Gapless: the encoder delay and padding named in a LAME/Xing tag are trimmed.
std::unique_ptr<Decoder> openMpegAudio(std::span<const unsigned char> image);

// A tracker module, rendered as stereo at rate; nullptr if no module format accepts it.
std::unique_ptr<Decoder> openModule(std::span<const unsigned char> image, int rate);

} // namespace tessaly::bass

#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <vector>

namespace tessaly::clips {

// Raised when the encoder refuses its settings or the data.
class EncodeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Peak of a level's sine: half of full scale, about -6 dBFS.
inline constexpr double kToneAmplitude = 16384.0;

// The frequency that drives a pump at a level: level n is n x 100 Hz, level 0 is silence.
inline constexpr int toneHz(int level) {
    return level * 100;
}

// Interleaved 16-bit samples: the left channel carries the left level's sine, the right channel
// the right level's. A mono result carries the left level only.
std::vector<std::int16_t> tonePcm(int leftLevel, int rightLevel, std::int64_t frames, int rate,
                                  int channels);

struct Mp3Settings {
    int rate = 44100;
    int channels = 2;
    int kbps = 128;
    // With the LAME/Xing tag a gapless decoder trims the encoder delay and padding; without it
    // the file is plain frames, so byte-wise joins of such files add no extra silent frame.
    bool lameTag = true;
    // LAME's quality switch: 0 best and slowest .. 9 fastest.
    int quality = 7;
};

// Encodes interleaved 16-bit samples as constant-bit-rate MP3. Each channel is coded on its own
// (no joint stereo), so a silent side stays silent.
std::vector<unsigned char> encodeMp3(std::span<const std::int16_t> pcm,
                                     const Mp3Settings& settings);

// Encodes one pass of a loop, with the LAME tag, so that it repeats without a seam: the encoder
// sees the loop's own end before its start and its own start after its end, and the tag's
// delay and padding are widened to trim that context away again. A gapless decoder gives
// exactly the samples of pcm, and the coding error at the seam is that of any other point.
std::vector<unsigned char> encodeLoopMp3(std::span<const std::int16_t> pcm, Mp3Settings settings);

// Frames of context encoded on each side of a loop.
inline constexpr int kLoopContextFrames = 2304;

} // namespace tessaly::clips

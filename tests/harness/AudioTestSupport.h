#pragma once

#include "audio/BassApi.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

namespace audiotest {

// The library from the build's program folder; fails the calling test if it does not load.
const BassApi& api();

QByteArray readFile(const QString& path);
// A clip file of the program folder.
QByteArray clip(const QString& name);

// Points SDL's disk driver at a fresh file; the output of everything played until BASS_Free is
// then in frames(). delayMs is the driver's pause per 128-frame buffer (2.9 ms): 1 runs about
// twice as fast as real time, 3 about at it.
class DiskCapture {
public:
    explicit DiskCapture(const QString& name, int delayMs = 1);
    // Interleaved 16-bit stereo, as the device would have played it.
    std::vector<std::int16_t> samples() const;
    // Stereo frames written so far, without reading them.
    std::size_t frames() const;

private:
    QString m_path;
};

// Stereo frames of interleaved samples.
inline std::size_t frameCount(const std::vector<std::int16_t>& s) {
    return s.size() / 2;
}
// First and last frame with a non-zero sample on either side; npos if all silent.
std::size_t firstSound(std::span<const std::int16_t> stereo);
std::size_t lastSound(std::span<const std::int16_t> stereo);
// Largest magnitude of one side (0 left, 1 right) over frames [from, from + count).
int peak(std::span<const std::int16_t> stereo, int side, std::size_t from, std::size_t count);
// Frequency of one side over frames [from, from + count) from its rising zero crossings.
double toneHz(std::span<const std::int16_t> stereo, int side, std::size_t from, std::size_t count,
              int rate = 44100);
// Largest deviation from a pure sine of hz: |x[n+1] - 2cos(w)x[n] + x[n-1]|. A clean tone
// stays within a few units; a gap, a jump or a missing stretch gives hundreds.
double sineResidual(std::span<const std::int16_t> stereo, int side, double hz, std::size_t from,
                    std::size_t count, int rate = 44100);

// A ProTracker module of four rows (0.48 s at 44.1 kHz): a looped square wave on channel 1.
std::vector<unsigned char> protrackerModule();

// Tagged looping MP3 of levels (left, right) as the clip generator makes them.
std::vector<unsigned char> loopMp3(int left, int right, int frames, int rate = 44100,
                                   int channels = 2);

} // namespace audiotest

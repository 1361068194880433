#include "tests/harness/AudioTestSupport.h"

#include "tests/harness/TestHarness.h"
#include "tools/clipgen/ToneMp3.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <cstring>
#include <numbers>

namespace audiotest {

const BassApi& api() {
    static const BassLoad load = loadBassApi(TestEnvironment::programFolder());
    if (!load.api) {
        qFatal("cannot load the audio library: %s", qPrintable(load.message));
    }
    return *load.api;
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s", qPrintable(path));
    }
    return f.readAll();
}

QByteArray clip(const QString& name) {
    return readFile(TestEnvironment::programFolder() + QLatin1Char('/') + name);
}

DiskCapture::DiskCapture(const QString& name, int delayMs)
    : m_path(TestEnvironment::instance().home() + QStringLiteral("/") + name +
             QStringLiteral(".raw")) {
    QFile::remove(m_path);
    qputenv("SDL_DISKAUDIOFILE", m_path.toLocal8Bit());
    qputenv("SDL_DISKAUDIODELAY", QByteArray::number(delayMs));
}

std::vector<std::int16_t> DiskCapture::samples() const {
    const QByteArray bytes = readFile(m_path);
    std::vector<std::int16_t> s(static_cast<std::size_t>(bytes.size()) / 4 * 2);
    std::memcpy(s.data(), bytes.constData(), s.size() * sizeof(std::int16_t));
    return s;
}

std::size_t DiskCapture::frames() const {
    return static_cast<std::size_t>(std::max<qint64>(QFileInfo(m_path).size(), 0)) / 4;
}

std::size_t firstSound(std::span<const std::int16_t> stereo) {
    for (std::size_t i = 0; i < stereo.size(); ++i) {
        if (stereo[i] != 0) {
            return i / 2;
        }
    }
    return std::size_t(-1);
}

std::size_t lastSound(std::span<const std::int16_t> stereo) {
    for (std::size_t i = stereo.size(); i-- > 0;) {
        if (stereo[i] != 0) {
            return i / 2;
        }
    }
    return std::size_t(-1);
}

int peak(std::span<const std::int16_t> stereo, int side, std::size_t from, std::size_t count) {
    int p = 0;
    for (std::size_t f = from; f < from + count && f * 2 + 1 < stereo.size(); ++f) {
        p = std::max(p, std::abs(int{stereo[f * 2 + static_cast<std::size_t>(side)]}));
    }
    return p;
}

double toneHz(std::span<const std::int16_t> stereo, int side, std::size_t from, std::size_t count,
              int rate) {
    double first = -1;
    double last = -1;
    int crossings = 0;
    for (std::size_t f = from + 1; f < from + count && f * 2 + 1 < stereo.size(); ++f) {
        const double a = stereo[(f - 1) * 2 + static_cast<std::size_t>(side)];
        const double b = stereo[f * 2 + static_cast<std::size_t>(side)];
        if (a < 0 && b >= 0) {
            const double at = static_cast<double>(f - 1) + (-a) / (b - a);
            if (first < 0) {
                first = at;
            }
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    return (crossings - 1) * rate / (last - first);
}

double sineResidual(std::span<const std::int16_t> stereo, int side, double hz, std::size_t from,
                    std::size_t count, int rate) {
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * hz / rate);
    double worst = 0;
    const auto at = [&](std::size_t f) {
        return static_cast<double>(stereo[f * 2 + static_cast<std::size_t>(side)]);
    };
    for (std::size_t f = std::max<std::size_t>(from, 1);
         f + 1 < from + count && (f + 1) * 2 + 1 < stereo.size(); ++f) {
        worst = std::max(worst, std::abs(at(f + 1) - c * at(f) + at(f - 1)));
    }
    return worst;
}

std::vector<unsigned char> protrackerModule() {
    std::vector<unsigned char> mod(1084, 0);
    std::memcpy(mod.data(), "tessaly test", 12);
    // Sample 1: 32 bytes, full volume, looped whole.
    unsigned char* sample = &mod[20];
    std::memcpy(sample, "square", 6);
    sample[22] = 0;
    sample[23] = 16; // length in words
    sample[25] = 64; // volume
    sample[29] = 16; // loop length in words (loop start 0)
    for (int i = 1; i < 31; ++i) {
        mod[20 + i * 30 + 29] = 1; // empty samples: no loop
    }
    mod[950] = 1;   // song length: one position
    mod[951] = 127; // restart byte
    std::memcpy(&mod[1080], "M.K.", 4);
    // Pattern 0: 64 rows x 4 channels x 4 bytes.
    std::vector<unsigned char> pattern(64 * 4 * 4, 0);
    const int period = 428;
    pattern[0] = static_cast<unsigned char>(period >> 8); // sample high nibble 0
    pattern[1] = static_cast<unsigned char>(period & 0xFF);
    pattern[2] = 0x10;                  // sample 1, no effect
    pattern[3 * 16 + 1 * 4 + 2] = 0x0D; // row 3, channel 2: pattern break, ends the song
    mod.insert(mod.end(), pattern.begin(), pattern.end());
    for (int i = 0; i < 32; ++i) {
        mod.push_back(i < 16 ? 100 : static_cast<unsigned char>(-100));
    }
    return mod;
}

std::vector<unsigned char> loopMp3(int left, int right, int frames, int rate, int channels) {
    tessaly::clips::Mp3Settings settings;
    settings.rate = rate;
    settings.channels = channels;
    settings.kbps = channels == 1 ? 64 : 128;
    const auto pcm = tessaly::clips::tonePcm(left, right, frames, rate, channels);
    return tessaly::clips::encodeLoopMp3(pcm, settings);
}

} // namespace audiotest

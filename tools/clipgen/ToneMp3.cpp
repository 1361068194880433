#include "tools/clipgen/ToneMp3.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <lame/lame.h>
#include <memory>
#include <numbers>

namespace tessaly::clips {

std::vector<std::int16_t> tonePcm(int leftLevel, int rightLevel, std::int64_t frames, int rate,
                                  int channels) {
    std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames * channels));
    const int levels[2] = {leftLevel, rightLevel};
    for (int c = 0; c < channels; ++c) {
        const int hz = toneHz(levels[c]);
        if (hz == 0) {
            continue;
        }
        // The phase comes from the whole-number product n * hz so that long clips do not drift.
        for (std::int64_t n = 0; n < frames; ++n) {
            const std::int64_t cycle = (n * hz) % rate;
            const double phase = 2.0 * std::numbers::pi * static_cast<double>(cycle) / rate;
            pcm[static_cast<std::size_t>(n * channels + c)] =
                static_cast<std::int16_t>(std::lround(kToneAmplitude * std::sin(phase)));
        }
    }
    return pcm;
}

namespace {
struct LameCloser {
    void operator()(lame_global_flags* gf) const { lame_close(gf); }
};
using Lame = std::unique_ptr<lame_global_flags, LameCloser>;

void check(int result, const char* what) {
    if (result < 0) {
        throw EncodeError(std::string("LAME refused ") + what);
    }
}
} // namespace

std::vector<unsigned char> encodeMp3(std::span<const std::int16_t> pcm, const Mp3Settings& s) {
    if (s.channels != 1 && s.channels != 2) {
        throw EncodeError("MP3 has one or two channels");
    }
    Lame gf(lame_init());
    if (!gf) {
        throw EncodeError("LAME could not start");
    }
    check(lame_set_in_samplerate(gf.get(), s.rate), "the sample rate");
    check(lame_set_out_samplerate(gf.get(), s.rate), "the sample rate");
    check(lame_set_num_channels(gf.get(), s.channels), "the channel count");
    check(lame_set_mode(gf.get(), s.channels == 2 ? STEREO : MONO), "the channel mode");
    check(lame_set_VBR(gf.get(), vbr_off), "constant bit rate");
    check(lame_set_brate(gf.get(), s.kbps), "the bit rate");
    check(lame_set_quality(gf.get(), s.quality), "the quality");
    check(lame_set_bWriteVbrTag(gf.get(), s.lameTag ? 1 : 0), "the tag setting");
    lame_set_write_id3tag_automatic(gf.get(), 0);
    check(lame_init_params(gf.get()), "its settings");

    const std::size_t frames = pcm.size() / static_cast<std::size_t>(s.channels);
    std::vector<unsigned char> out;
    out.reserve(frames * 2 * static_cast<std::size_t>(s.kbps) / 100 + 16384);

    // LAME takes at most an int of frames per call; feed it in blocks.
    constexpr std::size_t kBlock = 1 << 16;
    std::vector<unsigned char> chunk(kBlock * 5 / 4 + 7200);
    std::vector<std::int16_t> mono;
    for (std::size_t done = 0; done < frames; done += kBlock) {
        const std::size_t n = std::min(kBlock, frames - done);
        const std::int16_t* block = pcm.data() + done * static_cast<std::size_t>(s.channels);
        int written;
        if (s.channels == 2) {
            written = lame_encode_buffer_interleaved(gf.get(), const_cast<short*>(block),
                                                     static_cast<int>(n), chunk.data(),
                                                     static_cast<int>(chunk.size()));
        } else {
            written = lame_encode_buffer(gf.get(), block, nullptr, static_cast<int>(n),
                                         chunk.data(), static_cast<int>(chunk.size()));
        }
        check(written, "the samples");
        out.insert(out.end(), chunk.begin(), chunk.begin() + written);
    }
    const int tail = lame_encode_flush(gf.get(), chunk.data(), static_cast<int>(chunk.size()));
    check(tail, "the final frames");
    out.insert(out.end(), chunk.begin(), chunk.begin() + tail);

    if (s.lameTag) {
        // LAME left an empty first frame for the tag; it can be filled only now that the
        // frame count and the padding are known.
        unsigned char tag[2880];
        const std::size_t size = lame_get_lametag_frame(gf.get(), tag, sizeof tag);
        if (size == 0 || size > sizeof tag || size > out.size()) {
            throw EncodeError("LAME gave no tag frame");
        }
        std::copy(tag, tag + size, out.begin());
    }
    return out;
}

namespace {

// CRC-16 with the reflected polynomial 0x8005, as the LAME tag's own checksum.
std::uint16_t tagCrc(const unsigned char* data, std::size_t size) {
    std::uint16_t crc = 0;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001)
                            : static_cast<std::uint16_t>(crc >> 1);
        }
    }
    return crc;
}

// Offset of the LAME extension in the tag frame at the start of mp3.
std::size_t findLameExtension(const std::vector<unsigned char>& mp3) {
    const std::size_t limit = std::min<std::size_t>(mp3.size(), 200);
    for (std::size_t i = 4; i + 8 <= limit; ++i) {
        if (std::memcmp(&mp3[i], "Info", 4) != 0 && std::memcmp(&mp3[i], "Xing", 4) != 0) {
            continue;
        }
        const unsigned flags = mp3[i + 7];
        std::size_t at = i + 8;
        at += (flags & 1) ? 4 : 0;   // frame count
        at += (flags & 2) ? 4 : 0;   // byte count
        at += (flags & 4) ? 100 : 0; // seek table
        at += (flags & 8) ? 4 : 0;   // quality
        if (at + 36 <= mp3.size() && std::memcmp(&mp3[at], "LAME", 4) == 0) {
            return at;
        }
        break;
    }
    throw EncodeError("no LAME tag in the first frame");
}

} // namespace

std::vector<unsigned char> encodeLoopMp3(std::span<const std::int16_t> pcm, Mp3Settings settings) {
    const auto channels = static_cast<std::size_t>(settings.channels);
    const std::size_t frames = pcm.size() / channels;
    if (frames == 0) {
        throw EncodeError("an empty loop");
    }
    // The loop repeated around itself: its last frames, the loop, its first frames.
    const std::size_t context = kLoopContextFrames;
    std::vector<std::int16_t> extended((frames + 2 * context) * channels);
    for (std::size_t f = 0; f < frames + 2 * context; ++f) {
        const std::size_t source = (f + frames - context % frames) % frames;
        std::copy_n(pcm.begin() + static_cast<std::ptrdiff_t>(source * channels), channels,
                    extended.begin() + static_cast<std::ptrdiff_t>(f * channels));
    }
    settings.lameTag = true;
    auto mp3 = encodeMp3(extended, settings);

    // Delay and padding: two 12-bit fields, 21 bytes into the LAME extension.
    const std::size_t lame = findLameExtension(mp3);
    unsigned char* field = &mp3[lame + 21];
    const unsigned delay = ((field[0] << 4) | (field[1] >> 4)) + context;
    const unsigned padding = (((field[1] & 0x0F) << 8) | field[2]) + context;
    if (delay > 0xFFF || padding > 0xFFF) {
        throw EncodeError("loop context too long for the LAME tag");
    }
    field[0] = static_cast<unsigned char>(delay >> 4);
    field[1] = static_cast<unsigned char>(((delay & 0x0F) << 4) | (padding >> 8));
    field[2] = static_cast<unsigned char>(padding & 0xFF);
    // The tag's checksum covers the frame up to the checksum itself.
    const std::uint16_t crc = tagCrc(mp3.data(), lame + 34);
    mp3[lame + 34] = static_cast<unsigned char>(crc >> 8);
    mp3[lame + 35] = static_cast<unsigned char>(crc & 0xFF);
    return mp3;
}

} // namespace tessaly::clips

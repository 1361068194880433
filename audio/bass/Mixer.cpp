#include "audio/bass/Mixer.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tessaly::bass {

Channel::Channel(std::uint32_t handle, std::unique_ptr<Decoder> decoder, bool loop)
    : m_handle(handle), m_decoder(std::move(decoder)), m_loop(loop) {}

Channel::~Channel() {
    if (m_converter != nullptr) {
        SDL_FreeAudioStream(m_converter);
    }
}

void Channel::prepare(int outRate, std::size_t maxFrames) {
    const int channels = m_decoder->channels();
    if (m_decoder->rate() == outRate && channels == 2) {
        return;
    }
    m_converter = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(channels), m_decoder->rate(),
                                     AUDIO_S16SYS, 2, outRate);
    if (m_converter == nullptr) {
        throw std::bad_alloc();
    }
    m_scratch.assign(maxFrames * static_cast<std::size_t>(channels), 0);
    // Run a few blocks through the converter so that its queue and work buffers have their
    // working size before the mixing thread uses it; clearing keeps them.
    std::vector<std::int16_t> sink(maxFrames * 2 * 4);
    const int bytes = static_cast<int>(m_scratch.size() * sizeof(std::int16_t));
    for (int i = 0; i < 4; ++i) {
        SDL_AudioStreamPut(m_converter, m_scratch.data(), bytes);
        SDL_AudioStreamGet(m_converter, sink.data(),
                           static_cast<int>(sink.size() * sizeof(std::int16_t)));
    }
    SDL_AudioStreamClear(m_converter);
}

void Channel::play(bool restart) {
    if (restart || m_ended) {
        m_decoder->rewind();
        m_position.store(0, std::memory_order_relaxed);
        if (m_converter != nullptr) {
            SDL_AudioStreamClear(m_converter);
        }
        m_ended = false;
        m_drained = false;
    }
    if (!m_playing) {
        m_firstRendered.store(0, std::memory_order_release);
    }
    m_playing = true;
}

Mixer::Mixer(int outRate, std::size_t maxFrames, EndListener* listener)
    : m_rate(outRate), m_maxFrames(maxFrames), m_listener(listener), m_sum(maxFrames * 2),
      m_voice(maxFrames * 2) {
    m_channels.reserve(16);
}

void Mixer::add(Channel* channel) {
    m_channels.push_back(channel);
}

void Mixer::remove(Channel* channel) {
    std::erase(m_channels, channel);
}

namespace {
std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
} // namespace

void Mixer::mix(std::int16_t* out, std::size_t frames) noexcept {
    const std::int64_t start = steadyNs();
    m_lastStart.store(start, std::memory_order_release);
    const std::int64_t budget =
        static_cast<std::int64_t>(frames) * 1'000'000'000 / std::max(m_rate, 1);
    bool starved = false;
    while (frames > 0) {
        const std::size_t chunk = std::min(frames, m_maxFrames);
        const std::size_t samples = chunk * 2;
        std::fill_n(m_sum.begin(), samples, 0);
        for (Channel* ch : m_channels) {
            if (!ch->m_playing) {
                continue;
            }
            if (ch->m_firstRendered.load(std::memory_order_relaxed) == 0) {
                ch->m_firstRendered.store(start, std::memory_order_release);
            }
            const std::size_t n = render(*ch, m_voice.data(), chunk);
            for (std::size_t i = 0; i < n * 2; ++i) {
                m_sum[i] += m_voice[i];
            }
            if (n < chunk) {
                starved = starved || !ch->m_ended;
                ch->m_playing = false;
            }
        }
        for (std::size_t i = 0; i < samples; ++i) {
            out[i] = static_cast<std::int16_t>(
                std::clamp<std::int32_t>(m_sum[i], std::numeric_limits<std::int16_t>::min(),
                                         std::numeric_limits<std::int16_t>::max()));
        }
        out += samples;
        frames -= chunk;
    }
    if (starved || steadyNs() - start > budget) {
        m_underruns.fetch_add(1, std::memory_order_relaxed);
    }
}

std::size_t Mixer::render(Channel& ch, std::int16_t* out, std::size_t frames) noexcept {
    return ch.m_converter == nullptr ? renderDirect(ch, out, frames)
                                     : renderConverted(ch, out, frames);
}

std::size_t Mixer::renderDirect(Channel& ch, std::int16_t* out, std::size_t frames) noexcept {
    return ch.m_ended ? 0 : decode(ch, out, frames);
}

std::size_t Mixer::renderConverted(Channel& ch, std::int16_t* out, std::size_t frames) noexcept {
    const int wanted = static_cast<int>(frames * 2 * sizeof(std::int16_t));
    const std::size_t scratchFrames =
        ch.m_scratch.size() / static_cast<std::size_t>(ch.m_decoder->channels());
    while (!ch.m_drained && SDL_AudioStreamAvailable(ch.m_converter) < wanted) {
        const std::size_t n = decode(ch, ch.m_scratch.data(), scratchFrames);
        if (n > 0) {
            SDL_AudioStreamPut(
                ch.m_converter, ch.m_scratch.data(),
                static_cast<int>(n * static_cast<std::size_t>(ch.m_decoder->channels()) *
                                 sizeof(std::int16_t)));
        }
        if (ch.m_ended) {
            SDL_AudioStreamFlush(ch.m_converter);
            ch.m_drained = true;
        }
    }
    const int got = SDL_AudioStreamGet(ch.m_converter, out, wanted);
    return got > 0 ? static_cast<std::size_t>(got) / (2 * sizeof(std::int16_t)) : 0;
}

// Decodes in the channel's own format, wrapping a looping channel at its end and reporting
// every end; sets m_ended when a channel that does not loop has run out.
std::size_t Mixer::decode(Channel& ch, std::int16_t* out, std::size_t frames) noexcept {
    Decoder& decoder = *ch.m_decoder;
    const auto channels = static_cast<std::size_t>(decoder.channels());
    std::size_t done = 0;
    bool emptyPass = ch.position() == 0;
    while (done < frames) {
        const std::size_t wanted = frames - done;
        const std::size_t n = decoder.read(out + done * channels, wanted);
        done += n;
        if (n > 0) {
            ch.m_position.store(ch.position() + n, std::memory_order_relaxed);
            emptyPass = false;
        }
        if (n == wanted) {
            continue;
        }
        // The pass is over.
        m_listener->channelEnded(ch.m_handle);
        // A source that yields nothing after going back would spin here for ever.
        if (!ch.m_loop || emptyPass || !decoder.rewind()) {
            ch.m_ended = true;
            break;
        }
        ch.m_position.store(0, std::memory_order_relaxed);
        emptyPass = true;
    }
    return done;
}

} // namespace tessaly::bass

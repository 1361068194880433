#pragma once

#include "audio/bass/Decoder.h"

#include <SDL2/SDL_audio.h>
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

namespace tessaly::bass {

// One playing source. Its play state is changed only while the mixer is locked out (the output
// device's lock), so the mixing thread reads it without further synchronisation.
class Channel {
public:
    Channel(std::uint32_t handle, std::unique_ptr<Decoder> decoder, bool loop);
    ~Channel();
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    // Sets up rate and channel conversion to the output and sizes every buffer the mixer will
    // use, so mixing allocates nothing. Called once, before the channel reaches the mixer.
    void prepare(int outRate, std::size_t maxFrames);

    std::uint32_t handle() const { return m_handle; }
    void setHandle(std::uint32_t handle) { m_handle = handle; }
    const Decoder& decoder() const { return *m_decoder; }
    bool loops() const { return m_loop; }
    // Frames of the current pass rendered so far; safe from any thread.
    std::uint64_t position() const { return m_position.load(std::memory_order_relaxed); }

    // Steady-clock nanoseconds at the start of the mix call that first rendered this channel
    // since it was last started; 0 until then.
    std::int64_t firstRendered() const { return m_firstRendered.load(std::memory_order_acquire); }

    // With the mixer locked out:
    void play(bool restart);
    bool playing() const { return m_playing; }

private:
    friend class Mixer;

    std::uint32_t m_handle;
    std::unique_ptr<Decoder> m_decoder;
    bool m_loop;
    bool m_playing = false;
    bool m_ended = false;
    bool m_drained = false; // converted path: the decoder is done, the converter is emptying
    SDL_AudioStream* m_converter = nullptr;
    std::vector<std::int16_t> m_scratch;
    std::atomic<std::uint64_t> m_position{0};
    std::atomic<std::int64_t> m_firstRendered{0};
};

// Receives the end of each pass, on the mixing thread; must not block.
class EndListener {
public:
    virtual ~EndListener() = default;
    virtual void channelEnded(std::uint32_t handle) noexcept = 0;
};

// Mixes the playing channels into interleaved 16-bit stereo at the output rate. mix() runs on
// the output's thread; add() and remove() run with that thread locked out.
class Mixer {
public:
    Mixer(int outRate, std::size_t maxFrames, EndListener* listener);

    int rate() const { return m_rate; }
    std::size_t maxFrames() const { return m_maxFrames; }

    void add(Channel* channel);
    void remove(Channel* channel);

    void mix(std::int16_t* out, std::size_t frames) noexcept;
    // Steady-clock nanoseconds at the start of the latest mix call.
    std::int64_t lastStart() const { return m_lastStart.load(std::memory_order_acquire); }
    // Mix calls that did not have their audio ready in time; safe from any thread. A call counts
    // once if it took longer than the span it rendered (the device would have played out what
    // it held before this buffer was done), or if a playing channel that had not ended gave
    // fewer frames than asked (a gap of silence inside the clip). The end of a channel that does
    // not loop is no underrun.
    std::uint64_t underruns() const { return m_underruns.load(std::memory_order_relaxed); }

private:
    std::size_t render(Channel& ch, std::int16_t* out, std::size_t frames) noexcept;
    std::size_t renderDirect(Channel& ch, std::int16_t* out, std::size_t frames) noexcept;
    std::size_t renderConverted(Channel& ch, std::int16_t* out, std::size_t frames) noexcept;
    std::size_t decode(Channel& ch, std::int16_t* out, std::size_t frames) noexcept;

    int m_rate;
    std::size_t m_maxFrames;
    EndListener* m_listener;
    std::vector<Channel*> m_channels;
    std::vector<std::int32_t> m_sum;
    std::vector<std::int16_t> m_voice;
    std::atomic<std::int64_t> m_lastStart{0};
    std::atomic<std::uint64_t> m_underruns{0};
};

} // namespace tessaly::bass

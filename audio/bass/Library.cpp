// The exported C interface: library state, the output device and the sync thread.
#include "audio/bass.h"
#include "audio/bass/Decoder.h"
#include "audio/bass/Mixer.h"
#include "audio/bass/Probe.h"

#include <SDL2/SDL.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <new>
#include <semaphore>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tessaly::bass {
namespace {

constexpr DWORD kVersion = 0x00020002;
// 128 frames (2.9 ms at 44.1 kHz) per output callback: a new clip is heard and a freed one
// falls silent within two such buffers, about 6 ms, which keeps a clip switch under 12 ms with
// the loader. 256 frames pass that; 64 gain about a millisecond for twice the wake-ups and
// half the time before a callback is late. On a shared virtual machine the output thread is
// still held up past a callback's span now and then, at 256 frames as well.
constexpr Uint16 kBufferFrames = 128;
constexpr DWORD kMinRate = 8000;
constexpr DWORD kMaxRate = 192000;

thread_local int t_error = BASS_OK;

template <typename T> T fail(int code, T result) {
    t_error = code;
    return result;
}
BOOL fail(int code) {
    return fail(code, BOOL{FALSE});
}

// Runs an entry point's body; nothing may escape into C callers.
template <typename T, typename Body> T guarded(T onFailure, Body body) {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return fail(BASS_ERROR_MEM, onFailure);
    } catch (...) {
        return fail(BASS_ERROR_UNKNOWN, onFailure);
    }
}

// END reports from the mixing thread to the sync thread: one producer, one consumer, no locks.
class EndQueue final : public EndListener {
public:
    void channelEnded(std::uint32_t handle) noexcept override {
        const std::size_t head = m_head.load(std::memory_order_relaxed);
        if (head - m_tail.load(std::memory_order_acquire) == m_slots.size()) {
            return; // the sync thread is stuck in a callback; this report is lost
        }
        m_slots[head % m_slots.size()] = handle;
        m_head.store(head + 1, std::memory_order_release);
        m_ready.release();
    }

    bool pop(std::uint32_t& handle) {
        const std::size_t tail = m_tail.load(std::memory_order_relaxed);
        if (tail == m_head.load(std::memory_order_acquire)) {
            return false;
        }
        handle = m_slots[tail % m_slots.size()];
        m_tail.store(tail + 1, std::memory_order_release);
        return true;
    }

    void wait() { m_ready.acquire(); }
    void stop() {
        m_stopped.store(true);
        m_ready.release();
    }
    bool stopped() const { return m_stopped.load(); }

    // Set while a sync callback runs; changed with the library lock held when set.
    std::atomic<bool> inCallback{false};

private:
    std::array<std::uint32_t, 256> m_slots{};
    std::atomic<std::size_t> m_head{0};
    std::atomic<std::size_t> m_tail{0};
    std::counting_semaphore<> m_ready{0};
    std::atomic<bool> m_stopped{false};
};

enum class Kind { Stream, Music };

struct Sync {
    HSYNC handle;
    SYNCPROC* proc;
    DWORD user;
};

struct Entry {
    std::unique_ptr<Channel> channel;
    Kind kind;
    std::vector<Sync> syncs;
};

struct Library {
    std::mutex lifecycle; // serialises BASS_Init and BASS_Free
    std::mutex lock;      // everything below
    bool initialized = false;
    SDL_AudioDeviceID device = 0;
    int outRate = 0;
    std::size_t bufferFrames = 0;
    DWORD initFlags = 0;
    std::unique_ptr<Mixer> mixer;
    std::shared_ptr<EndQueue> ends;
    std::thread syncThread;
    std::unordered_map<DWORD, Entry> channels;
    DWORD nextHandle = 1;
    DWORD nextSync = 1;

    Entry* find(DWORD handle) {
        const auto it = channels.find(handle);
        return it == channels.end() ? nullptr : &it->second;
    }
    DWORD newHandle() {
        DWORD h = nextHandle++;
        while (h == 0 || channels.contains(h)) {
            h = nextHandle++;
        }
        return h;
    }
};

// Never destroyed: the output and sync threads may outlive static destruction at exit.
Library& lib() {
    static Library* library = new Library;
    return *library;
}

// Keeps the output thread out of the mixer's state.
class MixerLock {
public:
    explicit MixerLock(SDL_AudioDeviceID device) : m_device(device) {
        SDL_LockAudioDevice(m_device);
    }
    ~MixerLock() { SDL_UnlockAudioDevice(m_device); }
    MixerLock(const MixerLock&) = delete;
    MixerLock& operator=(const MixerLock&) = delete;

private:
    SDL_AudioDeviceID m_device;
};

// The output callback. The mixer is set before the device is unpaused and reset only after it
// is closed, and the device's own lock orders both against this thread.
void SDLCALL fillOutput(void* user, Uint8* stream, int len) {
    static_cast<Library*>(user)->mixer->mix(reinterpret_cast<std::int16_t*>(stream),
                                            static_cast<std::size_t>(len) /
                                                (2 * sizeof(std::int16_t)));
}

// Calls the END syncs of one channel. The callbacks run without the library lock, so they may
// call back into the library.
void deliverEnd(EndQueue& queue, DWORD channel) {
    Library& L = lib();
    std::vector<Sync> syncs;
    {
        std::lock_guard guard(L.lock);
        const Entry* entry = L.find(channel);
        if (queue.stopped() || entry == nullptr) {
            return;
        }
        syncs = entry->syncs;
    }
    for (const Sync& sync : syncs) {
        {
            std::lock_guard guard(L.lock);
            const Entry* entry = L.find(channel);
            if (queue.stopped()) {
                return;
            }
            const bool present =
                entry != nullptr &&
                std::any_of(entry->syncs.begin(), entry->syncs.end(),
                            [&](const Sync& s) { return s.handle == sync.handle; });
            if (!present) {
                continue;
            }
            queue.inCallback.store(true);
        }
        sync.proc(sync.handle, channel, 0, sync.user);
        queue.inCallback.store(false);
    }
}

void runSyncThread(std::shared_ptr<EndQueue> queue) {
    for (;;) {
        queue->wait();
        std::uint32_t channel = 0;
        while (!queue->stopped() && queue->pop(channel)) {
            deliverEnd(*queue, channel);
        }
        if (queue->stopped()) {
            return;
        }
    }
}

// Registers a decoded source as a new channel.
DWORD addChannel(std::unique_ptr<Decoder> decoder, Kind kind, DWORD flags) {
    Library& L = lib();
    int rate = 0;
    std::size_t frames = 0;
    {
        std::lock_guard guard(L.lock);
        if (!L.initialized) {
            return fail(BASS_ERROR_INIT, DWORD{0});
        }
        rate = L.outRate;
        frames = L.bufferFrames;
    }
    auto channel =
        std::make_unique<Channel>(0, std::move(decoder), (flags & BASS_SAMPLE_LOOP) != 0);
    channel->prepare(rate, frames);

    std::lock_guard guard(L.lock);
    // The output may have been freed or opened anew meanwhile.
    if (!L.initialized || L.outRate != rate || L.bufferFrames != frames) {
        return fail(BASS_ERROR_INIT, DWORD{0});
    }
    const DWORD handle = L.newHandle();
    channel->setHandle(handle);
    Entry& entry = L.channels[handle];
    entry.kind = kind;
    entry.channel = std::move(channel);
    {
        MixerLock mixing(L.device);
        L.mixer->add(entry.channel.get());
    }
    return handle;
}

BOOL freeChannel(DWORD handle, Kind kind) {
    Library& L = lib();
    std::unique_lock guard(L.lock);
    Entry* entry = L.find(handle);
    if (entry == nullptr || entry->kind != kind) {
        return fail(BASS_ERROR_HANDLE);
    }
    {
        MixerLock mixing(L.device);
        L.mixer->remove(entry->channel.get());
    }
    Entry gone = std::move(*entry);
    L.channels.erase(handle);
    guard.unlock();
    return TRUE; // the decoder goes with `gone`, outside the lock
}

std::span<const unsigned char> memoryImage(const void* file, DWORD offset, DWORD length) {
    return {static_cast<const unsigned char*>(file) + offset, length};
}

// Looks a channel up and runs a query on it with the lock held.
template <typename T, typename Query> T query(DWORD handle, T onFailure, Query q) {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    const Entry* entry = L.find(handle);
    if (entry == nullptr) {
        return fail(BASS_ERROR_HANDLE, onFailure);
    }
    return q(*entry->channel);
}

QWORD bytesPerFrame(const Channel& ch) {
    return static_cast<QWORD>(ch.decoder().channels()) * sizeof(std::int16_t);
}

} // namespace

namespace probe {
std::int64_t lastCallbackStart() {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    return L.mixer ? L.mixer->lastStart() : 0;
}
std::int64_t firstRendered(std::uint32_t channel) {
    return query(channel, std::int64_t{0}, [](const Channel& ch) { return ch.firstRendered(); });
}
int bufferFrames() {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    return static_cast<int>(L.bufferFrames);
}
std::uint64_t underruns() {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    return L.mixer ? L.mixer->underruns() : 0;
}
} // namespace probe

} // namespace tessaly::bass

using namespace tessaly::bass;

extern "C" {

// Beyond the 2.2 interface, for the program's metrics: output callbacks that had no audio
// ready in time since the output was opened. A library without it is still taken.
__attribute__((visibility("default"))) unsigned long long TESSALY_BASS_GetUnderruns(void) {
    return guarded(0ULL, [] { return static_cast<unsigned long long>(probe::underruns()); });
}

DWORD BASS_GetVersion(void) {
    return kVersion;
}

int BASS_ErrorGetCode(void) {
    return t_error;
}

BOOL BASS_Init(int device, DWORD freq, DWORD flags, HWND, const void*) {
    return guarded(BOOL{FALSE}, [&]() -> BOOL {
        Library& L = lib();
        std::lock_guard life(L.lifecycle);
        {
            std::lock_guard guard(L.lock);
            if (L.initialized) {
                return fail(BASS_ERROR_ALREADY);
            }
        }
        if (device != -1 && device != 1) {
            return fail(BASS_ERROR_DEVICE);
        }
        if (freq < kMinRate || freq > kMaxRate) {
            return fail(BASS_ERROR_ILLPARAM);
        }
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            return fail(BASS_ERROR_DRIVER);
        }
        SDL_AudioSpec want{};
        want.freq = static_cast<int>(freq);
        want.format = AUDIO_S16SYS;
        want.channels = 2;
        // SDL's disk driver (a file instead of a sound card) waits whole milliseconds per buffer,
        // 2 ms for 128 frames (2.9 ms), and so writes the file faster than real time. Unless its
        // wait is set (SDL_DISKAUDIODELAY), a buffer of 10 ms keeps the file in time; nobody hears
        // its latency.
        const char* driver = SDL_GetCurrentAudioDriver();
        const bool diskPacedBySdl = driver != nullptr && std::string_view(driver) == "disk" &&
                                    SDL_getenv("SDL_DISKAUDIODELAY") == nullptr;
        want.samples = diskPacedBySdl ? static_cast<Uint16>(freq / 100) : kBufferFrames;
        want.callback = fillOutput;
        want.userdata = &L;
        SDL_AudioSpec have{};
        // The device may keep its own rate; channels are converted to it. It opens paused.
        const SDL_AudioDeviceID dev =
            SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
        if (dev == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return fail(BASS_ERROR_DRIVER);
        }
        auto ends = std::make_shared<EndQueue>();
        {
            std::lock_guard guard(L.lock);
            L.device = dev;
            L.outRate = have.freq;
            L.bufferFrames = have.samples;
            L.initFlags = flags;
            L.mixer = std::make_unique<Mixer>(have.freq, have.samples, ends.get());
            L.ends = ends;
            L.syncThread = std::thread(runSyncThread, ends);
            L.initialized = true;
        }
        SDL_PauseAudioDevice(dev, 0);
        return TRUE;
    });
}

BOOL BASS_Free(void) {
    return guarded(BOOL{FALSE}, [&]() -> BOOL {
        Library& L = lib();
        std::lock_guard life(L.lifecycle);
        std::unique_lock guard(L.lock);
        if (!L.initialized) {
            return fail(BASS_ERROR_INIT);
        }
        L.initialized = false;
        SDL_CloseAudioDevice(L.device); // joins the output thread
        L.device = 0;
        // With the lock held no sync callback can start after this; one that already runs may
        // be waiting for the caller, so it is not waited for.
        L.ends->stop();
        const bool callbackRunning = L.ends->inCallback.load();
        std::thread syncThread = std::move(L.syncThread);
        auto channels = std::move(L.channels);
        L.channels.clear();
        auto mixer = std::move(L.mixer);
        L.ends.reset();
        guard.unlock();

        if (callbackRunning || syncThread.get_id() == std::this_thread::get_id()) {
            syncThread.detach();
        } else {
            syncThread.join();
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return TRUE;
    });
}

BOOL BASS_GetInfo(BASS_INFO* info) {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    if (info == nullptr) {
        return fail(BASS_ERROR_ILLPARAM);
    }
    if (!L.initialized) {
        return fail(BASS_ERROR_INIT);
    }
    const auto bufferMs =
        static_cast<DWORD>((L.bufferFrames * 1000 + static_cast<std::size_t>(L.outRate) - 1) /
                           static_cast<std::size_t>(L.outRate));
    *info = BASS_INFO{};
    info->minrate = kMinRate;
    info->maxrate = kMaxRate;
    info->minbuf = bufferMs;
    info->dsver = BASS_DSVER_REPORTED;
    info->latency = 2 * bufferMs;
    info->initflags = L.initFlags;
    info->speakers = 2;
    info->freq = static_cast<DWORD>(L.outRate);
    return TRUE;
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags) {
    return guarded(HSTREAM{0}, [&]() -> HSTREAM {
        if (!mem) {
            return fail(BASS_ERROR_NOTAVAIL, HSTREAM{0});
        }
        if (file == nullptr || length == 0) {
            return fail(BASS_ERROR_ILLPARAM, HSTREAM{0});
        }
        {
            Library& L = lib();
            std::lock_guard guard(L.lock);
            if (!L.initialized) {
                return fail(BASS_ERROR_INIT, HSTREAM{0});
            }
        }
        auto decoder = openMpegAudio(memoryImage(file, offset, length));
        if (!decoder) {
            return fail(BASS_ERROR_FILEFORM, HSTREAM{0});
        }
        return addChannel(std::move(decoder), Kind::Stream, flags);
    });
}

BOOL BASS_StreamFree(HSTREAM handle) {
    return guarded(BOOL{FALSE}, [&] { return freeChannel(handle, Kind::Stream); });
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, DWORD offset, DWORD length, DWORD flags,
                      DWORD freq) {
    return guarded(HMUSIC{0}, [&]() -> HMUSIC {
        if (!mem) {
            return fail(BASS_ERROR_NOTAVAIL, HMUSIC{0});
        }
        if (file == nullptr || length == 0 || (freq != 0 && (freq < kMinRate || freq > kMaxRate))) {
            return fail(BASS_ERROR_ILLPARAM, HMUSIC{0});
        }
        int rate = 0;
        {
            Library& L = lib();
            std::lock_guard guard(L.lock);
            if (!L.initialized) {
                return fail(BASS_ERROR_INIT, HMUSIC{0});
            }
            rate = freq != 0 ? static_cast<int>(freq) : L.outRate;
        }
        auto decoder = openModule(memoryImage(file, offset, length), rate);
        if (!decoder) {
            return fail(BASS_ERROR_FILEFORM, HMUSIC{0});
        }
        return addChannel(std::move(decoder), Kind::Music, flags);
    });
}

BOOL BASS_MusicFree(HMUSIC handle) {
    return guarded(BOOL{FALSE}, [&] { return freeChannel(handle, Kind::Music); });
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    Entry* entry = L.find(handle);
    if (entry == nullptr) {
        return fail(BASS_ERROR_HANDLE);
    }
    MixerLock mixing(L.device);
    entry->channel->play(restart != FALSE);
    return TRUE;
}

HSYNC BASS_ChannelSetSync(DWORD handle, DWORD type, QWORD, SYNCPROC* proc, DWORD user) {
    return guarded(HSYNC{0}, [&]() -> HSYNC {
        Library& L = lib();
        std::lock_guard guard(L.lock);
        Entry* entry = L.find(handle);
        if (entry == nullptr) {
            return fail(BASS_ERROR_HANDLE, HSYNC{0});
        }
        if (type != BASS_SYNC_END) {
            return fail(BASS_ERROR_ILLTYPE, HSYNC{0});
        }
        if (proc == nullptr) {
            return fail(BASS_ERROR_ILLPARAM, HSYNC{0});
        }
        HSYNC sync = L.nextSync++;
        if (sync == 0) {
            sync = L.nextSync++;
        }
        entry->syncs.push_back({sync, proc, user});
        return sync;
    });
}

BOOL BASS_ChannelRemoveSync(DWORD handle, HSYNC sync) {
    Library& L = lib();
    std::lock_guard guard(L.lock);
    Entry* entry = L.find(handle);
    if (entry == nullptr) {
        return fail(BASS_ERROR_HANDLE);
    }
    const auto removed =
        std::erase_if(entry->syncs, [&](const Sync& s) { return s.handle == sync; });
    return removed > 0 ? TRUE : fail(BASS_ERROR_HANDLE);
}

QWORD BASS_ChannelGetPosition(DWORD handle) {
    return query(handle, ~QWORD{0},
                 [](const Channel& ch) { return ch.position() * bytesPerFrame(ch); });
}

QWORD BASS_ChannelGetLength(DWORD handle) {
    return query(handle, ~QWORD{0},
                 [](const Channel& ch) { return ch.decoder().length() * bytesPerFrame(ch); });
}

float BASS_ChannelBytes2Seconds(DWORD handle, QWORD pos) {
    return query(handle, -1.0f, [&](const Channel& ch) {
        const double perSecond =
            static_cast<double>(ch.decoder().rate()) * static_cast<double>(bytesPerFrame(ch));
        return static_cast<float>(static_cast<double>(pos) / perSecond);
    });
}

BOOL BASS_ChannelGetAttributes(DWORD handle, DWORD* freq, DWORD* volume, int* pan) {
    return query(handle, BOOL{FALSE}, [&](const Channel& ch) {
        if (freq != nullptr) {
            *freq = static_cast<DWORD>(ch.decoder().rate());
        }
        if (volume != nullptr) {
            *volume = 100;
        }
        if (pan != nullptr) {
            *pan = 0;
        }
        return BOOL{TRUE};
    });
}

BOOL BASS_ChannelGetInfo(DWORD handle, BASS_CHANNELINFO* info) {
    if (info == nullptr) {
        return fail(BASS_ERROR_ILLPARAM);
    }
    return query(handle, BOOL{FALSE}, [&](const Channel& ch) {
        info->freq = static_cast<DWORD>(ch.decoder().rate());
        info->chans = static_cast<DWORD>(ch.decoder().channels());
        info->flags = ch.loops() ? DWORD{BASS_SAMPLE_LOOP} : DWORD{0};
        return BOOL{TRUE};
    });
}

} // extern "C"

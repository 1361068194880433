#pragma once

#include "audio/BassApi.h"
#include "audio/cbass_time.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QFile;
class QObject;

// Where a load takes its data from; it decides which caption tells of success.
enum class LoadSource { File, Resource };

// What the information labels show of a channel that has just started.
struct ChannelFacts {
    float duration = 0;
    qint32 frequency = 0;
    quint8 bits = 0;
    QString mode;
    qint32 bytesPerSecond = 0;
    qint16 kbitsPerSecond = 0;
};

// The window's side of the engine. Every call arrives on the window's thread, in the order the
// loader made them.
class PlaybackDisplay {
public:
    virtual ~PlaybackDisplay() = default;
    // A load has decoded; its channel starts next.
    virtual void loadDecoded(LoadSource source) = 0;
    // The new channel plays.
    virtual void playbackStarted(const ChannelFacts& facts) = 0;
    // Neither decoder took the data; errorCode is the library's code of that failure.
    virtual void loadFailed(const QString& message, int errorCode) = 0;
    // The looping channel passed its end while end notification was on.
    virtual void channelEnded() = 0;
    // A loader has ended and the engine takes requests again (busy() is false by now, unless
    // a newer load has started meanwhile).
    virtual void loaderFinished() = 0;
};

// Plays one file at a time, looping, from a memory image. Requests come from the window's
// thread; each load runs on a loader thread of its own, at most one at a time, and a request
// while one runs is refused. The loader never touches the window: what it has to show is
// queued to the window's thread, and reports of a load that a newer one has overtaken are
// dropped there, so a late caption or timer start never lands on the newer load.
//
// The engine owns the library's output from construction (after BASS_Init succeeded) and frees
// it on destruction.
class PlaybackEngine {
public:
    // The embedded sound.
    static constexpr const char* kResourcePath = ":/CUSTOM/101";

    PlaybackEngine(const BassApi& api, cbass_time& queries, QObject& window,
                   PlaybackDisplay& display);
    // Waits for a running loader, then frees every channel, the output and the image.
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // True from a started load until its loader's very last step.
    [[nodiscard]] bool busy() const { return m_busy.load(std::memory_order_acquire); }
    // Output callbacks that found no audio ready, when the library tells.
    [[nodiscard]] std::optional<std::uint64_t> underruns() const {
        if (m_api.GetUnderruns == nullptr) {
            return std::nullopt;
        }
        return m_api.GetUnderruns();
    }
    // Starts loading the opened input file of n bytes; input is null and n 0 when there is
    // nothing to read. Call only while not busy.
    void startFileLoad(std::unique_ptr<QFile> input, DWORD n);
    // Starts loading the embedded sound. Call only while not busy.
    void startResourceLoad();
    // Turns end notification on or off, for the current channel and the ones loaded later.
    void setEndNotification(bool on);
    [[nodiscard]] DWORD currentChannel() const {
        return m_currentChannel.load(std::memory_order_acquire);
    }

private:
    template <typename Loader> void startLoader(Loader loader);
    void LoadFileThread(std::unique_ptr<QFile> input, DWORD N, quint64 generation);
    void LoadResourceThread(quint64 generation);
    void freeCurrentChannel();
    void playImage(LoadSource source, DWORD N, quint64 generation);
    void applyEndNotification(DWORD channel);
    template <typename Update> void post(quint64 generation, Update update);
    static void BASS_CALLBACK EndSyncProc(HSYNC handle, DWORD channel, DWORD data, DWORD user);

    const BassApi m_api;
    cbass_time& m_queries;
    QObject& m_window;
    PlaybackDisplay& m_display;

    std::atomic<bool> m_busy{false};
    std::thread m_loader;
    std::atomic<DWORD> m_currentChannel{0};
    std::atomic<HSYNC> m_endSync{0};
    std::atomic<bool> m_endNotification{false};
    // Read by the library in place while its channel exists. Touched by the loader, or on the
    // window's thread when no loader runs.
    std::vector<unsigned char> m_fileImage;
    // Counts started loads; the window's thread only.
    quint64 m_generation = 0;
    // Tells end reports of this engine from those of an earlier one still in the queue.
    quint64 m_serial = 0;
};

// BASS_ChannelSetSync with a 32-bit parameter as the low half of the 64-bit one.
HSYNC SetSync(const BassApi& api, DWORD channel, DWORD type, DWORD parameter, SYNCPROC* callback,
              DWORD user);

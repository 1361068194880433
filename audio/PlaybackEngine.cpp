#include "audio/PlaybackEngine.h"

#include <QCoreApplication>
#include <QFile>
#include <QMetaObject>
#include <algorithm>
#include <limits>
#include <new>
#include <system_error>

namespace {

constexpr DWORD kStreamFlags = BASS_SAMPLE_LOOP;
constexpr DWORD kMusicFlags = BASS_SAMPLE_LOOP | BASS_MUSIC_RAMP | BASS_MUSIC_PRESCAN;

// The engine whose window shows end reports, and which one it is; the window's thread only.
PlaybackEngine* g_engine = nullptr;
// Read on the library's sync thread.
std::atomic<quint64> g_engineSerial{0};

// Reads a whole device into a fresh image; whatever cannot be read is left out.
std::vector<unsigned char> readImage(QFile& input, qint64 n) {
    std::vector<unsigned char> image;
    try {
        image.resize(static_cast<std::size_t>(n));
        const qint64 got = input.read(reinterpret_cast<char*>(image.data()), n);
        image.resize(static_cast<std::size_t>(std::max<qint64>(got, 0)));
    } catch (const std::bad_alloc&) {
        // Too large to hold: nothing is loaded and the decoders report it.
        image = {};
    }
    return image;
}

} // namespace

HSYNC SetSync(const BassApi& api, DWORD channel, DWORD type, DWORD parameter, SYNCPROC* callback,
              DWORD user) {
    return api.ChannelSetSync(channel, type, QWORD{parameter}, callback, user);
}

PlaybackEngine::PlaybackEngine(const BassApi& api, cbass_time& queries, QObject& window,
                               PlaybackDisplay& display)
    : m_api(api), m_queries(queries), m_window(window), m_display(display) {
    m_serial = g_engineSerial.load() + 1;
    g_engineSerial.store(m_serial);
    g_engine = this;
}

PlaybackEngine::~PlaybackEngine() {
    if (m_loader.joinable()) {
        m_loader.join();
    }
    if (g_engine == this) {
        g_engine = nullptr;
        g_engineSerial.store(m_serial + 1);
    }
    m_api.Free();
    m_currentChannel.store(0);
    // Only now that no channel reads it.
    m_fileImage = {};
}

template <typename Loader> void PlaybackEngine::startLoader(Loader loader) {
    // The previous loader has cleared the busy marker: all that is left of it is its return.
    if (m_loader.joinable()) {
        m_loader.join();
    }
    const quint64 generation = ++m_generation;
    m_busy.store(true, std::memory_order_release);
    try {
        m_loader = std::thread([this, generation, loader = std::move(loader)]() mutable {
            try {
                loader(generation);
            } catch (...) {
                // Whatever went wrong, the engine must become idle again.
            }
            m_busy.store(false, std::memory_order_release);
            // The window may have a request waiting for this moment.
            PlaybackDisplay* display = &m_display;
            QMetaObject::invokeMethod(
                &m_window, [display] { display->loaderFinished(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        // No thread to be had: the request is dropped as if the engine had been busy.
        m_busy.store(false, std::memory_order_release);
    }
}

void PlaybackEngine::startFileLoad(std::unique_ptr<QFile> input, DWORD n) {
    startLoader([this, input = std::move(input), n](quint64 generation) mutable {
        LoadFileThread(std::move(input), n, generation);
    });
}

void PlaybackEngine::startResourceLoad() {
    startLoader([this](quint64 generation) { LoadResourceThread(generation); });
}

void PlaybackEngine::setEndNotification(bool on) {
    m_endNotification.store(on);
    applyEndNotification(currentChannel());
}

void PlaybackEngine::applyEndNotification(DWORD channel) {
    if (m_endNotification.load()) {
        m_endSync.store(SetSync(m_api, channel, BASS_SYNC_END, 0, &EndSyncProc, 0));
    } else {
        m_api.ChannelRemoveSync(channel, m_endSync.load());
    }
}

void PlaybackEngine::freeCurrentChannel() {
    const DWORD channel = currentChannel();
    m_api.StreamFree(channel);
    m_api.MusicFree(channel);
}

void PlaybackEngine::LoadFileThread(std::unique_ptr<QFile> input, DWORD N, quint64 generation) {
    if (N == 0) {
        // Nothing to load: the sound that plays goes on.
        input.reset();
        return;
    }
    freeCurrentChannel();
    m_fileImage = {};
    if (input) {
        m_fileImage = readImage(*input, N);
    }
    input.reset();
    playImage(LoadSource::File, N, generation);
}

void PlaybackEngine::LoadResourceThread(quint64 generation) {
    freeCurrentChannel();
    m_fileImage = {};
    QFile resource(QString::fromLatin1(kResourcePath));
    DWORD n = 0;
    if (resource.open(QIODevice::ReadOnly)) {
        n = static_cast<DWORD>(std::min<qint64>(resource.size(), 0xFFFFFFFF));
        m_fileImage = readImage(resource, n);
    }
    playImage(LoadSource::Resource, n, generation);
}

void PlaybackEngine::playImage(LoadSource source, DWORD N, quint64 generation) {
    const void* data = m_fileImage.empty() ? nullptr : m_fileImage.data();
    const auto length = static_cast<DWORD>(m_fileImage.size());
    DWORD channel = m_api.StreamCreateFile(TRUE, data, 0, length, kStreamFlags);
    if (channel == 0) {
        channel = m_api.MusicLoad(TRUE, data, 0, length, kMusicFlags, 0);
    }
    m_currentChannel.store(channel, std::memory_order_release);
    if (channel == 0) {
        // The code is per thread and the frees below would overwrite it.
        const int code = m_api.ErrorGetCode();
        m_api.StreamFree(0);
        m_api.MusicFree(0);
        m_fileImage = {};
        QMetaObject::invokeMethod(
            &m_window,
            [this, code] { m_display.loadFailed(QStringLiteral("没法从内存中读取数据"), code); },
            Qt::QueuedConnection);
        return;
    }
    applyEndNotification(channel);
    post(generation, [this, source] { m_display.loadDecoded(source); });
    m_api.ChannelPlay(channel, FALSE);

    ChannelFacts facts;
    facts.duration = m_queries.GetDuration(channel);
    facts.frequency = m_queries.GetFrequency(channel);
    facts.bits = m_queries.GetBits(channel);
    facts.mode = m_queries.GetMode(channel);
    facts.bytesPerSecond = m_queries.GetBytesPerSecond(channel);
    facts.kbitsPerSecond = m_queries.GetBitsPerSecond(
        channel, static_cast<qint32>(std::min<DWORD>(N, std::numeric_limits<qint32>::max())));
    post(generation, [this, facts] { m_display.playbackStarted(facts); });
}

template <typename Update> void PlaybackEngine::post(quint64 generation, Update update) {
    QMetaObject::invokeMethod(
        &m_window,
        [this, generation, update = std::move(update)] {
            if (generation == m_generation) {
                update();
            }
        },
        Qt::QueuedConnection);
}

void BASS_CALLBACK PlaybackEngine::EndSyncProc(HSYNC, DWORD, DWORD, DWORD) {
    // The library's sync thread: hand the report over and return at once.
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return;
    }
    const quint64 serial = g_engineSerial.load();
    QMetaObject::invokeMethod(
        app,
        [serial] {
            if (g_engine != nullptr && g_engine->m_serial == serial) {
                g_engine->m_display.channelEnded();
            }
        },
        Qt::QueuedConnection);
}

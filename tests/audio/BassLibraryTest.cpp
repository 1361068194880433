// The audio library as the program loads it: libbass.so from the program folder, its sound
// checked from SDL's disk driver output.
#include "tests/harness/AudioTestSupport.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

using namespace audiotest;

namespace {

constexpr DWORD kLoop = BASS_SAMPLE_LOOP;
constexpr int kClipFrames = 441000; // ten seconds

// What the END callbacks saw; written on the library's sync thread.
struct SyncLog {
    std::atomic<int> calls{0};
    std::atomic<HSYNC> sync{0};
    std::atomic<DWORD> channel{0};
    std::atomic<DWORD> data{~0u};
    std::atomic<DWORD> user{0};
    std::atomic<bool> onCallerThread{false};
    std::atomic<int> blockFirstCallMs{0};
    std::thread::id caller;

    void reset() {
        calls = 0;
        sync = 0;
        channel = 0;
        data = ~0u;
        user = 0;
        onCallerThread = false;
        blockFirstCallMs = 0;
        caller = std::this_thread::get_id();
    }
};
SyncLog g_log;

void BASS_CALLBACK recordEnd(HSYNC sync, DWORD channel, DWORD data, DWORD user) {
    g_log.sync = sync;
    g_log.channel = channel;
    g_log.data = data;
    g_log.user = user;
    if (std::this_thread::get_id() == g_log.caller) {
        g_log.onCallerThread = true;
    }
    if (g_log.calls++ == 0 && g_log.blockFirstCallMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(g_log.blockFirstCallMs.load()));
    }
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

HSTREAM streamOf(const QByteArray& image, DWORD flags = kLoop) {
    return api().StreamCreateFile(TRUE, image.constData(), 0, static_cast<DWORD>(image.size()),
                                  flags);
}

HSTREAM streamOf(const std::vector<unsigned char>& image, DWORD flags = kLoop) {
    return api().StreamCreateFile(TRUE, image.data(), 0, static_cast<DWORD>(image.size()), flags);
}

} // namespace

class BassLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        g_log.reset();
        qputenv("SDL_AUDIODRIVER", "disk");
    }
    void cleanup() {
        // A failed check may leave the library running; the next test starts clean.
        api().Free();
    }

    void loaderNamesWhatIsMissing() {
        const QString empty = TestEnvironment::instance().home() + QStringLiteral("/empty");
        QVERIFY(QDir().mkpath(empty));
        BassLoad load = loadBassApi(empty);
        QCOMPARE(load.failure, BassLoad::Failure::MissingFile);
        QVERIFY(!load.api);
        QVERIFY(load.message.contains(QStringLiteral("libbass.so")));

        const QString broken = TestEnvironment::instance().home() + QStringLiteral("/broken");
        QVERIFY(QDir().mkpath(broken));
        QFile junk(broken + QStringLiteral("/libbass.so"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a library");
        junk.close();
        load = loadBassApi(broken);
        QCOMPARE(load.failure, BassLoad::Failure::NotLoadable);
        QVERIFY(!load.message.isEmpty());

        load = loadBassApi(QStringLiteral(PARTIAL_BASS_DIR));
        QCOMPARE(load.failure, BassLoad::Failure::MissingSymbol);
        QVERIFY2(load.message.contains(QStringLiteral("BASS_ErrorGetCode")),
                 qPrintable(load.message));

        load = loadBassApi(TestEnvironment::programFolder());
        QCOMPARE(load.failure, BassLoad::Failure::None);
        QVERIFY(load.api && load.api->ChannelGetInfo != nullptr);
        // Our own library also tells its underruns, for the metrics; none without an output.
        QVERIFY(load.api->GetUnderruns != nullptr);
        QCOMPARE(load.api->GetUnderruns(), 0ULL);
    }

    void reportsVersionAndRefusesSecondInit() {
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("init"));
        QCOMPARE(bass.GetVersion(), DWORD{0x00020002});

        BASS_INFO info{};
        QVERIFY(!bass.GetInfo(&info));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_INIT);
        QVERIFY(!bass.Init(7, 44100, 0, nullptr, nullptr));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_DEVICE);

        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        QVERIFY(!bass.Init(-1, 44100, 0, nullptr, nullptr));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_ALREADY);
        // A success leaves the last failure's code in place.
        QVERIFY(bass.GetInfo(&info));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_ALREADY);
        QCOMPARE(info.dsver, DWORD{BASS_DSVER_REPORTED});
        QCOMPARE(info.freq, DWORD{44100});
        QCOMPARE(info.speakers, DWORD{2});
        QVERIFY(info.latency > 0 && info.latency <= 30);
        QCOMPARE(info.minbuf, DWORD{3}); // 128 frames

        QVERIFY(bass.Free());
        QVERIFY(!bass.Free());
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_INIT);
        // Set up again after a free.
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        QVERIFY(bass.Free());
    }

    void errorCodesBelongToTheCallingThread() {
        const BassApi& bass = api();
        QVERIFY(!bass.StreamFree(0));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        int otherThread = 0;
        std::thread([&] {
            bass.Init(99, 44100, 0, nullptr, nullptr);
            otherThread = bass.ErrorGetCode();
        }).join();
        QCOMPARE(otherThread, BASS_ERROR_DEVICE);
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
    }

    void rejectsDataItCannotDecode_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("asModule");
        const QByteArray text = QByteArray("this is not sound at all\r\n").repeated(200);
        const auto mod = protrackerModule();
        const QByteArray module(reinterpret_cast<const char*>(mod.data()),
                                static_cast<qsizetype>(mod.size()));
        QTest::newRow("text as stream") << text << false;
        QTest::newRow("text as module") << text << true;
        QTest::newRow("zeros as stream") << QByteArray(50000, '\0') << false;
        QTest::newRow("module as stream") << module << false;
        QTest::newRow("mp3 as module") << clip(QStringLiteral("37.mc")) << true;
    }
    void rejectsDataItCannotDecode() {
        QFETCH(QByteArray, data);
        QFETCH(bool, asModule);
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("garbage"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const DWORD size = static_cast<DWORD>(data.size());
        const DWORD handle = asModule
                                 ? bass.MusicLoad(TRUE, data.constData(), 0, size, 0x20204, 0)
                                 : bass.StreamCreateFile(TRUE, data.constData(), 0, size, kLoop);
        QCOMPARE(handle, DWORD{0});
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_FILEFORM);
    }

    void freeingWrongHandlesIsHarmless() {
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("handles"));
        const QByteArray image = clip(QStringLiteral("37.mc"));
        const auto mod = protrackerModule();
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        const HMUSIC music =
            bass.MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x20204, 0);
        QVERIFY(stream != 0 && music != 0 && stream != music);

        QVERIFY(!bass.StreamFree(0));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        QVERIFY(!bass.MusicFree(0));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        QVERIFY(!bass.MusicFree(stream));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        QVERIFY(!bass.StreamFree(music));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        // Both survive the wrong-kind frees.
        QCOMPARE(bass.ChannelGetLength(stream), QWORD{kClipFrames * 4});
        QVERIFY(bass.ChannelPlay(music, FALSE));

        QVERIFY(bass.StreamFree(stream));
        QVERIFY(bass.MusicFree(music));
        QCOMPARE(bass.ChannelGetPosition(stream), ~QWORD{0});
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        QVERIFY(!bass.ChannelPlay(music, FALSE));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        QVERIFY(!bass.ChannelRemoveSync(stream, 1));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
    }

    void describesAClip() {
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("describe"));
        const QByteArray image = clip(QStringLiteral("37.mc"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM looping = streamOf(image);
        const HSTREAM once = streamOf(image, 0);
        QVERIFY(looping != 0 && once != 0);
        // Exactly the ten seconds that were encoded: the encoder delay and padding are gone.
        QCOMPARE(bass.ChannelGetLength(looping), QWORD{kClipFrames * 4});
        QCOMPARE(bass.ChannelBytes2Seconds(looping, bass.ChannelGetLength(looping)), 10.0f);
        QCOMPARE(bass.ChannelBytes2Seconds(looping, 176400), 1.0f);
        QCOMPARE(bass.ChannelGetPosition(looping), QWORD{0});

        DWORD freq = 0;
        DWORD volume = 0;
        int pan = 99;
        QVERIFY(bass.ChannelGetAttributes(looping, &freq, &volume, &pan));
        QCOMPARE(freq, DWORD{44100});
        QCOMPARE(volume, DWORD{100});
        QCOMPARE(pan, 0);
        BASS_CHANNELINFO info{};
        QVERIFY(bass.ChannelGetInfo(looping, &info));
        QCOMPARE(info.freq, DWORD{44100});
        QCOMPARE(info.chans, DWORD{2});
        QCOMPARE(info.flags, DWORD{BASS_SAMPLE_LOOP});
        QVERIFY(bass.ChannelGetInfo(once, &info));
        QCOMPARE(info.flags, DWORD{0});

        QCOMPARE(bass.ChannelSetSync(looping, 3, 0, recordEnd, 0), HSYNC{0});
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_ILLTYPE);
        QCOMPARE(bass.ChannelSetSync(looping, BASS_SYNC_END, 0, nullptr, 0), HSYNC{0});
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_ILLPARAM);
        QCOMPARE(bass.StreamCreateFile(FALSE, "37.mc", 0, 0, 0), HSTREAM{0});
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_NOTAVAIL);
    }

    void playsEachLevelInItsOwnChannel_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("leftHz");
        QTest::addColumn<double>("rightHz");
        QTest::newRow("37.mc") << "37.mc" << 300.0 << 700.0;
        QTest::newRow("90.mc") << "90.mc" << 900.0 << 0.0;
        QTest::newRow("05.mc") << "05.mc" << 0.0 << 500.0;
        QTest::newRow("00.mc") << "00.mc" << 0.0 << 0.0;
    }
    void playsEachLevelInItsOwnChannel() {
        QFETCH(QString, name);
        QFETCH(double, leftHz);
        QFETCH(double, rightHz);
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("tone"));
        const QByteArray image = clip(name);
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        QVERIFY(stream != 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return bass.ChannelGetPosition(stream) >= 44100 * 4; }));
        QVERIFY(bass.Free());

        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        if (leftHz == 0 && rightHz == 0) {
            QCOMPARE(start, std::size_t(-1));
            QVERIFY(frameCount(out) > 44100);
            return;
        }
        QVERIFY(start != std::size_t(-1));
        const std::size_t window = 22050;
        QVERIFY(frameCount(out) >= start + window);
        const double expected[2] = {leftHz, rightHz};
        for (int side = 0; side < 2; ++side) {
            if (expected[side] == 0) {
                QCOMPARE(peak(out, side, start, window), 0);
            } else {
                QVERIFY2(std::abs(toneHz(out, side, start, window) - expected[side]) < 1.0,
                         qPrintable(QString::number(toneHz(out, side, start, window))));
                // About -6 dBFS.
                const int p = peak(out, side, start, window);
                QVERIFY2(p > 14000 && p < 18500, qPrintable(QString::number(p)));
            }
        }
    }

    // The loop is checked sample by sample: every pass must repeat the previous one exactly
    // (a frame added or lost shifts everything after it) and the tone must run through each
    // seam as smoothly as anywhere else.
    void loopsWithoutSeamAndSyncsAtEachEnd() {
        const BassApi& bass = api();
        const int frames = 11025; // a quarter second: 75 and 175 whole cycles
        const auto image = loopMp3(3, 7, frames);
        DiskCapture capture(QStringLiteral("seam"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        QVERIFY(stream != 0);
        QCOMPARE(bass.ChannelGetLength(stream), QWORD{frames * 4u});
        const HSYNC sync = bass.ChannelSetSync(stream, BASS_SYNC_END, 0, recordEnd, 77);
        QVERIFY(sync != 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return g_log.calls >= 6; }));
        // Every sync seen so far stands for an end already rendered; more may be on the way.
        const int syncs = g_log.calls;
        QVERIFY(bass.StreamFree(stream));
        QVERIFY(bass.Free());

        QCOMPARE(g_log.sync.load(), sync);
        QCOMPARE(g_log.channel.load(), stream);
        QCOMPARE(g_log.data.load(), DWORD{0});
        QCOMPARE(g_log.user.load(), DWORD{77});
        QVERIFY(!g_log.onCallerThread);

        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        const std::size_t end = lastSound(out);
        QVERIFY(start != std::size_t(-1));
        const std::size_t played = end - start + 1;
        QVERIFY(played >= 6u * frames);
        const std::size_t passes = played / frames;
        QVERIFY2(syncs <= static_cast<int>(passes),
                 qPrintable(QStringLiteral("%1 passes, %2 syncs").arg(passes).arg(syncs)));

        const std::size_t span = played - frames;
        std::size_t differing = 0;
        for (std::size_t i = start * 2; i < (start + span) * 2; ++i) {
            differing += out[i] != out[i + frames * 2] ? 1 : 0;
        }
        QCOMPARE(differing, std::size_t{0});
        const double left = sineResidual(out, 0, 300, start + 2, span);
        const double right = sineResidual(out, 1, 700, start + 2, span);
        QVERIFY2(left < 40 && right < 40,
                 qPrintable(QStringLiteral("residual %1 / %2").arg(left).arg(right)));
    }

    // Sync callbacks run on the library's own thread; one that blocks (the program shows a
    // message box there) must not stop the sound.
    void blockingSyncCallbackDoesNotStopTheSound() {
        const BassApi& bass = api();
        const auto image = loopMp3(2, 2, 4410);
        DiskCapture capture(QStringLiteral("blocking"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        g_log.blockFirstCallMs = 1500;
        QVERIFY(bass.ChannelSetSync(stream, BASS_SYNC_END, 0, recordEnd, 0) != 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return g_log.calls == 1; }));
        // While the first callback sleeps the channel keeps wrapping around.
        QWORD previous = bass.ChannelGetPosition(stream);
        int wraps = 0;
        QVERIFY(waitUntil(
            [&] {
                const QWORD now = bass.ChannelGetPosition(stream);
                wraps += now < previous ? 1 : 0;
                previous = now;
                return wraps >= 3;
            },
            1200));
        QCOMPARE(g_log.calls.load(), 1);
        // The ends passed meanwhile are reported once the callback returns.
        QVERIFY(waitUntil([&] { return g_log.calls >= 3; }));
    }

    // A file written by SDL's own pacing (no wait given) keeps real time: its buffer is 10 ms,
    // which SDL's whole-millisecond waits can match.
    void aFileOutputPacedBySdlKeepsRealTime() {
        const BassApi& bass = api();
        DiskCapture capture(QStringLiteral("paced"));
        qunsetenv("SDL_DISKAUDIODELAY");
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        BASS_INFO info{};
        QVERIFY(bass.GetInfo(&info));
        QCOMPARE(info.minbuf, DWORD{10});
        const std::size_t before = capture.frames();
        const auto began = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        const double rate = static_cast<double>(capture.frames() - before) / seconds;
        // Never ahead of real time by more than a buffer or two; on a loaded machine it may lag.
        QVERIFY2(rate < 44100 * 1.05, qPrintable(QStringLiteral("%1 frames/s").arg(rate)));
        QVERIFY(bass.Free());
    }

    void syncCountOverATimedSpanAndRemoval() {
        const BassApi& bass = api();
        const auto image = loopMp3(4, 4, 4410); // 0.1 s
        // Output that never runs ahead of real time: 3 ms per 2.9 ms buffer. SDL's dummy driver
        // sleeps whole milliseconds, 2 per buffer, and would.
        DiskCapture capture(QStringLiteral("timed"), 3);
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        const HSYNC sync = bass.ChannelSetSync(stream, BASS_SYNC_END, 0, recordEnd, 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        const auto began = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        QVERIFY(bass.ChannelRemoveSync(stream, sync));
        const int counted = g_log.calls;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        // At most one per tenth of a second; on a loaded machine the output may lag, never lead.
        QVERIFY2(counted <= seconds / 0.1 * 1.1 + 1 && counted >= 3,
                 qPrintable(QStringLiteral("%1 syncs in %2 s").arg(counted).arg(seconds)));
        QVERIFY(!bass.ChannelRemoveSync(stream, sync));
        QCOMPARE(bass.ErrorGetCode(), BASS_ERROR_HANDLE);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        QVERIFY(g_log.calls <= counted + 1); // one may have been under way
    }

    void freeStopsTheSoundAtOnce() {
        const BassApi& bass = api();
        const QByteArray image = clip(QStringLiteral("37.mc"));
        // At the real pace, so that the few frames between asking the position and freeing
        // stay few even on a loaded machine.
        DiskCapture capture(QStringLiteral("free"), 3);
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return bass.ChannelGetPosition(stream) >= 22050 * 4; }));
        const QWORD before = bass.ChannelGetPosition(stream) / 4;
        QVERIFY(bass.StreamFree(stream));
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        QVERIFY(bass.Free());

        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        const std::size_t end = lastSound(out);
        const std::size_t played = end - start + 1;
        QVERIFY(played >= before);
        QVERIFY2(played <= before + 8192,
                 qPrintable(QStringLiteral("%1 frames after the free").arg(played - before)));
        QVERIFY(frameCount(out) - end > 2048); // and silence since
    }

    // The engine's pattern: a loader thread replaces the channel while the window's timer
    // queries whichever one is current and syncs are set and removed. Run under
    // ThreadSanitizer this shows the library's threads do not race.
    void concurrentReplaceAndQueries() {
        const BassApi& bass = api();
        const auto image = loopMp3(5, 6, 2205);
        DiskCapture capture(QStringLiteral("concurrent"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        std::atomic<HSTREAM> current{0};
        std::atomic<bool> done{false};
        std::atomic<int> bad{0};
        std::thread loader([&] {
            for (int i = 0; i < 60; ++i) {
                bass.StreamFree(current.load());
                const HSTREAM h = streamOf(image);
                bass.ChannelSetSync(h, BASS_SYNC_END, 0, recordEnd, 0);
                bass.ChannelPlay(h, FALSE);
                current = h;
                std::this_thread::sleep_for(std::chrono::milliseconds(3));
            }
            done = true;
        });
        while (!done) {
            const HSTREAM h = current.load();
            const QWORD length = bass.ChannelGetLength(h);
            const QWORD position = bass.ChannelGetPosition(h);
            // Either the channel is gone (both fail) or the position lies within the pass.
            if (length != ~QWORD{0} && position != ~QWORD{0} && position > length) {
                ++bad;
            }
            bass.ChannelRemoveSync(h, g_log.sync.load());
            bass.ChannelBytes2Seconds(h, position);
        }
        loader.join();
        QCOMPARE(bad.load(), 0);
        // A sync is removed only after it fired, so the last channel's is still there.
        QVERIFY(waitUntil([] { return g_log.calls > 0; }));
        QVERIFY(bass.StreamFree(current.load()));
    }

    void twoChannelsInARow() {
        const BassApi& bass = api();
        const QByteArray first = clip(QStringLiteral("37.mc"));
        const QByteArray second = clip(QStringLiteral("90.mc"));
        DiskCapture capture(QStringLiteral("row"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM a = streamOf(first);
        QVERIFY(bass.ChannelPlay(a, FALSE));
        QVERIFY(waitUntil([&] { return bass.ChannelGetPosition(a) >= 22050 * 4; }));
        QVERIFY(bass.StreamFree(a));
        const HSTREAM b = streamOf(second);
        QVERIFY(b != 0 && b != a);
        QVERIFY(bass.ChannelPlay(b, FALSE));
        QVERIFY(waitUntil([&] { return bass.ChannelGetPosition(b) >= 22050 * 4; }));
        QCOMPARE(bass.ChannelGetLength(a), ~QWORD{0});
        QVERIFY(bass.Free());

        // Left 300 Hz with right 700 Hz, then left 900 Hz with the right side silent.
        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        QVERIFY(std::abs(toneHz(out, 0, start, 11025) - 300) < 1);
        QVERIFY(std::abs(toneHz(out, 1, start, 11025) - 700) < 1);
        const std::size_t end = lastSound(out);
        QVERIFY(std::abs(toneHz(out, 0, end - 11025, 11025) - 900) < 1);
        QCOMPARE(peak(out, 1, end - 11025, 11025), 0);
    }

    void convertsOtherRatesAndChannelCounts_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("22050 Hz mono") << 22050 << 1;
        QTest::newRow("48000 Hz stereo") << 48000 << 2;
    }
    void convertsOtherRatesAndChannelCounts() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        const BassApi& bass = api();
        const auto image = loopMp3(4, 6, rate / 2, rate, channels);
        DiskCapture capture(QStringLiteral("convert"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream = streamOf(image);
        QVERIFY(stream != 0);
        BASS_CHANNELINFO info{};
        QVERIFY(bass.ChannelGetInfo(stream, &info));
        QCOMPARE(info.freq, DWORD(rate));
        QCOMPARE(info.chans, DWORD(channels));
        QCOMPARE(bass.ChannelGetLength(stream), QWORD(rate / 2 * channels * 2));
        QCOMPARE(bass.ChannelBytes2Seconds(stream, bass.ChannelGetLength(stream)), 0.5f);
        QVERIFY(bass.ChannelSetSync(stream, BASS_SYNC_END, 0, recordEnd, 0) != 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        QVERIFY(waitUntil([&] { return g_log.calls >= 3; })); // a second and more
        QVERIFY(bass.Free());

        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        QVERIFY(frameCount(out) > start + 44100);
        // Mono is heard on both sides.
        const double right = channels == 1 ? 400.0 : 600.0;
        QVERIFY2(std::abs(toneHz(out, 0, start + 1000, 22050) - 400) < 2,
                 qPrintable(QString::number(toneHz(out, 0, start + 1000, 22050))));
        QVERIFY2(std::abs(toneHz(out, 1, start + 1000, 22050) - right) < 2,
                 qPrintable(QString::number(toneHz(out, 1, start + 1000, 22050))));
    }

    void playsTrackerModules() {
        const BassApi& bass = api();
        const auto mod = protrackerModule();
        DiskCapture capture(QStringLiteral("module"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HMUSIC music =
            bass.MusicLoad(TRUE, mod.data(), 0, static_cast<DWORD>(mod.size()), 0x20204, 0);
        QVERIFY(music != 0);
        BASS_CHANNELINFO info{};
        QVERIFY(bass.ChannelGetInfo(music, &info));
        QCOMPARE(info.freq, DWORD{44100});
        QCOMPARE(info.chans, DWORD{2});
        // Four rows at speed 6 and 125 BPM.
        const float seconds = bass.ChannelBytes2Seconds(music, bass.ChannelGetLength(music));
        QVERIFY2(std::abs(seconds - 0.48f) < 0.01f, qPrintable(QString::number(seconds)));
        QVERIFY(bass.ChannelSetSync(music, BASS_SYNC_END, 0, recordEnd, 0) != 0);
        QVERIFY(bass.ChannelPlay(music, FALSE));
        QVERIFY(waitUntil([&] { return g_log.calls >= 3; }));
        QVERIFY(bass.Free());
        const auto out = capture.samples();
        const std::size_t start = firstSound(out);
        QVERIFY(start != std::size_t(-1));
        QVERIFY(peak(out, 0, start, 44100) + peak(out, 1, start, 44100) > 1000);
    }
};

TESSALY_TEST_MAIN(BassLibraryTest)
#include "BassLibraryTest.moc"

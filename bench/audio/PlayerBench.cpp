// Figures of a play request through the whole engine and player window: from the call of
// 播放一个指定文件 to the first sample of the new ten-second clip at the output, and the time
// the window's thread spends inside the call. SDL's disk driver plays at its real pace into a
// temporary file. Run: build/bench/audio/bench_player
#include "audio/bass/Probe.h"
#include "audio/frmMemory.h"
#include "base/Paths.h"
#include "bench/QtBenchmarkMain.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <thread>
#include <vector>

using namespace tessaly::bass;

namespace {

// The library linked into this program rather than loaded from the program folder, so that
// the output's timing probes see the engine's channels. Same code, same entry points.
BassLoad linkedLibrary(const QString&) {
    BassApi a;
    a.GetVersion = BASS_GetVersion;
    a.ErrorGetCode = BASS_ErrorGetCode;
    a.Init = BASS_Init;
    a.Free = BASS_Free;
    a.GetInfo = BASS_GetInfo;
    a.StreamCreateFile = BASS_StreamCreateFile;
    a.StreamFree = BASS_StreamFree;
    a.MusicLoad = BASS_MusicLoad;
    a.MusicFree = BASS_MusicFree;
    a.ChannelPlay = BASS_ChannelPlay;
    a.ChannelSetSync = BASS_ChannelSetSync;
    a.ChannelRemoveSync = BASS_ChannelRemoveSync;
    a.ChannelGetPosition = BASS_ChannelGetPosition;
    a.ChannelGetLength = BASS_ChannelGetLength;
    a.ChannelBytes2Seconds = BASS_ChannelBytes2Seconds;
    a.ChannelGetAttributes = BASS_ChannelGetAttributes;
    a.ChannelGetInfo = BASS_ChannelGetInfo;
    BassLoad load;
    load.api = a;
    return load;
}

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Runs the window's queue for a while, as the program's event loop would.
void runEvents(std::chrono::milliseconds span) {
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
}

// Each iteration asks for the other of two clips while one plays. The output callback that
// first renders the new clip is timed; what it renders reaches the device after the one buffer
// the device still plays, so one buffer's duration is added. The window's time is the call
// itself: opening the file and starting the loader.
void BM_RequestToSound(benchmark::State& state) {
    QTemporaryDir capture;
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", (capture.path() + QStringLiteral("/out.raw")).toLocal8Bit());
    qunsetenv("SDL_DISKAUDIODELAY"); // the driver's real pace
    PlayerSetup setup;
    setup.loadLibrary = linkedLibrary;
    frmMemory player(setup);
    if (!player.initialized()) {
        state.SkipWithError("the library did not start");
        return;
    }
    const double bufferMs = probe::bufferFrames() * 1000.0 / 44100;
    const QString clips[] = {QStringLiteral("37.mc"), QStringLiteral("90.mc")};
    double soundSum = 0;
    double soundMax = 0;
    std::vector<double> window;
    int round = 0;
    for (auto _ : state) {
        const std::int64_t requested = nowNs();
        player.播放一个指定文件(clips[round++ % 2]);
        const double windowMs = (nowNs() - requested) / 1e6;
        std::int64_t rendered = 0;
        while (player.busy() || (rendered = probe::firstRendered(player.currentChannel())) == 0) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double soundMs = (rendered - requested) / 1e6 + bufferMs;
        state.SetIterationTime(soundMs / 1000);
        soundSum += soundMs;
        soundMax = std::max(soundMax, soundMs);
        window.push_back(windowMs);
        // Let the clip play a little, at a varying point of the output cycle.
        runEvents(std::chrono::milliseconds(20 + round % 7));
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["sound_ms_mean"] = soundSum / n;
    state.counters["sound_ms_max"] = soundMax;
    // The median as well: on a shared machine the largest is mostly the scheduler's.
    std::sort(window.begin(), window.end());
    double windowSum = 0;
    for (double w : window) {
        windowSum += w;
    }
    state.counters["window_ms_mean"] = windowSum / n;
    state.counters["window_ms_median"] = window[window.size() / 2];
    state.counters["window_ms_max"] = window.back();
    state.counters["buffer_ms"] = bufferMs;
}
BENCHMARK(BM_RequestToSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

// Figures of a play request through the whole engine and player window: from the call of
// 播放一个指定文件 to the first sample of the new ten-second clip at the output, the time the
// window's thread spends inside the call, and the output's underruns; and the same over a long
// run of switches. SDL's disk driver plays at its real pace into a temporary file.
// Run: build/bench/audio/bench_player [--benchmark_filter=BM_RequestToSound]
#include "audio/bass/Probe.h"
#include "audio/frmMemory.h"
#include "base/Paths.h"
#include "bench/QtBenchmarkMain.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
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

// The player window on SDL's disk driver at its real pace, writing into a temporary file.
class SwitchRig {
public:
    SwitchRig() {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", (m_capture.path() + QStringLiteral("/out.raw")).toLocal8Bit());
        qunsetenv("SDL_DISKAUDIODELAY"); // the driver's real pace
        PlayerSetup setup;
        setup.loadLibrary = linkedLibrary;
        m_player = std::make_unique<frmMemory>(setup);
        if (m_player->initialized()) {
            m_bufferMs = probe::bufferFrames() * 1000.0 / 44100;
        }
    }

    bool ready() const { return m_player->initialized(); }
    double bufferMs() const { return m_bufferMs; }

    struct Switch {
        double soundMs;  // request to the new clip at the output
        double windowMs; // the window thread's time inside the request
    };

    // Asks for the other of two clips while one plays and waits until the new one sounds. The
    // output callback that first renders the new clip is timed; what it renders reaches the
    // device after the one buffer the device still plays, so one buffer's duration is added.
    Switch next() {
        static const QString clips[] = {QStringLiteral("37.mc"), QStringLiteral("90.mc")};
        const std::int64_t requested = nowNs();
        m_player->播放一个指定文件(clips[m_round++ % 2]);
        const double windowMs = (nowNs() - requested) / 1e6;
        std::int64_t rendered = 0;
        while (m_player->busy() ||
               (rendered = probe::firstRendered(m_player->currentChannel())) == 0) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return {(rendered - requested) / 1e6 + m_bufferMs, windowMs};
    }

    // Lets the clip play a little, so that the next request comes at another point of the
    // output cycle.
    void pause() const { runEvents(std::chrono::milliseconds(20 + m_round % 7)); }

private:
    QTemporaryDir m_capture;
    std::unique_ptr<frmMemory> m_player;
    double m_bufferMs = 0;
    int m_round = 0;
};

// The figures of a play request. The window's time is the call itself: opening the file and
// starting the loader. Underruns are those of the whole run, start-up included.
void BM_RequestToSound(benchmark::State& state) {
    SwitchRig rig;
    if (!rig.ready()) {
        state.SkipWithError("the library did not start");
        return;
    }
    double soundSum = 0;
    double soundMax = 0;
    std::vector<double> window;
    for (auto _ : state) {
        const SwitchRig::Switch s = rig.next();
        state.SetIterationTime(s.soundMs / 1000);
        soundSum += s.soundMs;
        soundMax = std::max(soundMax, s.soundMs);
        window.push_back(s.windowMs);
        rig.pause();
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
    state.counters["buffer_ms"] = rig.bufferMs();
    state.counters["underruns"] = static_cast<double>(probe::underruns());
}
BENCHMARK(BM_RequestToSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(60);

// Seconds of CPU time the hypervisor gave to others, over all CPUs, since boot; 0 where the
// system does not tell. On a shared virtual machine a stolen stretch stalls any thread.
double stolenSeconds() {
    std::ifstream stat("/proc/stat");
    std::string cpu;
    double field = 0;
    double steal = 0;
    stat >> cpu;
    for (int i = 0; i < 8 && stat >> field; ++i) {
        steal = field; // user nice system idle iowait irq softirq steal
    }
    return cpu == "cpu" ? steal / static_cast<double>(sysconf(_SC_CLK_TCK)) : 0;
}

// Switches clips without a break for TESSALY_BENCH_SECONDS (600 unless set): every switch's
// latency, and the underruns of the whole run.
void BM_SwitchSoak(benchmark::State& state) {
    const int seconds = qEnvironmentVariableIsSet("TESSALY_BENCH_SECONDS")
                            ? qEnvironmentVariableIntValue("TESSALY_BENCH_SECONDS")
                            : 600;
    SwitchRig rig;
    if (!rig.ready()) {
        state.SkipWithError("the library did not start");
        return;
    }
    std::vector<double> sound;
    const double stolen = stolenSeconds();
    for (auto _ : state) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
        while (std::chrono::steady_clock::now() < end) {
            sound.push_back(rig.next().soundMs);
            rig.pause();
        }
    }
    if (sound.empty()) {
        state.SkipWithError("no switch in the time given");
        return;
    }
    double sum = 0;
    for (double v : sound) {
        sum += v;
    }
    std::sort(sound.begin(), sound.end());
    state.counters["switches"] = static_cast<double>(sound.size());
    state.counters["underruns"] = static_cast<double>(probe::underruns());
    state.counters["sound_ms_mean"] = sum / static_cast<double>(sound.size());
    state.counters["sound_ms_p99"] = sound[sound.size() * 99 / 100];
    state.counters["sound_ms_max"] = sound.back();
    // Switches slower than 12 ms: on a shared machine mostly a stalled thread start.
    state.counters["sound_over_12ms"] =
        static_cast<double>(sound.end() - std::upper_bound(sound.begin(), sound.end(), 12.0));
    state.counters["buffer_ms"] = rig.bufferMs();
    state.counters["seconds"] = seconds;
    state.counters["cpu_steal_s"] = stolenSeconds() - stolen;
}
BENCHMARK(BM_SwitchSoak)->Unit(benchmark::kSecond)->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

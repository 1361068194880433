// Figures of the sound path: loop seam, switch latency, decoding speed and mixing cost.
// Run: build/bench/audio/bench_audio (the clips of the program folder are used).
#include "audio/bass.h"
#include "audio/bass/Decoder.h"
#include "audio/bass/Mixer.h"
#include "audio/bass/Probe.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace tessaly::bass;

namespace {

constexpr std::size_t kClipFrames = 441000;

std::vector<unsigned char> readClip(const char* name) {
    std::ifstream in(std::string(TESSALY_PROGRAM_DIR) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

const std::vector<unsigned char>& clip37() {
    static const auto data = readClip("37.mc");
    return data;
}

struct CountEnds final : EndListener {
    int ends = 0;
    void channelEnded(std::uint32_t) noexcept override { ++ends; }
};

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Three passes of 37.mc through the mixer (and the start of a fourth). The seam error is the shift
// d for which pass k+1 equals pass k exactly when moved by N + d frames: frames added (d > 0) or
// missing (d < 0) per pass. The jump is the largest step of the 300 Hz sine's recurrence at a seam,
// against the largest anywhere else.
void BM_LoopSeam(benchmark::State& state) {
    const auto& image = clip37();
    // A few frames into a fourth pass, so that the third end has been passed.
    constexpr std::size_t kFrames = 3 * kClipFrames + 100;
    std::vector<std::int16_t> out(kFrames * 2);
    int seamError = 9999;
    int ends = 0;
    double seamJump = 0;
    double interiorJump = 0;
    for (auto _ : state) {
        CountEnds log;
        Mixer mixer(44100, 512, &log);
        Channel ch(1, openMpegAudio(image), true);
        ch.prepare(44100, 512);
        mixer.add(&ch);
        ch.play(false);
        mixer.mix(out.data(), kFrames);
        ends = log.ends;
        benchmark::DoNotOptimize(out.data());
    }
    for (int d = -64; d <= 64 && seamError == 9999; ++d) {
        const auto shift = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(kClipFrames) + d);
        bool same = true;
        for (std::size_t i = 0; i < kClipFrames * 2 && same; ++i) {
            same = out[i] == out[i + shift * 2];
        }
        seamError = same ? d : seamError;
    }
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * 300 / 44100);
    for (std::size_t f = 1; f + 1 < 3 * kClipFrames; ++f) {
        const double r = std::abs(out[(f + 1) * 2] - c * out[f * 2] + out[(f - 1) * 2]);
        const std::size_t inPass = f % kClipFrames;
        double& worst = (inPass <= 2 || inPass >= kClipFrames - 2) ? seamJump : interiorJump;
        worst = std::max(worst, r);
    }
    state.counters["frames_per_pass"] = static_cast<double>(kClipFrames) + seamError;
    state.counters["seam_error_frames"] = seamError;
    state.counters["end_syncs_in_3_passes"] = ends;
    state.counters["seam_jump"] = seamJump;
    state.counters["interior_jump"] = interiorJump;
}
BENCHMARK(BM_LoopSeam)->Unit(benchmark::kMillisecond)->Iterations(3);

// Decoding a ten-second clip from memory, as a multiple of real time.
void BM_DecodeClip(benchmark::State& state) {
    const auto& image = clip37();
    std::vector<std::int16_t> pcm(4096 * 2);
    for (auto _ : state) {
        auto decoder = openMpegAudio(image);
        std::size_t n = 0;
        while ((n = decoder->read(pcm.data(), 4096)) == 4096) {
            benchmark::DoNotOptimize(pcm.data());
        }
    }
    state.counters["x_real_time"] = benchmark::Counter(
        10.0 * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeClip)->Unit(benchmark::kMillisecond);

// One output callback (512 frames) of a looping clip: the mixer's share of a core.
void BM_MixerCallback(benchmark::State& state) {
    CountEnds log;
    Mixer mixer(44100, 512, &log);
    Channel ch(1, openMpegAudio(clip37()), true);
    ch.prepare(44100, 512);
    mixer.add(&ch);
    ch.play(false);
    std::vector<std::int16_t> out(512 * 2);
    for (auto _ : state) {
        mixer.mix(out.data(), 512);
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of CPU per second of sound, in percent of one core.
    state.counters["core_percent"] =
        benchmark::Counter(512.0 / 44100 / 100 * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MixerCallback);

// The whole output path at its real pace (SDL's dummy driver): process CPU while 37.mc loops.
void BM_OutputWhileLooping(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto& image = clip37();
    double percent = 0;
    for (auto _ : state) {
        BASS_Init(-1, 44100, 0, nullptr, nullptr);
        const HSTREAM h =
            BASS_StreamCreateFile(TRUE, image.data(), 0, static_cast<DWORD>(image.size()), 4);
        BASS_ChannelPlay(h, FALSE);
        const double cpu0 = cpuSeconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        percent = (cpuSeconds() - cpu0) / wall * 100;
        BASS_Free();
    }
    state.counters["process_core_percent"] = percent;
}
BENCHMARK(BM_OutputWhileLooping)->Unit(benchmark::kMillisecond)->Iterations(1);

// From BASS_StreamCreateFile + BASS_ChannelPlay of a new clip to its first sample at the
// output, and from BASS_StreamFree to silence. The output callback that first renders the clip
// (or first leaves it out) is timed; what it renders reaches the device after the one buffer
// the device still plays, so one buffer's duration is added to both.
void BM_SwitchLatency(benchmark::State& state) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const auto first = readClip("37.mc");
    const auto second = readClip("90.mc");
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    const double bufferMs = probe::bufferFrames() * 1000.0 / 44100;
    double startSum = 0;
    double startMax = 0;
    double stopSum = 0;
    double stopMax = 0;
    HSTREAM playing = 0;
    int round = 0;
    for (auto _ : state) {
        const auto& image = (round++ % 2) ? second : first;
        const std::int64_t requested = nowNs();
        if (playing != 0) {
            BASS_StreamFree(playing);
        }
        const std::int64_t freed = nowNs();
        playing = BASS_StreamCreateFile(TRUE, image.data(), 0, static_cast<DWORD>(image.size()), 4);
        BASS_ChannelPlay(playing, FALSE);
        std::int64_t rendered = 0;
        while ((rendered = probe::firstRendered(playing)) == 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double startMs = (rendered - requested) / 1e6 + bufferMs;
        // The first callback after the free is the first without the old clip.
        std::int64_t next = 0;
        while ((next = probe::lastCallbackStart()) < freed) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        const double stopMs = (next - freed) / 1e6 + bufferMs;
        state.SetIterationTime(startMs / 1000);
        startSum += startMs;
        startMax = std::max(startMax, startMs);
        if (round > 1) {
            stopSum += stopMs;
            stopMax = std::max(stopMax, stopMs);
        }
        // Let the clip play a little, at a varying point of the output cycle.
        std::this_thread::sleep_for(std::chrono::milliseconds(20 + round % 7));
    }
    BASS_Free();
    const double n = static_cast<double>(state.iterations());
    state.counters["start_ms_mean"] = startSum / n;
    state.counters["start_ms_max"] = startMax;
    state.counters["stop_ms_mean"] = stopSum / std::max(1.0, n - 1);
    state.counters["stop_ms_max"] = stopMax;
    state.counters["buffer_ms"] = bufferMs;
}
BENCHMARK(BM_SwitchLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

BENCHMARK_MAIN();

// Figures of the serial layer: decoder throughput, byte-to-label latency over a real
// pseudo-terminal, frames lost at the full 115200-baud rate with random read splitting and the
// time a write to a board that stopped reading holds the thread.

#include "serial/DataWindow.h"
#include "serial/Frames.h"
#include "serial/SerialCommControl.h"
#include "tests/harness/DeviceRig.h"
#include "tools/boardsim/BoardModel.h"

#include "base/Clock.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <pty.h>
#include <random>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

std::vector<std::uint8_t> frameStream(std::size_t frames) {
    boardsim::MeasuringBoard meter(5);
    std::vector<std::uint8_t> stream;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto f = meter.frame(i * 10, i % 2 == 0, i % 3 == 0);
        stream.insert(stream.end(), f.begin(), f.end());
    }
    return stream;
}

void BM_DecodeFrame(benchmark::State& state) {
    const auto frame = frames::encodeFrame({50000, 1200, 345, 6789, 12345, 2700, 2000});
    for (auto _ : state) {
        benchmark::DoNotOptimize(frames::decodeFrame(frame, frames::TimeScale::Received));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeFrame);

// The receive path's decoder: frames reassembled from reads cut at random sizes.
void BM_AssembleRandomSplit(benchmark::State& state) {
    constexpr std::size_t kFrames = 10000;
    const auto stream = frameStream(kFrames);
    std::mt19937 random(11);
    std::uniform_int_distribution<std::size_t> cut(1, static_cast<std::size_t>(state.range(0)));
    std::vector<std::size_t> cuts;
    for (std::size_t pos = 0; pos < stream.size();) {
        cuts.push_back(std::min(cut(random), stream.size() - pos));
        pos += cuts.back();
    }
    std::size_t decoded = 0;
    for (auto _ : state) {
        frames::FrameAssembler a;
        std::size_t pos = 0;
        for (std::size_t n : cuts) {
            a.feed(std::span(stream.data() + pos, n), [&](const frames::Reading&) { ++decoded; });
            pos += n;
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(decoded));
    state.counters["lost"] =
        static_cast<double>(kFrames * static_cast<std::size_t>(state.iterations()) - decoded);
}
BENCHMARK(BM_AssembleRandomSplit)->Arg(1)->Arg(64)->Arg(4096);

// A pseudo-terminal the data window opens as COM240 while the benchmark plays the board.
struct Line {
    int master = -1;
    int slave = -1;
    Line() {
        char name[256] = {};
        ::openpty(&master, &slave, name, nullptr, nullptr);
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        qputenv("TESSALY_VIRTUAL_PORTS", QByteArray("COM240=") + name + ":Bench line");
    }
    ~Line() {
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        ::close(master);
        ::close(slave);
    }
    void write(const std::uint8_t* p, std::size_t n) const {
        while (n > 0) {
            const ssize_t w = ::write(master, p, n);
            if (w <= 0) {
                return;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }
};

// The measuring board on the line, with its data window and the panel's links showing its
// readings in the panel's live labels, as the program has them.
struct Receiver {
    DeviceRig rig{std::make_unique<FakeCommControl>(), std::make_unique<SerialCommControl>()};
    std::array<QLabel*, 7>& labels = rig.panel.实时数据;

    Receiver() {
        rig.panel.USBcheck->setChecked(true);
        PanelStandIns::choose(rig.panel.SelectPort1, QStringLiteral("COM240->Bench line"));
        rig.window.Command3_Click();
    }
};

void BM_ByteToLabelLatency(benchmark::State& state) {
    Line line;
    Receiver rx;
    if (!rx.rig.measuringBoard.isConnected()) {
        state.SkipWithError("cannot open the pseudo-terminal");
        return;
    }
    boardsim::MeasuringBoard meter(3);
    std::uint64_t ms = 0;
    std::vector<double> samples;
    for (auto _ : state) {
        // A gap longer than the window's show interval, as from a board at up to 25 frames a
        // second: what is timed is the way through, not the wait for the next showing.
        QEventLoop gap;
        QTimer::singleShot(40, &gap, &QEventLoop::quit);
        gap.exec();
        ms += 10;
        const auto frame = meter.frame(ms, false, false);
        const QString expected = QString::number(ms);
        // Wakes the loop should the frame never arrive.
        QTimer guard;
        guard.setSingleShot(true);
        guard.start(2000);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        const auto t0 = std::chrono::steady_clock::now();
        line.write(frame.data(), frame.size());
        // The loop sleeps until the line or a timer wakes it; a label has no change signal.
        while (rx.labels[4]->text() != expected && std::chrono::steady_clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const auto t1 = std::chrono::steady_clock::now();
        if (rx.labels[4]->text() != expected) {
            state.SkipWithError("frame never reached the label");
            return;
        }
        const std::chrono::duration<double> dt = t1 - t0;
        state.SetIterationTime(dt.count());
        samples.push_back(dt.count() * 1000.0);
    }
    std::sort(samples.begin(), samples.end());
    state.counters["p50_ms"] = samples[samples.size() / 2];
    state.counters["p99_ms"] = samples[samples.size() * 99 / 100];
    state.counters["max_ms"] = samples.back();
}
BENCHMARK(BM_ByteToLabelLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(500);

// The board at the full line rate (11520 bytes/s), written in random pieces with random gaps;
// the window's count of decoded frames is the count received.
void BM_FramesLostAt115200(benchmark::State& state) {
    const double seconds = qEnvironmentVariableIsSet("TESSALY_BENCH_SECONDS")
                               ? qEnvironmentVariable("TESSALY_BENCH_SECONDS").toDouble()
                               : 60.0;
    const auto frameCount = static_cast<std::size_t>(seconds * 11520.0 / frames::kFrameSize);
    for (auto _ : state) {
        Line line;
        Receiver rx;
        const auto received = [&rx] {
            return static_cast<std::size_t>(rx.rig.measuringBoard.framesReceived());
        };
        std::atomic<bool> done{false};
        std::thread writer([&] {
            const auto stream = frameStream(frameCount);
            std::mt19937 random(21);
            std::uniform_int_distribution<std::size_t> cut(1, 64);
            const auto start = std::chrono::steady_clock::now();
            std::size_t pos = 0;
            while (pos < stream.size()) {
                const std::size_t n = std::min(cut(random), stream.size() - pos);
                // Never ahead of the line rate: each byte takes 1/11520 s.
                const auto due = start + std::chrono::microseconds(
                                             static_cast<std::int64_t>((pos + n) * 1e6 / 11520.0));
                std::this_thread::sleep_until(due);
                line.write(stream.data() + pos, n);
                pos += n;
            }
            done = true;
        });
        // A plain event loop, as the program runs: it sleeps until the line has bytes.
        QEventLoop loop;
        QTimer poll;
        poll.start(50);
        QElapsedTimer sinceDone;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (!done) {
                return;
            }
            if (!sinceDone.isValid()) {
                sinceDone.start();
            }
            // Give the last reads a moment, then count.
            if (received() >= frameCount || sinceDone.elapsed() > 500) {
                loop.quit();
            }
        });
        loop.exec();
        writer.join();
        state.counters["frames_sent"] = static_cast<double>(frameCount);
        state.counters["frames_received"] = static_cast<double>(received());
        state.counters["frames_lost"] =
            static_cast<double>(frameCount - std::min(frameCount, received()));
    }
}
BENCHMARK(BM_FramesLostAt115200)->Iterations(1)->Unit(benchmark::kSecond);

// How long one Output holds the window's thread when the board has stopped reading: the
// line is filled first, then each iteration is one frame that cannot go.
void BM_OutputToAStalledBoard(benchmark::State& state) {
    Line line;
    SerialCommControl comm;
    comm.setCommPort(240);
    comm.setPortOpen(true);
    const QByteArray frame = QByteArray::fromHex("aa010100");
    for (qsizetype sent = 0; sent < 4 * 1024 * 1024; sent += frame.size()) {
        try {
            comm.Output(frame);
        } catch (const CommError&) {
            break;
        }
    }
    std::int64_t failures = 0;
    for (auto _ : state) {
        try {
            comm.Output(frame);
        } catch (const CommError&) {
            ++failures;
        }
    }
    state.counters["failed"] = static_cast<double>(failures);
}
BENCHMARK(BM_OutputToAStalledBoard)->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

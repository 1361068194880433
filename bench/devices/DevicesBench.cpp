// Figures of the whole panel with its boards attached: processor time while a program runs
// against the simulated boards, the delay from a measuring frame on the line to the panel's
// reading, and the length of the exit sequence with both relays closed.
#include "app/AppRoot.h"
#include "audio/ClipPlayer.h"
#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/Paths.h"
#include "bench/QtBenchmarkMain.h"
#include "panel/TessalyPanel.h"
#include "run/RunEngine.h"
#include "serial/DataWindow.h"
#include "serial/FrameText.h"
#include "serial/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <memory>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

using Steady = std::chrono::steady_clock;

class SilentPlayer final : public ClipPlayer {
public:
    void 播放一个指定文件(const QString&) override {}
};

// A modal box would stop the benchmark until someone clicked it; boxes are counted instead
// and the count is reported, as any box here means something went wrong.
class CountedMessageBoxes final : public MessageBoxService {
public:
    CountedMessageBoxes() { setMessageBoxService(this); }
    ~CountedMessageBoxes() override { setMessageBoxService(nullptr); }
    CountedMessageBoxes(const CountedMessageBoxes&) = delete;
    CountedMessageBoxes& operator=(const CountedMessageBoxes&) = delete;

    MessageAnswer show(QWidget*, const MessageRequest& request) override {
        ++shown;
        last = request.text;
        return request.buttons == MessageButtons::YesNo ||
                       request.buttons == MessageButtons::YesNoCancel
                   ? MessageAnswer::No
                   : MessageAnswer::Ok;
    }

    int shown = 0;
    QString last;
};

// The board simulator of the program folder, for the life of one object. Its ports go into
// TESSALY_VIRTUAL_PORTS, which the port list reads.
class BoardSim {
public:
    explicit BoardSim(const QStringList& arguments = {}) {
        m_process.start(programFolder() + QStringLiteral("/boardsim"), arguments);
        if (m_process.waitForStarted(5000) && m_process.waitForReadyRead(5000)) {
            m_ports = QString::fromLocal8Bit(m_process.readLine()).trimmed();
            qputenv("TESSALY_VIRTUAL_PORTS", m_ports.toLocal8Bit());
        }
    }
    ~BoardSim() {
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    bool running() const { return !m_ports.isEmpty(); }

private:
    QProcess m_process;
    QString m_ports;
};

const QString kRelayEntry = QStringLiteral("COM201->Relay board (simulated)");
const QString kMeterEntry = QStringLiteral("COM202->Measuring board (simulated)");

// What the operator does to connect: tick the master switch, refresh the lists, choose the
// board and press its Connect. Empty entries are left alone.
void connectFromPanel(TessalyPanel& p, const QString& relay, const QString& meter) {
    p.USBcheck->setChecked(true);
    p.显示串口->click();
    if (!relay.isEmpty()) {
        p.SelectPort[0]->setEditText(relay);
        p.Command1->click();
    }
    if (!meter.isEmpty()) {
        p.SelectPort[1]->setEditText(meter);
        p.Command2->click();
    }
}

bool connected(const QPushButton* button) {
    return button->text() == QLatin1String("Disconnect");
}

// Runs the event loop for ms, or until done() holds.
template <typename Done> bool spinUntil(int ms, Done done) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() >= ms) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// Times the window's thread (the process's first) went to sleep and was woken, from the
// kernel's count of its voluntary context switches.
double windowThreadWakeups() {
    QFile status(QStringLiteral("/proc/self/task/%1/status").arg(::getpid()));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("voluntary_ctxt_switches:")) {
            return line.mid(24).trimmed().toDouble();
        }
    }
    return 0;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// 40 steps of one second each: the levels change every step, the laser every other step and
// the vacuum pump every fourth, so the run plays clips and switches relays as it goes.
void fillProgram(TessalyPanel& p) {
    for (int i = 0; i < kStepCount; ++i) {
        p.Text1[i]->setText(QStringLiteral("0"));
        p.Text2[i]->setText(QStringLiteral("0"));
        p.Text3[i]->setText(QStringLiteral("1"));
        p.Text4[i]->setText(QString::number(i % 10));
        p.Text5[i]->setText(QString::number((i / 10) % 10));
        setCheckValue(p.Check4[i], i % 2);
        setCheckValue(p.Check5[i], i % 4 == 0 ? 1 : 0);
        setCheckValue(p.Check6[i], 0);
    }
}

// Processor time of the whole process while the shown panel runs a cycling program on the
// system clock, with both simulated boards connected and the charts redrawn every tick.
void BM_RunningPanelCpu(benchmark::State& state) {
    for (auto _ : state) {
        CountedMessageBoxes boxes;
        BoardSim sim;
        if (!sim.running()) {
            state.SkipWithError("boardsim did not start");
            return;
        }
        SilentPlayer player;
        AppRoot root(systemClock(), [&player]() -> ClipPlayer& { return player; });
        root.endProcess = [] {
        };
        root.Form_Load();
        TessalyPanel& p = root.panel();
        connectFromPanel(p, kRelayEntry, kMeterEntry);
        if (!connected(p.Command1) || !connected(p.Command2)) {
            state.SkipWithError("the boards did not connect");
            return;
        }
        fillProgram(p);
        p.Check7->setChecked(true);

        int ticks = 0;
        QObject::connect(p.Timer1, &QTimer::timeout, p.Timer1, [&ticks] { ++ticks; });
        const std::uint64_t framesBefore = root.measuringBoard().framesReceived();

        QCoreApplication::processEvents();
        RunEngine& engine = root.runEngine();
        const double cpuStart = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        engine.启动程序_Click(RunEngine::Start);
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(state.range(0) * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = cpuSeconds() - cpuStart;
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;

        state.counters["cpu_percent_of_core"] = 100.0 * cpu / seconds;
        state.counters["wall_s"] = seconds;
        state.counters["run_ticks"] = ticks;
        state.counters["readings_seen"] =
            static_cast<double>(root.measuringBoard().framesReceived() - framesBefore);
        state.counters["step_at_end"] = engine.stepIndex;
        state.counters["message_boxes"] = boxes.shown;
        engine.启动程序_Click(RunEngine::Stopp);
        root.exitSoftware();
    }
}
BENCHMARK(BM_RunningPanelCpu)->Arg(60)->Arg(10)->Iterations(1)->Unit(benchmark::kSecond);

// A pseudo-terminal of our own standing for the measuring board, listed as COM202.
struct MeterLine {
    int master = -1;
    int slave = -1;

    MeterLine() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
            return;
        }
        termios t{};
        ::tcgetattr(slave, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave, TCSANOW, &t);
        qputenv("TESSALY_VIRTUAL_PORTS",
                QByteArray("COM202=") + name + ":Measuring board (simulated)");
    }
    ~MeterLine() {
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        if (master >= 0) {
            ::close(master);
            ::close(slave);
        }
    }
    MeterLine(const MeterLine&) = delete;
    MeterLine& operator=(const MeterLine&) = delete;

    bool open() const { return master >= 0; }
    bool write(std::span<const std::uint8_t> bytes) const {
        const std::uint8_t* p = bytes.data();
        std::size_t n = bytes.size();
        while (n > 0) {
            const ssize_t w = ::write(master, p, n);
            if (w <= 0) {
                return false;
            }
            p += w;
            n -= static_cast<std::size_t>(w);
        }
        return true;
    }
};

// The program with the measuring board on a pseudo-terminal of its own, connected from the
// panel as the operator would; error says what went wrong, null when connected.
struct MeterRig {
    MeterLine line;
    SilentPlayer player;
    std::unique_ptr<AppRoot> root;
    const char* error = nullptr;

    MeterRig() {
        if (!line.open()) {
            error = "no pseudo-terminal";
            return;
        }
        root = std::make_unique<AppRoot>(systemClock(), [this]() -> ClipPlayer& { return player; });
        root->endProcess = [] {
        };
        root->Form_Load();
        connectFromPanel(root->panel(), {}, kMeterEntry);
        if (!connected(root->panel().Command2)) {
            error = "the measuring board did not connect";
        }
    }
};

// From the write of one frame to the main panel's voltage reading showing its value, through
// the data window and the panel's links, with the panel shown and its timers running. Frames
// come 40 ms apart, longer than the data window's show interval, as from a board at up to 25
// frames a second; faster streams are the line-rate benchmark's.
void BM_FrameToLabelLatency(benchmark::State& state) {
    CountedMessageBoxes boxes;
    MeterRig rig;
    if (rig.error != nullptr) {
        state.SkipWithError(rig.error);
        return;
    }
    MeterLine& line = rig.line;
    AppRoot& root = *rig.root;
    TessalyPanel& p = root.panel();
    QLabel* label = p.实时数据[frames::Voltage];

    // Fields as the board would send them; only the voltage differs from frame to frame.
    frames::RawFields raw;
    raw.voltage = 50000;
    raw.current = 850;
    raw.charge = 12;
    raw.energy = 60;
    raw.dPlus = 2700;
    raw.dMinus = 2000;
    std::vector<double> samples;
    bool lost = false;
    for (auto _ : state) {
        QEventLoop gap;
        QTimer::singleShot(40, &gap, &QEventLoop::quit);
        gap.exec();
        ++raw.voltage;
        raw.time += 10;
        const QString expected = readingText(
            frames::readingOf(raw, frames::TimeScale::Received).values[frames::Voltage]);
        const auto frame = frames::encodeFrame(raw);
        const Steady::time_point deadline = Steady::now() + std::chrono::seconds(2);
        // Wakes the loop should the frame never arrive.
        QTimer guard;
        guard.setSingleShot(true);
        guard.start(2000);
        const Steady::time_point t0 = Steady::now();
        if (!line.write(frame)) {
            state.SkipWithError("the frame could not be written");
            return;
        }
        // The loop sleeps until the line, a timer or the guard wakes it.
        while (label->text() != expected && Steady::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        const Steady::time_point t1 = Steady::now();
        if (label->text() != expected) {
            lost = true;
            break;
        }
        const std::chrono::duration<double> dt = t1 - t0;
        state.SetIterationTime(dt.count());
        samples.push_back(dt.count() * 1e6);
    }
    if (lost) {
        state.SkipWithError("a frame never reached the panel");
        return;
    }
    double sum = 0;
    for (const double s : samples) {
        sum += s;
    }
    std::sort(samples.begin(), samples.end());
    state.counters["mean_us"] = sum / static_cast<double>(samples.size());
    state.counters["p50_us"] = samples[samples.size() / 2];
    state.counters["p99_us"] = samples[samples.size() * 99 / 100];
    state.counters["max_us"] = samples.back();
    state.counters["over_20ms"] = static_cast<double>(
        samples.end() - std::upper_bound(samples.begin(), samples.end(), 20000.0));
    state.counters["message_boxes"] = boxes.shown;
    root.exitSoftware();
}
BENCHMARK(BM_FrameToLabelLatency)->UseManualTime()->Iterations(500)->Unit(benchmark::kMicrosecond);

// The measuring board sending at a given rate while a cycling program runs with its charts:
// the process's processor share (the writer thread's own time taken out), frames lost, and the
// longest a frame waited before the panel showed it or a newer one. Every frame carries its
// sequence number in the time field, so the panel's time reading says which frame it shows.
void BM_MeasuringLineRate(benchmark::State& state) {
    const double rate = static_cast<double>(state.range(0));
    const double seconds = qEnvironmentVariableIsSet("TESSALY_BENCH_SECONDS")
                               ? qEnvironmentVariable("TESSALY_BENCH_SECONDS").toDouble()
                               : 30.0;
    const auto frameCount = static_cast<std::size_t>(rate * seconds);
    for (auto _ : state) {
        CountedMessageBoxes boxes;
        MeterRig rig;
        if (rig.error != nullptr) {
            state.SkipWithError(rig.error);
            return;
        }
        MeterLine& line = rig.line;
        AppRoot& root = *rig.root;
        TessalyPanel& p = root.panel();
        fillProgram(p);
        p.Check7->setChecked(true);
        QCoreApplication::processEvents();

        // Send times by sequence number, written by the writer before each frame goes out.
        std::vector<std::atomic<std::int64_t>> sentNs(frameCount + 2);
        const auto nowNs = [] {
            return std::chrono::duration_cast<std::chrono::nanoseconds>(
                       Steady::now().time_since_epoch())
                .count();
        };
        std::size_t shownSeq = 0;
        std::int64_t worstWaitNs = 0;
        int labelUpdates = 0;
        // A label has no change signal: the bench looks at it after every pass of the loop.
        const auto look = [&] {
            const auto seq = static_cast<std::size_t>(
                std::llround(p.实时数据[frames::Time]->text().toDouble() / 10.0));
            if (seq <= shownSeq || seq > frameCount) {
                return;
            }
            const std::int64_t now = nowNs();
            // The oldest frame this update is the first to cover.
            worstWaitNs = std::max(worstWaitNs, now - sentNs[shownSeq + 1].load());
            shownSeq = seq;
            ++labelUpdates;
        };
        std::atomic<bool> done{false};
        double writerCpu = 0;
        const double wakeupsStart = windowThreadWakeups();
        const double cpuStart = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        root.runEngine().启动程序_Click(RunEngine::Start);
        std::thread writer([&] {
            frames::RawFields raw;
            raw.current = 850;
            raw.dPlus = 2700;
            raw.dMinus = 2000;
            const Steady::time_point start = Steady::now();
            for (std::size_t seq = 1; seq <= frameCount; ++seq) {
                std::this_thread::sleep_until(
                    start + std::chrono::nanoseconds(
                                static_cast<std::int64_t>(static_cast<double>(seq) * 1e9 / rate)));
                raw.voltage = 50000 + static_cast<std::uint32_t>(seq % 100);
                raw.time = static_cast<std::uint32_t>(seq);
                sentNs[seq] = nowNs();
                line.write(frames::encodeFrame(raw));
            }
            timespec cpu{};
            ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
            writerCpu = static_cast<double>(cpu.tv_sec) + static_cast<double>(cpu.tv_nsec) / 1e9;
            done = true;
        });
        // The label is read after each pass of the loop; the loop sleeps when nothing is due.
        while (!done || shownSeq < frameCount) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            look();
            if (done && wall.elapsed() > static_cast<qint64>(seconds * 1000) + 1000) {
                break;
            }
        }
        writer.join();
        const double cpu = cpuSeconds() - cpuStart - writerCpu;
        const double wallSeconds = static_cast<double>(wall.elapsed()) / 1000.0;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / wallSeconds;
        state.counters["frames_sent"] = static_cast<double>(frameCount);
        state.counters["frames_lost"] = static_cast<double>(
            frameCount -
            std::min<std::uint64_t>(frameCount, root.measuringBoard().framesReceived()));
        state.counters["newest_shown_ms_max"] = static_cast<double>(worstWaitNs) / 1e6;
        state.counters["label_updates_per_s"] = labelUpdates / wallSeconds;
        state.counters["window_wakeups_per_s"] =
            (windowThreadWakeups() - wakeupsStart) / wallSeconds;
        state.counters["message_boxes"] = boxes.shown;
        root.runEngine().启动程序_Click(RunEngine::Stopp);
        root.exitSoftware();
    }
}
BENCHMARK(BM_MeasuringLineRate)
    ->Arg(10)
    ->Arg(100)
    ->Arg(411)
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

// The relay board's received frames from the simulator's log, "AA 01 01 00" and the like.
QStringList relayFrames(const QString& logPath) {
    QFile file(logPath);
    QStringList result;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return result;
    }
    const QString marker = QStringLiteral(" relay board: ");
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString text = QString::fromLatin1(raw).trimmed();
        const qsizetype at = text.indexOf(marker);
        if (at >= 0) {
            result << text.mid(at + marker.size());
        }
    }
    return result;
}

// Open frames for relays 1 and 2 received after both close frames.
int openFramesAfterClose(const QStringList& received) {
    const qsizetype close1 = received.indexOf(QStringLiteral("AA 01 01 00"));
    const qsizetype close2 = received.indexOf(QStringLiteral("AA 02 01 00"));
    if (close1 < 0 || close2 < 0) {
        return 0;
    }
    int count = 0;
    for (qsizetype i = std::max(close1, close2) + 1; i < received.size(); ++i) {
        if (received[i] == QLatin1String("AA 01 00 00") ||
            received[i] == QLatin1String("AA 02 00 00")) {
            ++count;
        }
    }
    return count;
}

// The exit sequence with the relay board connected and both relays closed: how long it takes,
// and whether the board was told to open both before its port closed.
void BM_ExitWithBothRelaysOn(benchmark::State& state) {
    std::vector<double> exitMs;
    std::vector<int> openSeen;
    int processEnds = 0;
    int boxesShown = 0;
    int iteration = 0;
    for (auto _ : state) {
        QTemporaryDir logDir;
        const QString logPath = logDir.filePath(QStringLiteral("relay-%1.log").arg(iteration++));
        CountedMessageBoxes boxes;
        BoardSim sim({QStringLiteral("--log"), logPath});
        if (!sim.running()) {
            state.SkipWithError("boardsim did not start");
            return;
        }
        SilentPlayer player;
        auto root =
            std::make_unique<AppRoot>(systemClock(), [&player]() -> ClipPlayer& { return player; });
        root->endProcess = [&processEnds] {
            ++processEnds;
        };
        root->Form_Load();
        TessalyPanel& p = root->panel();
        connectFromPanel(p, kRelayEntry, {});
        if (!connected(p.Command1)) {
            state.SkipWithError("the relay board did not connect");
            return;
        }
        p.Check2->click();
        p.Check3->click();
        // Both relays must be closed on the board before the exit is timed.
        const bool closed = spinUntil(3000, [&] {
            const QStringList received = relayFrames(logPath);
            return received.contains(QStringLiteral("AA 01 01 00")) &&
                   received.contains(QStringLiteral("AA 02 01 00"));
        });
        if (!closed) {
            state.SkipWithError("the relays never closed");
            return;
        }

        const Steady::time_point t0 = Steady::now();
        root->exitSoftware();
        const Steady::time_point t1 = Steady::now();
        const std::chrono::duration<double> dt = t1 - t0;
        state.SetIterationTime(dt.count());
        exitMs.push_back(dt.count() * 1000.0);

        // The simulator logs what it read in its own time; give it a moment.
        int seen = 0;
        spinUntil(2000, [&] {
            seen = openFramesAfterClose(relayFrames(logPath));
            return seen >= 2;
        });
        openSeen.push_back(seen);
        boxesShown += boxes.shown;
        root.reset();
    }
    double sum = 0;
    for (const double ms : exitMs) {
        sum += ms;
    }
    state.counters["exit_ms_mean"] = sum / static_cast<double>(exitMs.size());
    state.counters["exit_ms_max"] = *std::max_element(exitMs.begin(), exitMs.end());
    state.counters["open_frames_seen"] =
        static_cast<double>(*std::min_element(openSeen.begin(), openSeen.end()));
    state.counters["open_frames_seen_max"] =
        static_cast<double>(*std::max_element(openSeen.begin(), openSeen.end()));
    state.counters["process_ends"] = processEnds;
    state.counters["message_boxes"] = boxesShown;
}
BENCHMARK(BM_ExitWithBothRelaysOn)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

// Figures for the run engine: the cost of one run tick, and the processor time an idle panel
// takes while its event loop runs.
#include "app/AppRoot.h"
#include "audio/ClipPlayer.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "bench/QtBenchmarkMain.h"
#include "panel/TessalyPanel.h"
#include "run/ChartData.h"
#include "run/RunEngine.h"
#include "run/RunJournal.h"
#include "run/RunRecorder.h"
#include "serial/DataWindow.h"
#include "serial/FrameText.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {

class SilentPlayer final : public ClipPlayer {
public:
    void 播放一个指定文件(const QString&) override {}
};

// A program of 40 steps, each one second, so ticks move through steps and change clips.
void fillProgram(TessalyPanel& panel) {
    for (int i = 0; i < kStepCount; ++i) {
        panel.Text3[i]->setText(QStringLiteral("1"));
        panel.Text4[i]->setText(QString::number(i % 10));
        panel.Text5[i]->setText(QString::number((i / 10) % 10));
    }
}

// A whole run tick (step finding, clips, charts); argument 1 also records the run, so the
// two figures side by side give the recording's share, and its bytes per tick the size of a
// long run's record.
void BM_RunTick(benchmark::State& state) {
    ManualClock clock;
    SilentPlayer player;
    AppRoot root(clock, [&player]() -> ClipPlayer& { return player; });
    root.recorder().setEnabled(state.range(0) == 1);
    TessalyPanel& panel = root.panel();
    fillProgram(panel);
    panel.Check7->setChecked(true);
    // A live reading, through the data window's frame simulation as a board's frame would be.
    const auto frame = frames::encodeFrame({50017, 50017, 50017, 50017, 50017, 5001, 5001});
    root.dataWindow()->Text3->setText(
        hexText(QByteArray(reinterpret_cast<const char*>(frame.data()), frame.size())).trimmed());
    root.dataWindow()->Command2_Click();
    RunEngine& engine = root.runEngine();
    engine.启动程序_Click(RunEngine::Start);
    const QString record = root.recorder().recordPath();
    const qint64 startSize = QFileInfo(record).size();
    for (auto _ : state) {
        clock.advanceMs(500);
        engine.Timer1_Timer();
    }
    if (!record.isEmpty()) {
        state.counters["record_bytes_per_tick"] =
            double(QFileInfo(record).size() - startSize) / double(state.iterations());
    }
    root.recorder().setEnabled(false);
}
BENCHMARK(BM_RunTick)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Bytes this process has had written to the storage layer so far (whole pages), or -1.
double storageBytesWritten() {
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : io.readAll().split('\n')) {
        if (line.startsWith("write_bytes: ")) {
            return line.mid(13).toDouble();
        }
    }
    return -1;
}

// One run journal entry as a run second writes it: position, program digest, encoding and the
// write flushed to the disk. The journal is written once per run-clock second, so this is its
// cost per second of a run; the bytes give what a day of running writes.
void BM_RunJournalWrite(benchmark::State& state) {
    ManualClock clock;
    SilentPlayer player;
    AppRoot root(clock, [&player]() -> ClipPlayer& { return player; });
    fillProgram(root.panel());
    RunEngine& engine = root.runEngine();
    engine.启动程序_Click(RunEngine::Start);
    const double before = storageBytesWritten();
    for (auto _ : state) {
        clock.advanceMs(1000);
        root.journal().afterTick();
    }
    const double perWrite = (storageBytesWritten() - before) / double(state.iterations());
    state.counters["disk_bytes_per_write"] = perWrite;
    state.counters["disk_MB_per_day"] = perWrite * 86400 / 1e6;
    state.counters["file_bytes"] = double(QFileInfo(root.journal().path()).size());
    engine.启动程序_Click(RunEngine::Stopp);
}
BENCHMARK(BM_RunJournalWrite)->Unit(benchmark::kMicrosecond);

// A whole run tick against the program's length: the given number of steps of one second each,
// the rest empty, so the run cycles through them all.
void BM_RunTickByProgramLength(benchmark::State& state) {
    ManualClock clock;
    SilentPlayer player;
    AppRoot root(clock, [&player]() -> ClipPlayer& { return player; });
    root.recorder().setEnabled(false);
    TessalyPanel& panel = root.panel();
    for (int i = 0; i < kStepCount; ++i) {
        const bool used = i < state.range(0);
        panel.Text3[i]->setText(used ? QStringLiteral("1") : QStringLiteral("0"));
        panel.Text4[i]->setText(QString::number(i % 10));
        panel.Text5[i]->setText(QString::number((i / 10) % 10));
    }
    panel.Check7->setChecked(true);
    RunEngine& engine = root.runEngine();
    engine.启动程序_Click(RunEngine::Start);
    for (auto _ : state) {
        clock.advanceMs(500);
        engine.Timer1_Timer();
    }
}
BENCHMARK(BM_RunTickByProgramLength)->Arg(1)->Arg(10)->Arg(40)->Unit(benchmark::kMicrosecond);

// The shift and the redraw of both chart boxes, at the panel's box size, with every trace
// changing from sample to sample.
void BM_ChartShiftAndRedraw(benchmark::State& state) {
    AppRoot root(systemClock(), AppRoot::Sound::None);
    const QSize size = root.panel().Picture1[0]->size();
    QImage upper(size, QImage::Format_RGB32);
    QImage lower(size, QImage::Format_RGB32);
    ChartData data;
    int tick = 0;
    for (auto _ : state) {
        ++tick;
        const float on = static_cast<float>(tick % 2);
        data.图数据右移及新数据获取({on, 1 - on, on, float(tick % 10), float((tick / 10) % 10),
                                     float(tick % 100), float(4990 + tick % 20)});
        数据绘图(data, {0, 10}, upper, lower);
    }
    state.counters["box_px"] = size.width() * size.height();
}
BENCHMARK(BM_ChartShiftAndRedraw)->Unit(benchmark::kMicrosecond);

// Processor time of the whole process while a shown, idle panel runs its event loop.
void BM_IdlePanelCpu(benchmark::State& state) {
    for (auto _ : state) {
        AppRoot root(systemClock(), AppRoot::Sound::None);
        root.panel().show();
        // The first layout and paints are start-up, not idling.
        QEventLoop settle;
        QTimer::singleShot(2000, &settle, &QEventLoop::quit);
        settle.exec();
        const std::clock_t cpuStart = std::clock();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(state.range(0) * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC;
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / (wall.elapsed() / 1000.0);
    }
}
BENCHMARK(BM_IdlePanelCpu)->Arg(60)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

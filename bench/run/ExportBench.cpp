// Figures for the MP3 export of a program with long steps: its throughput against `cat` of the
// same sources into the same folder, by copy method, and the longest stall of the window's
// event loop while an export runs on the panel's own 100 ms timer.
#include "app/AppRoot.h"
#include "base/Clock.h"
#include "bench/QtBenchmarkMain.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "run/ExportSources.h"
#include "run/Mp3Export.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// Clip sizes at 128 kbit/s: lead-in 1 s, ten-second and minute clips.
constexpr int kLeadIn = 16000;
constexpr int kTenSeconds = 160000;
constexpr int kMinute = 960000;

struct Step {
    int row;
    StepTexts texts;
};
// 12 h, 2 h 30 min 45 s and 59 min 59 s: 929 minute clips, about 870 MB.
const Step kSteps[] = {{0, {"12", "0", "0", "3", "7"}},
                       {5, {"2", "30", "45", "5", "0"}},
                       {17, {"0", "59", "59", "9", "9"}}};

struct Bench {
    QTemporaryDir sources;
    QString out = QDir::homePath() + "/@TSY2023MP3/";
    ManualClock clock;
    std::unique_ptr<AppRoot> root;
    TessalyPanel* panel = nullptr;
    std::unique_ptr<Mp3Export> exporter;
    qint64 bytes = 0;

    Bench() {
        writeClip("A00.MC", kLeadIn);
        for (const Step& s : kSteps) {
            const QString pair = s.texts.left + s.texts.right;
            writeClip(pair + ".MC", kTenSeconds);
            writeClip("C" + pair + ".MC", kMinute);
        }
        root = std::make_unique<AppRoot>(clock, AppRoot::Sound::None);
        panel = &root->panel();
        for (const Step& s : kSteps) {
            panel->Text1[s.row]->setText(s.texts.hours);
            panel->Text2[s.row]->setText(s.texts.minutes);
            panel->Text3[s.row]->setText(s.texts.seconds);
            panel->Text4[s.row]->setText(s.texts.left);
            panel->Text5[s.row]->setText(s.texts.right);
            for (const QString& name : exportSourceList(s.texts)) {
                bytes += QFileInfo(findSourceFile(sources.path(), name)).size();
            }
        }
        panel->show();
        exporter = std::make_unique<Mp3Export>(
            *panel, *panel, [this]() -> const ProgramTable& { return root->editor().table(); },
            clock, panel, sources.path(), out);
        QDir().mkpath(out);
    }

    void writeClip(const QString& name, int size) {
        QByteArray bytes(size, Qt::Uninitialized);
        QRandomGenerator gen(size);
        gen.fillRange(reinterpret_cast<quint32*>(bytes.data()), size / 4);
        QFile f(sources.filePath(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }

    void clearOut() {
        for (const QString& name : QDir(out).entryList(QDir::Files | QDir::Hidden)) {
            QFile::remove(out + name);
        }
    }

    void cat() {
        for (const Step& s : kSteps) {
            QStringList paths;
            for (const QString& name : exportSourceList(s.texts)) {
                paths << findSourceFile(sources.path(), name);
            }
            QProcess p;
            p.setStandardOutputFile(out + QString("%1.cat").arg(s.row, 2, 10, QChar('0')));
            p.start("cat", paths);
            p.waitForFinished(-1);
        }
    }

    // The export with each tick taken as soon as the previous join has finished, so the fixed
    // 100 ms pacing does not hide the cost of the joins.
    void exportBackToBack() {
        exporter->Save_as_MP3_Click();
        panel->Timer4->stop();
        while (exporter->isExporting()) {
            exporter->Timer4_Timer();
            while (exporter->workerBusy()) {
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            }
        }
    }
};

double seconds(const QElapsedTimer& t) {
    return double(t.nsecsElapsed()) / 1e9;
}

void BM_ExportAgainstCat(benchmark::State& state) {
    Bench b;
    const CopyMethod method = state.range(0) == 0 ? CopyMethod::Fastest : CopyMethod::ReadWrite;
    b.exporter->setJoiner([method](const StepJoin& job, const std::atomic<bool>& cancel) {
        return joinStep(job, cancel, method);
    });
    double catTotal = 0;
    double exportTotal = 0;
    bool catFirst = true;
    for (auto _ : state) {
        // Whichever runs second meets the first one's write-back; take turns.
        const auto timed = [&b](auto&& run) {
            b.clearOut();
            QElapsedTimer t;
            t.start();
            run();
            return seconds(t);
        };
        double catTime = 0;
        double exportTime = 0;
        if (catFirst) {
            catTime = timed([&b] { b.cat(); });
        }
        exportTime = timed([&b] { b.exportBackToBack(); });
        if (!catFirst) {
            catTime = timed([&b] { b.cat(); });
        }
        catFirst = !catFirst;
        state.SetIterationTime(exportTime);
        catTotal += catTime;
        exportTotal += exportTime;
    }
    state.SetBytesProcessed(state.iterations() * b.bytes);
    state.counters["cat_s"] = catTotal / double(state.iterations());
    state.counters["ratio_to_cat"] = catTotal / exportTotal;
}
BENCHMARK(BM_ExportAgainstCat)
    ->ArgName("readwrite")
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(8)
    ->Unit(benchmark::kMillisecond);

// Longest gap between the firings of a 1 ms timer while the event loop runs for ms.
struct StallProbe {
    QTimer timer;
    QElapsedTimer gap;
    qint64 worstNs = 0;

    StallProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(1);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            worstNs = std::max(worstNs, gap.nsecsElapsed() - 1000000);
            gap.restart();
        });
        timer.start();
        gap.start();
    }
    double worstMs() const { return double(worstNs) / 1e6; }
};

// The same probe with nothing else to do: what the machine itself adds.
void BM_EventLoopStallIdle(benchmark::State& state) {
    double worst = 0;
    for (auto _ : state) {
        StallProbe probe;
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        worst = std::max(worst, probe.worstMs());
    }
    state.counters["max_stall_ms"] = worst;
}
BENCHMARK(BM_EventLoopStallIdle)->Iterations(1)->Unit(benchmark::kMillisecond);

// The export as the operator runs it: the panel's Timer4 every 100 ms, the previous export's
// files cleaned first. The probe records the longest gap of the event loop; the slowest
// handler of the export itself is timed too.
void BM_ExportOnTimerEventLoopStall(benchmark::State& state) {
    Bench b;
    b.exporter->setJoiner(
        [](const StepJoin& job, const std::atomic<bool>& cancel) { return joinStep(job, cancel); });
    qint64 slowestTickNs = 0;
    QObject::connect(b.panel->Timer4, &QTimer::timeout, b.exporter.get(), [&] {
        QElapsedTimer t;
        t.start();
        b.exporter->Timer4_Timer();
        slowestTickNs = std::max(slowestTickNs, t.nsecsElapsed());
    });
    b.clearOut();
    b.exportBackToBack(); // leaves files for the first export to clean
    double worst = 0;
    qint64 slowestClickNs = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QObject::connect(b.exporter.get(), &Mp3Export::exportEnded, &loop, &QEventLoop::quit);
        StallProbe probe;
        QElapsedTimer t;
        t.start();
        b.exporter->Save_as_MP3_Click();
        slowestClickNs = std::max(slowestClickNs, t.nsecsElapsed());
        loop.exec();
        worst = std::max(worst, probe.worstMs());
    }
    state.counters["max_stall_ms"] = worst;
    state.counters["slowest_tick_ms"] = double(slowestTickNs) / 1e6;
    state.counters["click_ms"] = double(slowestClickNs) / 1e6;
}
BENCHMARK(BM_ExportOnTimerEventLoopStall)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

// Figures for the program editor: loading a program into the panel against parsing it alone,
// and building the main panel with its start-up sequence.
#include "app/AppRoot.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "bench/QtBenchmarkMain.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "program/ProgramFile.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// Two programs that differ in every field, so each load changes all 320 controls.
QByteArray programBytes(int variant) {
    ProgramSteps steps;
    for (int i = 0; i < kStepCount; ++i) {
        const int v = i + variant;
        steps[i].texts = {QString::number(v % 13), QString::number((v * 7) % 60),
                          QString::number((v * 11) % 60), QString::number(v % 10),
                          QString::number((v + 5) % 10)};
        steps[i].flags = {v % 2, (v + 1) % 2, v % 2};
    }
    return formatProgramFile(steps);
}

QString writeProgram(const QString& name, const QByteArray& bytes) {
    const QString path = workingFolder() + name;
    QDir().mkpath(workingFolder());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

void BM_ParseProgramFile(benchmark::State& state) {
    const QByteArray bytes = programBytes(0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(parseProgramFile(bytes));
    }
}
BENCHMARK(BM_ParseProgramFile)->Unit(benchmark::kMicrosecond);

void BM_ReadAndParseProgramFile(benchmark::State& state) {
    const QString path = writeProgram("parse.TSY", programBytes(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(readProgramFile(path));
    }
}
BENCHMARK(BM_ReadAndParseProgramFile)->Unit(benchmark::kMicrosecond);

// Argument 1 shows the panel, so rows repaint as they fill.
void BM_LoadProgramIntoPanel(benchmark::State& state) {
    const QString paths[2] = {writeProgram("a.TSY", programBytes(0)),
                              writeProgram("b.TSY", programBytes(1))};
    ManualClock clock;
    AppRoot root(clock, AppRoot::Sound::None);
    if (state.range(0) == 1) {
        root.panel().show();
    }
    int k = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(root.editor().读取程序(paths[k]));
        k ^= 1;
    }
}
BENCHMARK(BM_LoadProgramIntoPanel)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The start-up without its fixed 200 ms wait (a test clock skips it).
void BM_PanelConstructionAndFormLoad(benchmark::State& state) {
    for (auto _ : state) {
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        root.Form_Load();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_PanelConstructionAndFormLoad)->Unit(benchmark::kMillisecond);

// The same with the real clock, including the 200 ms wait of the start-up sequence.
void BM_PanelConstructionAndFormLoadRealClock(benchmark::State& state) {
    for (auto _ : state) {
        AppRoot root(systemClock(), AppRoot::Sound::None);
        root.Form_Load();
        QCoreApplication::processEvents();
    }
}
BENCHMARK(BM_PanelConstructionAndFormLoadRealClock)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

// Figures for the help viewer: opening a help file and showing its start page, as the Help
// menu does (goal: at most 200 ms). Uses the installed English help file when the build has
// made it, the test fixture otherwise; each file is reported under its own name.
#include "bench/QtBenchmarkMain.h"
#include "help/HelpViewer.h"

#include <QDir>
#include <QFileInfo>
#include <QTextBrowser>
#include <benchmark/benchmark.h>

namespace {

QStringList helpFiles() {
    const QDir program(QStringLiteral(TESSALY_PROGRAM_DIR));
    for (const char* name : {"Help_English.chm", "Help_English.CHM"}) {
        if (QFileInfo(program.filePath(QLatin1String(name))).isFile()) {
            return {program.filePath(QLatin1String(name))};
        }
    }
#ifdef TESSALY_HELP_FIXTURE
    return {QStringLiteral(TESSALY_HELP_FIXTURE)};
#else
    return {};
#endif
}

// A fresh window each time: open, build the contents tree, lay out the start page.
void BM_OpenAndShowStartPage(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        HelpViewer viewer;
        if (!viewer.openFile(path)) {
            state.SkipWithError(viewer.errorText().toUtf8().constData());
            return;
        }
        viewer.show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(viewer.browser()->document()->pageCount());
    }
    state.SetLabel(QFileInfo(path).fileName().toStdString());
}

// The file alone: checks, directory, #SYSTEM, contents parsed, start page read.
void BM_OpenFileOnly(benchmark::State& state, const QString& path) {
    for (auto _ : state) {
        ChmFile file;
        if (!file.open(path)) {
            state.SkipWithError(file.errorString().toUtf8().constData());
            return;
        }
        benchmark::DoNotOptimize(file.read(file.startPage()));
    }
    state.SetLabel(QFileInfo(path).fileName().toStdString());
}

} // namespace

int main(int argc, char** argv) {
    // Registered before the run so the program folder is known; names carry the file.
    for (const QString& path : helpFiles()) {
        const std::string name = QFileInfo(path).fileName().toStdString();
        benchmark::RegisterBenchmark(("OpenAndShowStartPage/" + name).c_str(),
                                     BM_OpenAndShowStartPage, path)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("OpenFileOnly/" + name).c_str(), BM_OpenFileOnly, path)
            ->Unit(benchmark::kMillisecond);
    }
    return runQtBenchmarks(argc, argv);
}

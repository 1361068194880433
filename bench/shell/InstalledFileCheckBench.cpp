#include "base/Clock.h"
#include "bench/QtBenchmarkMain.h"
#include "bench/shell/SilentVideoPlayer.h"
#include "intro/IntroWindow.h"

#include <QTimer>

namespace {

// One tick of the check over the built program folder, where every file is present: it runs on
// the window thread, so it must stay far below a frame.
void InstalledFileCheckTick(benchmark::State& state) {
    ManualClock clock;
    片头::Services services;
    services.clock = &clock;
    services.folder = QStringLiteral(TESSALY_PROGRAM_DIR);
    services.player = std::make_unique<SilentVideoPlayer>();
    片头 splash(std::move(services));
    splash.start();
    for (auto _ : state) {
        splash.检查文件是否齐全->start();
        splash.检查文件是否齐全_Timer();
        if (splash.检查文件是否齐全->isActive()) {
            state.SkipWithError("the program folder is not complete");
            break;
        }
    }
}
BENCHMARK(InstalledFileCheckTick)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

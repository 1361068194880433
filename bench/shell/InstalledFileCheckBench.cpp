#include "base/Clock.h"
#include "bench/QtBenchmarkMain.h"
#include "intro/IntroWindow.h"

#include <QTimer>

namespace {

class SilentPlayer final : public VideoPlayer {
public:
    QWidget* widget() override { return &m_widget; }
    void setFileName(const QString&) override {}
    void play() override {}
    void stop() override {}
    State playState() const override { return Playing; }
    void setMute(bool) override {}
    bool isMuted() const override { return true; }
    void release() override {}

private:
    QWidget m_widget;
};

// One tick of the check over the built program folder, where every file is present: it runs on
// the window thread, so it must stay far below a frame.
void InstalledFileCheckTick(benchmark::State& state) {
    ManualClock clock;
    片头::Services services;
    services.clock = &clock;
    services.folder = QStringLiteral(TESSALY_PROGRAM_DIR);
    services.player = std::make_unique<SilentPlayer>();
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

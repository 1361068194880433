// The running rig as an operator has it, for measuring from outside: starts as the program does
// (splash, video, hand-over, the real player), then connects both boards through the panel's
// own controls, ticks "Cycle" and starts the program that the panel loaded, and runs until it
// is told to end (SIGTERM runs the exit sequence, as in the program). Prints "running <pid>"
// once the run has started. rig_cost.sh drives it on a real X server.
//   rig_cost_probe <program folder> [--without-video]
// --without-video: the splash's player plays nothing, so the media back end is never loaded;
// the difference to a normal run is what the intro video leaves behind.
// The boards come from TESSALY_VIRTUAL_PORTS (the board simulator's first line).
#include "app/AppRoot.h"
#include "app/StartUp.h"
#include "app/TerminationSignals.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "bench/shell/SilentVideoPlayer.h"
#include "intro/QtVideoPlayer.h"
#include "panel/TessalyPanel.h"
#include "run/RunEngine.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

// What the operator does: the master switch, the port lists, both boards, Connect, Cycle, Start.
bool connectAndRun(AppRoot& root) {
    TessalyPanel& p = root.panel();
    p.USBcheck->setChecked(true);
    p.显示串口->click();
    p.SelectPort[0]->setEditText(QStringLiteral("COM201->Relay board (simulated)"));
    p.SelectPort[1]->setEditText(QStringLiteral("COM202->Measuring board (simulated)"));
    p.Command1->click();
    p.Command2->click();
    if (p.Command1->text() != QLatin1String("Disconnect") ||
        p.Command2->text() != QLatin1String("Disconnect")) {
        return false;
    }
    p.Check7->setChecked(true);
    p.启动程序[RunEngine::Start]->click();
    return root.runEngine().state().phase == RunState::Phase::Running;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets); // as the program does
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
    if (argc > 1) {
        setProgramFolder(QString::fromLocal8Bit(argv[1]));
    }
    enterProgramFolder();
    StartUp::Factories factories;
    const bool withoutVideo = argc > 2 && std::strcmp(argv[2], "--without-video") == 0;
    factories.videoPlayer = [withoutVideo]() -> std::unique_ptr<VideoPlayer> {
        if (withoutVideo) {
            return std::make_unique<SilentVideoPlayer>();
        }
        return std::make_unique<QtVideoPlayer>(QStringLiteral("Dorvex.jpg"));
    };
    StartUp* started = nullptr;
    factories.mainPanel = [&started] {
        // Once the start-up sequence that follows has run.
        QTimer::singleShot(500, [&started] {
            if (started == nullptr || started->root() == nullptr ||
                !connectAndRun(*started->root())) {
                std::fprintf(stderr, "rig_cost_probe: the boards or the run did not start\n");
                QCoreApplication::exit(2);
                return;
            }
            std::printf("running %d\n", static_cast<int>(::getpid()));
            std::fflush(stdout);
        });
        return std::make_unique<AppRoot>(systemClock(), AppRoot::Sound::PlayerWindow);
    };
    StartUp startUp(systemClock(), programFolder(), std::move(factories));
    started = &startUp;
    const TerminationSignals termination([&startUp](int) { startUp.terminate(); });
    startUp.Main();
    return QApplication::exec();
}

#include "app/AppRoot.h"
#include "app/StartUp.h"
#include "app/TerminationSignals.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "intro/QtVideoPlayer.h"
#include "serial/RelayCrashGuard.h"

#include <QApplication>
#include <QIcon>

// Main: prepares the application and shows the splash; the main panel follows at its hand-over.
int main(int argc, char** argv) {
    // Before anything can crash: a crash with the relay port open still opens the relays.
    RelayCrashGuard::install();
    // Video frames are converted and painted in software: without this, the first frame
    // brings up an OpenGL context (on a machine without a graphics card, a software renderer
    // of some 60 MB) only to convert it, and keeps it for the whole run.
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
    // Clip, help and video names are relative to the program folder.
    enterProgramFolder();
    QApplication::setWindowIcon(QIcon(QStringLiteral("tessaly.png")));

    StartUp::Factories factories;
    factories.videoPlayer = [] {
        return std::make_unique<QtVideoPlayer>(QStringLiteral("Dorvex.jpg"));
    };
    factories.mainPanel = [] {
        return std::make_unique<AppRoot>(systemClock(), AppRoot::Sound::PlayerWindow);
    };
    StartUp startUp(systemClock(), programFolder(), std::move(factories));
    // Being told to end is one more way to exit: the rig is switched off first.
    const TerminationSignals termination([&startUp](int) { startUp.terminate(); });
    startUp.Main();
    return QApplication::exec();
}

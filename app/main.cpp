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
    // Windows, the video frames among them, are painted in software: no OpenGL context (on a
    // machine without a graphics card, a software renderer of some 60 MB) is ever brought up
    // and kept for the whole run.
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

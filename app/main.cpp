#include "app/Clock.h"
#include "app/Paths.h"
#include "app/shell/AppRoot.h"
#include "app/shell/TerminationSignals.h"

#include <QApplication>

// Main: prepares the application and shows the main panel.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
    // Clip, help and video names are relative to the program folder.
    enterProgramFolder();

    AppRoot root(systemClock(), AppRoot::Sound::PlayerWindow);
    // Being told to end is one more way to exit: the rig is switched off first.
    const TerminationSignals termination([&root](int) { root.exitSoftware(); });
    root.Form_Load();
    return QApplication::exec();
}

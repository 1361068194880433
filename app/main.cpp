#include "app/Clock.h"
#include "app/Paths.h"
#include "audio/frmMemory.h"
#include "program/TessalyPanel.h"

#include <QApplication>

// Main: prepares the application and shows the main panel.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tessaly"));
    QCoreApplication::setApplicationName(QStringLiteral("Tessaly"));
    // Clip, help and video names are relative to the program folder.
    enterProgramFolder();

    // The hidden player window is made, and the audio library checked, at the first clip.
    TessalyPanel panel(systemClock(), []() -> ClipPlayer& { return frmMemory::instance(); });
    panel.Form_Load();
    return QApplication::exec();
}

#include "app/Clock.h"
#include "app/Paths.h"
#include "audio/frmMemory.h"
#include "program/ProgramTable.h"
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
    TessalyPanel* mainPanel = nullptr;
    const auto player = [&mainPanel]() -> ClipPlayer& {
        const bool firstUse = frmMemory::existing() == nullptr;
        frmMemory& window = frmMemory::instance();
        if (firstUse) {
            // Its own play button sounds the clip of the program's first step.
            window.setStepZeroClip([&mainPanel] { return mainPanel->programTable().clipName[0]; });
        }
        return window;
    };
    TessalyPanel panel(systemClock(), player);
    mainPanel = &panel;
    panel.Form_Load();
    return QApplication::exec();
}

#pragma once

#include "panel/MainPanelControls.h"

#include <QMainWindow>

// The main window: the 40-step program editor, the run controls, the history charts, the
// micropump command frame, the serial device frame and the MP3 export frame. It only builds
// and names its controls; the concerns that drive them are wired by the composition root.
class TessalyPanel : public QMainWindow, public MainPanelControls {
public:
    explicit TessalyPanel(QWidget* parent = nullptr);
};

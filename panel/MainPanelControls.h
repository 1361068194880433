#pragma once

#include "panel/PanelViews.h"

#include <array>

class QAction;
class QMainWindow;
class QMenu;

// Every control of the main panel under its own name, with no behaviour: made of the parts
// that the concerns drive (PanelViews.h), plus the menus the composition root wires and the
// few controls no concern drives.
struct MainPanelControls : StepTableView,
                           RunControlsView,
                           PumpControlsView,
                           ChartControlsView,
                           DeviceControlsView,
                           ExportControlsView {
    // Menu.
    QMenu* mnuFile = nullptr;
    QAction* mnu调入程序 = nullptr;
    QAction* mnu保存程序 = nullptr;
    QAction* mnu将程序另存为 = nullptr;
    QAction* Save_as_MP3 = nullptr;
    QAction* mnuRecordRuns = nullptr;  // checkable: keep a record file of each run
    QAction* mnuShareStatus = nullptr; // the read-only status page's window
    QAction* mnuExit = nullptr;
    QAction* 看工作目录 = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* Help_Chinese = nullptr;
    QAction* Help_English = nullptr;
    QAction* exitsoftware = nullptr;
    QAction* video = nullptr;
    QAction* 版权 = nullptr;

    // Captions of the run times, the working time and the pump captions.
    std::array<QLabel*, 3> Label21{};
    QLabel* Label29 = nullptr;
    std::array<QLabel*, 3> 微泵设备{};

    // The working-time tick.
    QTimer* Timer3 = nullptr;
};

// Creates every control of the main panel in window, at its place, with its initial caption,
// state and accessible name, and fills c with them.
void layOutMainPanel(QMainWindow& window, MainPanelControls& c);

// The panel's fixed size: 17600 x 10200 twips.
void setMainPanelSize(QWidget& window);

// The flat look: no sunken border on the step fields of rows 0..39, the scale fields and the
// chart boxes.
void 界面扁平化(const MainPanelControls& c);

#pragma once

#include "panel/StepRows.h"

#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMainWindow;
class QMenu;
class QPushButton;
class QTimer;
class QWidget;

// Every control of the main panel under its own name, with no behaviour: the concerns that
// drive them get narrow views of these (see PanelViews.h) and the composition root wires them.
struct MainPanelControls {
    // Menu.
    QMenu* mnuFile = nullptr;
    QAction* mnu调入程序 = nullptr;
    QAction* mnu保存程序 = nullptr;
    QAction* mnu将程序另存为 = nullptr;
    QAction* Save_as_MP3 = nullptr;
    QAction* mnuRecordRuns = nullptr; // checkable: keep a record file of each run
    QAction* mnuExit = nullptr;
    QAction* 看工作目录 = nullptr;
    QMenu* mnuhelp = nullptr;
    QAction* Help_Chinese = nullptr;
    QAction* Help_English = nullptr;
    QAction* exitsoftware = nullptr;
    QAction* video = nullptr;
    QAction* 版权 = nullptr;

    // Program frame; its caption is the current program path. Row 40 of the step table is
    // shown disabled and never used.
    QGroupBox* 微泵程序 = nullptr;
    std::array<QLabel*, kStepRows> Label1{};
    std::array<QLineEdit*, kStepRows> Text1{};
    std::array<QLineEdit*, kStepRows> Text2{};
    std::array<QLineEdit*, kStepRows> Text3{};
    std::array<QLineEdit*, kStepRows> Text4{};
    std::array<QLineEdit*, kStepRows> Text5{};
    std::array<QCheckBox*, kStepRows> Check4{};
    std::array<QCheckBox*, kStepRows> Check5{};
    std::array<QCheckBox*, kStepRows> Check6{};
    // 0..40 step end times; 41 cycle elapsed; 42 pause length.
    std::array<QLabel*, 43> Label22{};
    std::array<QPushButton*, 4> 启动程序{};
    QLabel* 当前状态 = nullptr;
    QCheckBox* Check7 = nullptr;
    std::array<QLabel*, 3> Label21{};
    // 0 program start; 1 program length, or the cycle start while running; 2 cycle elapsed.
    std::array<QLabel*, 3> Label18{};
    QLabel* Label26 = nullptr;
    QLabel* Label29 = nullptr;

    // History frame.
    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, 2> Picture1{}; // chart boxes: upper, lower
    QLabel* Label28 = nullptr;
    std::array<QLabel*, 7> Label24{};
    std::array<QLineEdit*, 2> Text6{};

    // Micropump command frame; index 0 of these arrays is unused.
    QGroupBox* 声控设备 = nullptr;
    std::array<QPushButton*, 3> Command3{};
    std::array<QPushButton*, 3> Command4{};
    QLabel* Label27 = nullptr;
    std::array<QLabel*, 3> 微泵设备{};
    std::array<QLineEdit*, 3> 微泵速度{};

    // Serial device frame.
    QGroupBox* 串口设备汇总 = nullptr;
    QCheckBox* USBcheck = nullptr;
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    QCheckBox* Check3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    std::array<QComboBox*, 2> SelectPort{};
    QPushButton* 显示串口 = nullptr;
    // Indicator pairs: (0) off, (1) on.
    std::array<QLabel*, 2> Image1{};
    std::array<QLabel*, 2> Image2{};
    std::array<QLabel*, 2> Image3{};
    std::array<QLabel*, 7> 实时数据{};
    std::array<QLabel*, 7> Label25{};

    // MP3 export frame.
    QGroupBox* Frame2 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Label31 = nullptr;
    QPushButton* 结束MP3输出 = nullptr;

    // Window timers: run tick, pause counter, working time, export tick.
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;
    QTimer* Timer4 = nullptr;
};

// Creates every control of the main panel in window, at its place, with its initial caption,
// state and accessible name, and fills c with them.
void layOutMainPanel(QMainWindow& window, MainPanelControls& c);

// The panel's fixed size: 17600 x 10200 twips.
void setMainPanelSize(QWidget& window);

// The flat look: no sunken border on the step fields of rows 0..39, the scale fields and the
// chart boxes.
void 界面扁平化(const MainPanelControls& c);

#pragma once

#include "panel/StepRows.h"

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QWidget;

// The parts of the main panel, one per concern that drives them. The panel is made of these
// (MainPanelControls derives from each), so a concern takes a reference to the part it drives,
// never the window, and its tests build only that part.

// The placeholder text of the port boxes: no port chosen yet.
inline constexpr char kPanelPortPlaceholder[] = "Please select a port";

// The program frame and its step table.
struct StepTableView {
    QGroupBox* 微泵程序 = nullptr;           // its caption is the current program path
    QLabel* Label26 = nullptr;               // status text of the last load or save
    std::array<QLabel*, kStepRows> Label1{}; // step numbers; their colours show the run
    std::array<QLineEdit*, kStepRows> Text1{};
    std::array<QLineEdit*, kStepRows> Text2{};
    std::array<QLineEdit*, kStepRows> Text3{};
    std::array<QLineEdit*, kStepRows> Text4{};
    std::array<QLineEdit*, kStepRows> Text5{};
    std::array<QCheckBox*, kStepRows> Check4{};
    std::array<QCheckBox*, kStepRows> Check5{};
    std::array<QCheckBox*, kStepRows> Check6{};
    // The control array Label22: 0..40 step end times; 41 cycle elapsed and 42 pause length,
    // which the run part names.
    std::array<QLabel*, 43> Label22{};
    QLabel* programLength = nullptr; // Label18(1), shown here while no program runs
};

// Start, Pause, Contin., Stopp and what a run shows.
struct RunControlsView {
    std::array<QPushButton*, 4> 启动程序{};
    QLabel* 当前状态 = nullptr;
    QCheckBox* Check7 = nullptr; // "Cycle"
    // 0 program start; 1 cycle start (the program length while stopped); 2 cycle elapsed days.
    std::array<QLabel*, 3> Label18{};
    QLabel* cycleElapsed = nullptr; // Label22(41)
    QLabel* pauseLength = nullptr;  // Label22(42)
    QTimer* Timer1 = nullptr;       // run tick
    QTimer* Timer2 = nullptr;       // pause counter
};

// The micropump command frame; index 0 of the arrays is unused.
struct PumpControlsView {
    QGroupBox* 声控设备 = nullptr;
    std::array<QPushButton*, 3> Command3{}; // "Run"
    std::array<QPushButton*, 3> Command4{}; // "Stop"
    std::array<QLineEdit*, 3> 微泵速度{};   // level 0..9
    QLabel* Label27 = nullptr;              // the clip sounding
};

// The history frame.
struct ChartControlsView {
    QGroupBox* Frame1 = nullptr;
    std::array<QLabel*, 2> Picture1{}; // chart boxes: upper, lower
    std::array<QLabel*, 7> Label24{};  // legend
    QLabel* Label28 = nullptr;         // time axis
    std::array<QLineEdit*, 2> Text6{}; // scale low, scale high
};

// The serial device frame; the device windows write into it too.
struct DeviceControlsView {
    QGroupBox* 串口设备汇总 = nullptr;
    QCheckBox* USBcheck = nullptr;
    QCheckBox* Check1 = nullptr;            // "Optical signal"
    QCheckBox* Check2 = nullptr;            // "Laser"
    QCheckBox* Check3 = nullptr;            // "Vacuum pump"
    QPushButton* Command1 = nullptr;        // relay board Connect
    QPushButton* Command2 = nullptr;        // measuring board Connect
    std::array<QComboBox*, 2> SelectPort{}; // relay board, measuring board
    QPushButton* 显示串口 = nullptr;        // "Comfirm": refresh the port lists
    // Indicator pairs: (0) off, (1) on.
    std::array<QLabel*, 2> Image1{};
    std::array<QLabel*, 2> Image2{};
    std::array<QLabel*, 2> Image3{};
    std::array<QLabel*, 7> 实时数据{}; // live readings: mV, mA, mAh, mWh, time, D+ mV, D- mV
    std::array<QLabel*, 7> Label25{};  // units
};

// The MP3 export frame and its tick; the step fields it reads are the step table's.
struct ExportControlsView {
    QGroupBox* Frame2 = nullptr;
    QListWidget* List1 = nullptr;
    QLabel* Label31 = nullptr;
    QPushButton* 结束MP3输出 = nullptr;
    QTimer* Timer4 = nullptr;
};

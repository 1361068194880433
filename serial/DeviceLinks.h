#pragma once

// The main panel's controls that the device windows write into. The main panel fills these
// when it creates the windows; a window leaves a link it is not given (nullptr) alone.

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QWidget>
#include <array>

// The placeholder text of the main panel's port boxes: no port chosen yet.
inline constexpr char kPanelPortPlaceholder[] = "Please select a port";

// What the relay panel drives on the main panel.
struct RelayPanelLinks {
    QComboBox* SelectPort = nullptr;     // the panel's SelectPort(0): relay board port
    QAbstractButton* Command1 = nullptr; // relay board "Connect" / "Disconnect"
    std::array<QWidget*, 2> Image2{};    // laser indicator pair: (0) off, (1) on
    std::array<QWidget*, 2> Image3{};    // vacuum indicator pair
    QCheckBox* Check2 = nullptr;         // "Laser"
    QCheckBox* Check3 = nullptr;         // "Vacuum pump"
};

// The main panel's device frame, as its links to the boards drive it.
struct DeviceFrameLinks {
    QWidget* frame = nullptr; // the frame itself; its window owns the links' message boxes
    QCheckBox* USBcheck = nullptr;
    QAbstractButton* 显示串口 = nullptr;    // "Comfirm": refresh the port lists
    std::array<QComboBox*, 2> SelectPort{}; // relay board, measuring board
    QAbstractButton* Command1 = nullptr;    // relay board "Connect" / "Disconnect"
    QAbstractButton* Command2 = nullptr;    // measuring board "Connect" / "Disconnect"
    QCheckBox* Check1 = nullptr;            // "Optical signal"
    QCheckBox* Check2 = nullptr;            // "Laser"
    QCheckBox* Check3 = nullptr;            // "Vacuum pump"
    // Indicator pairs: (0) off, (1) on.
    std::array<QWidget*, 2> Image1{};
    std::array<QWidget*, 2> Image2{};
    std::array<QWidget*, 2> Image3{};
    std::array<QLabel*, 7> 实时数据{};
};

// What the data window drives on the main panel.
struct DataWindowLinks {
    QComboBox* SelectPort = nullptr;     // the panel's SelectPort(1): measuring board port
    QAbstractButton* Command2 = nullptr; // measuring board "Connect" / "Disconnect"
    std::array<QWidget*, 2> Image1{};    // optical-signal indicator pair
    QCheckBox* Check1 = nullptr;         // "Optical signal"
    std::array<QLabel*, 7> 实时数据{};   // live readings: mV, mA, mAh, mWh, time, D+ mV, D- mV
};

#pragma once

#include "serial/DeviceLinks.h"

#include <QMetaObject>
#include <functional>
#include <vector>

class QCheckBox;
class 开关面板;
class 数据采集窗口;

// The main panel's device frame: the master switch, the port lists, the two "Connect" buttons
// and the three outputs. The boards are reached through the hidden relay panel and data window,
// whose buttons it presses.
class PanelDeviceLinks {
public:
    PanelDeviceLinks(const DeviceFrameLinks& view, 开关面板& relay, 数据采集窗口& data);
    // Disconnects from the panel's controls, which outlive the links.
    ~PanelDeviceLinks();
    PanelDeviceLinks(const PanelDeviceLinks&) = delete;
    PanelDeviceLinks& operator=(const PanelDeviceLinks&) = delete;

    // What each device window writes back into the main panel.
    static RelayPanelLinks relayLinks(const DeviceFrameLinks& view);
    static DataWindowLinks dataLinks(const DeviceFrameLinks& view);

    // Connects the frame's controls; a check box's operation runs on every change of its value.
    void wire();

    // "Comfirm": refreshes both port lists; the links become ready when USBcheck is ticked.
    void 显示串口_Click();
    void USBcheck_Click();
    void Command1_Click();
    void Command2_Click();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    // What the links did with the boards, for a run record: event "relay" or "board", and
    // what came of it ("1 close sent", "2 open failed: error 8021", "relay board lost: ...").
    std::function<void(const QString& event, const QString& detail)> onEvent;

    // How each board stands now ("relay board connected on COM201", ...), for a run record.
    QStringList boardStates() const;

    // Closes the relay port, then the data port, each only if open.
    void closePorts();

    // A board went away: its link returns to ready (Connect, pictures hidden, its boxes
    // unchecked and disabled) and the operator is told once which port and why. A running
    // program goes on; until the board is connected again its steps only move the boxes.
    void relayBoardLost(const QString& reason);
    void measuringBoardLost(const QString& reason);

private:
    // Switches a relay output as its box says: the board is told when the master switch is
    // ticked, and the pair shows the state only once the board got it. A command that did
    // not reach the board leaves both pictures hidden and the box saying so, until one does.
    void switchRelay(QCheckBox* check, const std::array<QWidget*, 2>& pair, const QString& caption,
                     int relay, void (开关面板::*on)(), void (开关面板::*off)());
    void report(const QString& event, const QString& detail) const {
        if (onEvent) {
            onEvent(event, detail);
        }
    }

    DeviceFrameLinks v;
    开关面板& m_relay;
    数据采集窗口& m_data;
    std::vector<QMetaObject::Connection> m_connections;
    bool m_relayLost = false;
};

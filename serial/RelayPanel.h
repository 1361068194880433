#pragma once

#include "panel/PanelViews.h"
#include "serial/CommControl.h"
#include "serial/Shape.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The two frames that open relay 1 and relay 2: AA 01 00 00 AA 02 00 00.
QByteArray relayOpenFrames();

// The relay switch panel of the two-relay board (relay 1 laser, relay 2 vacuum pump).
// Loaded hidden; the main panel presses Command11 (its "Connect") and the four switching
// operations.
class 开关面板 : public QWidget {
public:
    // Constructing the panel loads it (Form_Load runs).
    // It writes into the panel's device frame: SelectPort(0), Command1, Image2, Image3, Check2
    // and Check3 (a control the frame lacks is left alone).
    开关面板(std::unique_ptr<CommControl> comm, const DeviceControlsView& panel,
             QWidget* parent = nullptr);
    ~开关面板() override;
    开关面板(const 开关面板&) = delete;
    开关面板& operator=(const 开关面板&) = delete;

    CommControl& MSComm() { return *m_comm; }
    qint32 receivedTotal() const { return m_receivedTotal; }
    // Whether the last relay command failed to reach the board (reported already).
    bool lastSendFailed() const { return m_lastSendFailed; }
    // The error number of that failure.
    int lastSendError() const { return m_lastSendError; }
    // Who says that a relay command failed. Unset, the panel says it itself, after the event
    // that sent it has returned and once until a command succeeds again.
    std::function<void(int errorNumber)> onSendFailure;

    // Operations, each what pressing that control does.
    void Form_Load();
    void Command11_Click(); // master-port toggle
    void Command4_Click();  // relay 1 close
    void Command6_Click();  // relay 1 open
    void Command7_Click();  // relay 2 close
    void Command2_Click();  // relay 2 open
    void Command8_Click();  // query relay 1
    void Command9_Click();  // query relay 2
    void Command10_Click(); // connection test
    void Command5_Click();  // own open / close
    void Combo1_Click();    // port choice
    void Command3_Click();  // clear the receive area
    void Command1_Click();  // usage note
    void MSComm_OnComm();   // receive

    // Send AA relay state 00 / first second 00, opening the port first when it is closed.
    // False when the open or the write failed; that was reported already.
    bool com_send3(quint8 relay, quint8 state);
    bool com_send2(quint8 first, quint8 second);

    static const QString kMasterClosed; // "打开总台串口号"
    static const QString kMasterOpen;   // "关闭总台串口号"
    static const QString kOwnClosed;    // "打开串口"
    static const QString kOwnOpen;      // "关闭串口"
    static constexpr qint32 kReceiveAreaLimit = 60000;

    QGroupBox* Frame联机状态;
    QPushButton* Command10;
    Shape* Shape4;
    QGroupBox* Frame打开关闭串口;
    QPushButton* Command11;
    QPushButton* Command5;
    Shape* Shape1;
    QGroupBox* Frame端口设置;
    QComboBox* Combo1;
    QComboBox* Combo2;
    QComboBox* Combo3;
    QComboBox* Combo5;
    QGroupBox* Frame发送区;
    QPushButton* Command4;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command2;
    QPushButton* Command8;
    QPushButton* Command9;
    Shape* Shape2;
    Shape* Shape3;
    QGroupBox* Frame接收区;
    QPlainTextEdit* TxtReceive;
    QPushButton* Command3;
    QPushButton* Command1;

private:
    bool send(const QByteArray& frame);
    void reportSendFailure(int code);
    void buildControls();

    std::unique_ptr<CommControl> m_comm;
    const DeviceControlsView& m_panel;
    qint32 m_receivedTotal = 0;
    bool m_lastSendFailed = false;
    int m_lastSendError = 0;
    // The send failure last reported (error number, port), so a failing port is reported once
    // and not at every relay change of a running program.
    std::optional<std::pair<int, qint16>> m_reportedSendFailure;
};

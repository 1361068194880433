#pragma once

#include "serial/RelayBoard.h"
#include "serial/Shape.h"

#include <QComboBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <optional>
#include <utility>

// The two frames that open relay 1 and relay 2: AA 01 00 00 AA 02 00 00.
QByteArray relayOpenFrames();

// The relay switch panel of the two-relay board (relay 1 laser, relay 2 vacuum pump): a view of
// the board, loaded hidden. Its buttons work the board; its indicators and captions follow what
// the board did, whoever asked for it.
class 开关面板 : public QWidget {
public:
    // Constructing the panel loads it (Form_Load runs).
    explicit 开关面板(RelayBoard& board, QWidget* parent = nullptr);
    ~开关面板() override;
    开关面板(const 开关面板&) = delete;
    开关面板& operator=(const 开关面板&) = delete;

    RelayBoard& board() { return m_board; }
    qint32 receivedTotal() const { return m_receivedTotal; }
    // What Command11 (the main panel's "Connect" on this window) does: the main panel's device
    // links connect or disconnect the board with the port its list names.
    std::function<void()> onMasterPressed;

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
    // What the board received: shown in hexadecimal, its answer on the indicators; count is
    // how many bytes had come, shown or not.
    void MSComm_OnComm(const QByteArray& bytes, int reply, int count);

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
    // A command of this panel's own buttons; a failure is said once per error and port, after
    // the press has returned.
    void check(const RelayBoard::Result& result);
    void buildControls();

    RelayBoard& m_board;
    qint32 m_receivedTotal = 0;
    // The send failure last reported (error number, port), so a failing port is reported once.
    std::optional<std::pair<int, qint16>> m_reportedSendFailure;
};

#pragma once

#include "serial/MeasuringBoard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

class Clock;

// The data acquisition window: a view of the measuring board, loaded hidden. It shows the
// decoded values and the raw bytes, opens the board on its own port list, and makes up frames.
class 数据采集窗口 : public QWidget {
public:
    // Constructing the window loads it (Form_Load runs).
    数据采集窗口(MeasuringBoard& board, Clock& clock, QWidget* parent = nullptr);
    ~数据采集窗口() override;
    数据采集窗口(const 数据采集窗口&) = delete;
    数据采集窗口& operator=(const 数据采集窗口&) = delete;

    MeasuringBoard& board() { return m_board; }
    // What Command3 (the main panel's "Connect" on this window) does: the main panel's device
    // links connect or disconnect the board with the port its list names.
    std::function<void()> onMasterPressed;
    // A value field changed (a reading shown, or the operator's typing): the main panel's
    // live label of that value shows the same text.
    std::function<void(int index, const QString& text)> onFieldChanged;

    // The port settings the fields hold: "baud,parity,data bits,stop bits".
    QString settingsText() const;
    // Says a failure of this window's board with the window's current caption.
    void reportError(int code);

    // Operations, each what pressing or changing that control does.
    void Form_Load();
    void Command3_Click(); // master-port toggle
    void Command1_Click(); // own open / close
    void Command2_Click(); // frame simulation
    void Text2_Change(int index);
    void Check1_Click(); // clock on / off
    void Timer1_Timer();
    void Form_Unload();

    // Field readers over hexadecimal pieces (see FrameText.h).
    static double data_conversion4(const QStringList& pieces, int last);
    static double data_conversion4s(const QStringList& pieces, int last);
    static double data_conversion2(const QStringList& pieces, int last);

    // Captions of the two port buttons.
    static const QString kMasterClosed; // "打开总台串口号"
    static const QString kMasterOpen;   // "关闭总台串口号"
    static const QString kOwnClosed;    // "打开串口"
    static const QString kOwnOpen;      // "关闭串口"
    static const QString kPortPrompt;   // "请选择端口号"

    QComboBox* SelectPort;
    QLineEdit* Text5;
    QComboBox* CheckDigit;
    QComboBox* DataBit;
    QComboBox* StopBit;
    QPushButton* Command1;
    QPushButton* Command3;
    QLabel* Label9;
    QPlainTextEdit* Text6;
    std::array<QLineEdit*, frames::ReadingCount> Text2{};
    std::array<QLabel*, frames::ReadingCount> Label6{};
    QLineEdit* Text3;
    QLineEdit* Text4;
    QPushButton* Command2;
    QCheckBox* Check1;
    QTimer* Timer1;
    QLabel* Label8;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // The board's reading in the fields; hidden, they wait for the window's showing (laying
    // out text nobody sees costs more than the rest of a frame).
    void showReading();
    void showBytes(const QByteArray& bytes);
    // The board is gone: its fields are emptied without passing anything on.
    void clearFields();
    void buildLayout();

    MeasuringBoard& m_board;
    Clock& m_clock;
    // Shown while the window was hidden, for its showing.
    bool m_fieldsBehind = false;
    QByteArray m_bytesBehind;
};

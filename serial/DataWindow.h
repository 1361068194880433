#pragma once

#include "base/Reading.h"
#include "panel/PanelViews.h"
#include "serial/CommControl.h"
#include "serial/Frames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class Clock;

// The data acquisition window: receives the measuring board's frames on its own port,
// shows the decoded values and copies each one at once to the main panel's live labels.
// Loaded hidden; the main panel works it through Command3_Click (its "Connect").
class 数据采集窗口 : public QWidget {
public:
    // Constructing the window loads it (Form_Load runs).
    // It writes into the panel's device frame: SelectPort(1), Command2, Image1, Check1 and the
    // live readings 实时数据 (a control the frame lacks is left alone).
    // Every decoded frame becomes the reading, and a loss no reading.
    数据采集窗口(std::unique_ptr<CommControl> comm, const DeviceControlsView& panel, Clock& clock,
                 LiveReading& reading, QWidget* parent = nullptr);
    ~数据采集窗口() override;
    数据采集窗口(const 数据采集窗口&) = delete;
    数据采集窗口& operator=(const 数据采集窗口&) = delete;

    CommControl& MSComm1() { return *m_comm; }

    // Operations, each what pressing or changing that control does.
    void Form_Load();
    void Command3_Click(); // master-port toggle
    void Command1_Click(); // own open / close
    void Command2_Click(); // frame simulation
    void MSComm1_OnComm(); // receive
    void Text2_Change(int index);
    void Check1_Click(); // clock on / off
    void Timer1_Timer();
    void Form_Unload();
    // The board is gone: no reading, its fields empty and the panel's readings drawn as
    // disabled over their last text, so the first frame of a board connected again shows
    // whatever it holds.
    void clearReadings();
    // The newest decoded frame, or none: what the charts, the run record and the status page
    // take (the fields and labels show it at most every show interval).
    const LiveReading& reading() const { return m_reading; }
    // Frames decoded since the window was made, shown or not.
    std::uint64_t framesReceived() const { return m_framesReceived; }
    // Shows the newest frame now if one waits, for whatever samples the readings next.
    void showPendingReading();

    // Readings reach the fields at most this often; a board at the line rate sends 411 frames
    // a second, more than anyone can read and each costing widget work.
    static constexpr int kShowIntervalMs = 33;
    // How long after a hold's end a frame waits for a read that would show it with newer ones.
    static constexpr int kShowGraceMs = 5;

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
    std::array<QLineEdit*, 7> Text2{};
    std::array<QLabel*, 7> Label6{};
    QLineEdit* Text3;
    QLineEdit* Text4;
    QPushButton* Command2;
    QCheckBox* Check1;
    QTimer* Timer1;
    QLabel* Label8;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QString settingsText() const;
    void showReading(const frames::Reading& reading);
    // After a read: shows its newest frame at once, or at the end of the current interval,
    // and holds the port until the next showing is due when frames come fast.
    void showSoon(bool fastStream);
    // Shows what waits (the newest frame, and the raw bytes when shown) and starts the next
    // show interval.
    void showDue();
    void reportError(int code);
    // Sets the port up and opens it unless it is open; raises CommError as the control does.
    void openPort(qint16 port);
    void buildLayout();

    std::unique_ptr<CommControl> m_comm;
    const DeviceControlsView& m_panel;
    Clock& m_clock;
    frames::FrameAssembler m_assembler;
    std::uint64_t m_framesReceived = 0;
    LiveReading& m_reading;
    // The newest frame and read not yet on screen.
    std::optional<frames::Reading> m_pendingReading;
    QByteArray m_pendingBytes;
    // The newest reading shown while the window was hidden, for its fields at its showing.
    std::optional<frames::Reading> m_fieldsBehind;
    QTimer m_showTimer;
    QElapsedTimer m_sinceShown;
    QElapsedTimer m_sinceRead;
};

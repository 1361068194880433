#pragma once

#include "serial/CommControl.h"

#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <optional>

// Line settings as the settings text gives them.
struct CommSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Reads "baud,parity,data,stop": parity one of n e o m s (either case), 5 to 8 data bits,
// stop bits 1, 1.5 or 2. Empty when the text cannot be applied.
std::optional<CommSettings> parseCommSettings(const QString& text);

// The communications control over a real serial device (or a pseudo-terminal).
class SerialCommControl final : public CommControl {
public:
    SerialCommControl();
    ~SerialCommControl() override;
    SerialCommControl(const SerialCommControl&) = delete;
    SerialCommControl& operator=(const SerialCommControl&) = delete;

    qint16 CommPort() const override { return m_commPort; }
    void setCommPort(qint16 port) override;
    QString Settings() const override { return m_settingsText; }
    void setSettings(const QString& settings) override;
    bool PortOpen() const override { return m_port.isOpen(); }
    void setPortOpen(bool open) override;
    void setInputMode(int mode) override { m_inputMode = mode; }
    void setRThreshold(int bytes) override { m_rThreshold = bytes; }
    void setSThreshold(int bytes) override { m_sThreshold = bytes; }
    void setInputLen(int bytes) override { m_inputLen = bytes; }
    int InBufferCount() const override;
    void setInBufferCount(int count) override;
    void setOutBufferCount(int count) override;
    void Output(const QByteArray& bytes) override;
    QByteArray Input() override;
    int CommEvent() const override { return m_commEvent; }
    void setOnComm(std::function<void()> handler) override { m_onComm = std::move(handler); }
    void setOnLost(std::function<void(const QString&)> handler) override {
        m_onLost = std::move(handler);
    }
    void holdReceiving(int ms) override;

    // The longest Output may wait for the device to take and send a frame; it then fails
    // with WriteError, so a stalled device cannot freeze the window.
    static constexpr std::chrono::milliseconds kMaxWriteTimeout{100};
    // Bytes that open every relay: while this port is open, a crash writes them to it.
    void setCrashBytes(const QByteArray& bytes) { m_crashBytes = bytes; }

    // Received bytes kept for the owner; older bytes are dropped beyond this.
    static constexpr qsizetype kInBufferSize = 64 * 1024;

private:
    void pullFromPort();
    void onReadyRead();
    void raiseDeferred();
    void onError(QSerialPort::SerialPortError error);
    void checkDevice();
    // The hold's end: the port reads freely again, starting with what waited.
    void endHold();
    void portLost(const QString& reason);
    void applySettings(const CommSettings& settings);
    // Closes the device; the crash handler stops writing to it first.
    void closeDevice();

    QSerialPort m_port;
    QTimer m_watch;
    QTimer m_hold;
    QString m_path;
    qint16 m_commPort = 1;
    QString m_settingsText = QStringLiteral("9600,n,8,1");
    CommSettings m_settings;
    int m_inputMode = 0;
    int m_rThreshold = 0;
    int m_sThreshold = 0;
    int m_inputLen = 0;
    int m_commEvent = 0;
    QByteArray m_in;
    quint64 m_arrivals = 0;
    bool m_inHandler = false;
    bool m_inOutput = false;
    bool m_raisePending = false;
    std::function<void()> m_onComm;
    std::function<void(const QString&)> m_onLost;
    std::chrono::milliseconds m_writeTimeout = kMaxWriteTimeout;
    QByteArray m_crashBytes;
    int m_armedFd = -1;
};

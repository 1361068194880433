#pragma once

#include "serial/CommControl.h"
#include "serial/SerialCommControl.h"

#include <QList>
#include <QStringList>
#include <optional>

// A communications control without a device: records what the windows do with it and lets
// a test hand it received bytes. Follows the real control's rules for errors.
class FakeCommControl final : public CommControl {
public:
    qint16 CommPort() const override { return port; }
    void setCommPort(qint16 p) override {
        if (p < 1) {
            throw CommError(CommErrorCode::InvalidPortNumber,
                            QStringLiteral("Invalid port number"));
        }
        if (open && p != port) {
            throw CommError(CommErrorCode::PortAlreadyOpen, QStringLiteral("Port already open"));
        }
        port = p;
    }
    QString Settings() const override { return settings; }
    void setSettings(const QString& s) override {
        if (!parseCommSettings(s)) {
            throw CommError(CommErrorCode::InvalidPropertyValue, QStringLiteral("Invalid"));
        }
        settings = s;
    }
    bool PortOpen() const override { return open; }
    void setPortOpen(bool o) override {
        if (o && open) {
            throw CommError(CommErrorCode::PortAlreadyOpen, QStringLiteral("Port already open"));
        }
        if (o && failOpenWith) {
            throw CommError(*failOpenWith, QStringLiteral("Open failed"));
        }
        log << (o ? QStringLiteral("open %1").arg(port) : QStringLiteral("close"));
        open = o;
        if (!o) {
            in.clear();
        }
    }
    void setInputMode(int m) override { inputMode = m; }
    void setRThreshold(int b) override { rThreshold = b; }
    void setSThreshold(int b) override { sThreshold = b; }
    void setInputLen(int b) override { inputLen = b; }
    int InBufferCount() const override { return open ? static_cast<int>(in.size()) : 0; }
    void setInBufferCount(int c) override {
        if (c == 0) {
            in.clear();
        }
    }
    void setOutBufferCount(int c) override {
        if (c == 0) {
            log << QStringLiteral("discard output");
        }
    }
    void Output(const QByteArray& bytes) override {
        if (!open) {
            throw CommError(CommErrorCode::PortNotOpen, QStringLiteral("Port not open"));
        }
        ++outputAttempts;
        if (failOutputWith && closeOnFailedOutput) {
            // A write that finds the device gone closes the port; the loss is said later.
            open = false;
        }
        if (failOutputWith) {
            throw CommError(*failOutputWith, QStringLiteral("Write failed"));
        }
        log << QStringLiteral("write ") + QString::fromLatin1(bytes.toHex(' ').toUpper());
        written.append(bytes);
    }
    QByteArray Input() override {
        if (!open) {
            throw CommError(CommErrorCode::PortNotOpen, QStringLiteral("Port not open"));
        }
        const qsizetype n = inputLen > 0 ? std::min<qsizetype>(inputLen, in.size()) : in.size();
        QByteArray taken = in.left(n);
        in.remove(0, n);
        return taken;
    }
    int CommEvent() const override { return event; }
    void setOnComm(std::function<void()> handler) override { onComm = std::move(handler); }
    void setOnLost(std::function<void(const QString&)> handler) override {
        onLost = std::move(handler);
    }
    // Delivery stays synchronous; the hold is only recorded.
    void holdReceiving(int ms) override { lastHoldMs = ms; }
    // The device goes away, as an unplugged adapter would.
    void lose(const QString& reason) {
        open = false;
        in.clear();
        if (onLost) {
            onLost(reason);
        }
    }

    // Bytes arriving from the device: raises OnComm as the real control would.
    void receive(const QByteArray& bytes) {
        in += bytes;
        if (onComm && rThreshold > 0 && in.size() >= rThreshold) {
            event = comEvReceive;
            onComm();
            event = 0;
        }
    }

    qint16 port = 1;
    QString settings = QStringLiteral("9600,n,8,1");
    bool open = false;
    int inputMode = 0;
    int rThreshold = 0;
    int sThreshold = 0;
    int inputLen = 0;
    int event = 0;
    QByteArray in;
    QList<QByteArray> written;
    int outputAttempts = 0;
    int lastHoldMs = 0;
    QStringList log;
    std::optional<int> failOpenWith;
    std::optional<int> failOutputWith;
    bool closeOnFailedOutput = false;
    std::function<void(const QString&)> onLost;
    std::function<void()> onComm;
};

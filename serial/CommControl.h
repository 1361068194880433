#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <stdexcept>

// Error numbers of the serial layer. The operator sees them in the port message boxes, so
// they keep the numbering the rig's operators know from the old communications control.
namespace CommErrorCode {
inline constexpr int Overflow = 6;            // a port number beyond 16 bits
inline constexpr int SubscriptOutOfRange = 9; // a list entry without "COM"
inline constexpr int TypeMismatch = 13;       // a list entry without digits before "-"
inline constexpr int InvalidPropertyValue = 380;
inline constexpr int InvalidPortNumber = 8002; // no such port on this machine
inline constexpr int PortAlreadyOpen = 8005;   // open twice, or in use by another program
inline constexpr int CannotSetCommState = 8015;
inline constexpr int PortNotOpen = 8018; // a transfer on a closed port
inline constexpr int ReadError = 8020;
inline constexpr int WriteError = 8021;
} // namespace CommErrorCode

// A failed serial operation; code() is the number shown to the operator.
class CommError : public std::runtime_error {
public:
    CommError(int code, const QString& text)
        : std::runtime_error(text.toStdString()), m_code(code) {}
    int code() const { return m_code; }

private:
    int m_code;
};

// What came of a board operation; error is the number the operator is shown.
struct CommResult {
    bool done = false;
    int error = 0;
};

// The serial communications control each board owns. Members keep the names the device
// windows used. Every call runs on the window thread and OnComm is raised there too.
// A failing call throws CommError and leaves the port as it was.
class CommControl {
public:
    // CommEvent value while OnComm reports received data.
    static constexpr int comEvReceive = 2;

    virtual ~CommControl() = default;

    virtual qint16 CommPort() const = 0;
    // Changing the number of an open port is refused (PortAlreadyOpen).
    virtual void setCommPort(qint16 port) = 0;

    virtual QString Settings() const = 0;
    // "baud,parity,data bits,stop bits", e.g. "9600,n,8,1"; applied at once when open.
    virtual void setSettings(const QString& settings) = 0;

    virtual bool PortOpen() const = 0;
    virtual void setPortOpen(bool open) = 0;

    virtual void setInputMode(int mode) = 0;
    // Raise OnComm once this many bytes wait; 0 raises nothing.
    virtual void setRThreshold(int bytes) = 0;
    virtual void setSThreshold(int bytes) = 0;
    // Most bytes one Input takes; 0 takes all.
    virtual void setInputLen(int bytes) = 0;

    virtual int InBufferCount() const = 0;
    // 0 discards the waiting input.
    virtual void setInBufferCount(int count) = 0;
    // 0 discards output not yet handed to the device. Output hands over every frame whole
    // before returning, so this never cuts a frame short.
    virtual void setOutBufferCount(int count) = 0;

    // Sends every byte, in order.
    virtual void Output(const QByteArray& bytes) = 0;
    // Removes and returns the waiting bytes (at most InputLen); empty when none, never blocks.
    virtual QByteArray Input() = 0;

    // Inside OnComm: what happened (comEvReceive for received data).
    virtual int CommEvent() const = 0;
    // The one receive handler of the owning board.
    virtual void setOnComm(std::function<void()> handler) = 0;
    // Reads nothing from the device for the next ms milliseconds: bytes wait in the driver
    // and arrive together afterwards, so a fast stream wakes the window once per hold rather
    // than once per frame. Nothing is lost; closing the port ends a hold.
    virtual void holdReceiving(int ms) = 0;
    // Called on the window thread, after the event that noticed it has returned, when the
    // device went away (unplugged, its far end gone): the port is closed by then. reason
    // says why in the system's words.
    virtual void setOnLost(std::function<void(const QString& reason)> handler) = 0;
};

// Closes comm's port if it is open; a failure to close is logged, as nobody is left to tell.
// True when the port was open.
inline bool closePort(CommControl& comm, const char* board) {
    if (!comm.PortOpen()) {
        return false;
    }
    try {
        comm.setPortOpen(false);
    } catch (const CommError& e) {
        qWarning("Closing the %s port failed: %s", board, e.what());
    }
    return true;
}

#include "serial/SerialCommControl.h"

#include "serial/PortList.h"
#include "serial/RelayCrashGuard.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMetaObject>
#include <QTimer>
#include <algorithm>
#include <limits>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

CommError settingsError() {
    return CommError(CommErrorCode::InvalidPropertyValue, QStringLiteral("Invalid property value"));
}

} // namespace

std::optional<CommSettings> parseCommSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    CommSettings s;
    bool ok = false;
    const int baud = parts[0].trimmed().toInt(&ok);
    if (!ok || baud <= 0) {
        return std::nullopt;
    }
    s.baud = baud;
    const QString parity = parts[1].trimmed().toLower();
    if (parity == QLatin1String("n")) {
        s.parity = QSerialPort::NoParity;
    } else if (parity == QLatin1String("e")) {
        s.parity = QSerialPort::EvenParity;
    } else if (parity == QLatin1String("o")) {
        s.parity = QSerialPort::OddParity;
    } else if (parity == QLatin1String("m")) {
        s.parity = QSerialPort::MarkParity;
    } else if (parity == QLatin1String("s")) {
        s.parity = QSerialPort::SpaceParity;
    } else {
        return std::nullopt;
    }
    const int data = parts[2].trimmed().toInt(&ok);
    if (!ok || data < 5 || data > 8) {
        return std::nullopt;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(data);
    const QString stop = parts[3].trimmed();
    if (stop == QLatin1String("1")) {
        s.stopBits = QSerialPort::OneStop;
    } else if (stop == QLatin1String("1.5")) {
        s.stopBits = QSerialPort::OneAndHalfStop;
    } else if (stop == QLatin1String("2")) {
        s.stopBits = QSerialPort::TwoStop;
    } else {
        return std::nullopt;
    }
    return s;
}

SerialCommControl::SerialCommControl() {
    applySettings(m_settings);
    // Connected before any open, so no error of the first open goes unseen.
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port,
                     [this](QSerialPort::SerialPortError e) { onError(e); });
    QObject::connect(&m_port, &QSerialPort::readyRead, &m_port, [this] { onReadyRead(); });
    // A device whose far end hangs up (a pseudo-terminal whose program ended) reports nothing
    // until something is read, and a relay board sends nothing unasked: look now and then.
    m_watch.setInterval(250);
    QObject::connect(&m_watch, &QTimer::timeout, &m_port, [this] { checkDevice(); });
    m_hold.setSingleShot(true);
    m_hold.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_hold, &QTimer::timeout, &m_port, [this] { endHold(); });
}

SerialCommControl::~SerialCommControl() {
    m_onComm = nullptr;
    closeDevice();
}

void SerialCommControl::closeDevice() {
    // A port opened again reads from the start.
    m_hold.stop();
    m_port.setReadBufferSize(0);
    if (m_armedFd >= 0) {
        RelayCrashGuard::disarm(m_armedFd);
        m_armedFd = -1;
    }
    if (m_port.isOpen()) {
        m_port.close();
    }
}

void SerialCommControl::setCommPort(qint16 port) {
    if (port < 1) {
        throw CommError(CommErrorCode::InvalidPortNumber, QStringLiteral("Invalid port number"));
    }
    if (m_port.isOpen() && port != m_commPort) {
        throw CommError(CommErrorCode::PortAlreadyOpen, QStringLiteral("Port already open"));
    }
    m_commPort = port;
}

void SerialCommControl::applySettings(const CommSettings& s) {
    const bool ok = m_port.setBaudRate(s.baud) && m_port.setParity(s.parity) &&
                    m_port.setDataBits(s.dataBits) && m_port.setStopBits(s.stopBits) &&
                    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        m_port.clearError();
        throw CommError(CommErrorCode::CannotSetCommState,
                        QStringLiteral("Could not set comm state"));
    }
}

void SerialCommControl::setSettings(const QString& settings) {
    const std::optional<CommSettings> parsed = parseCommSettings(settings);
    if (!parsed) {
        throw settingsError();
    }
    if (m_port.isOpen()) {
        try {
            applySettings(*parsed);
        } catch (const CommError&) {
            try {
                applySettings(m_settings);
            } catch (const CommError&) {
                // The line keeps whatever the device accepted; the caller learns of the failure.
            }
            throw;
        }
    } else {
        // Stored now, applied by the device at open.
        m_port.setBaudRate(parsed->baud);
        m_port.setParity(parsed->parity);
        m_port.setDataBits(parsed->dataBits);
        m_port.setStopBits(parsed->stopBits);
    }
    m_settings = *parsed;
    m_settingsText = settings;
}

void SerialCommControl::setPortOpen(bool open) {
    if (!open) {
        m_watch.stop();
        closeDevice();
        m_in.clear();
        return;
    }
    if (m_port.isOpen()) {
        throw CommError(CommErrorCode::PortAlreadyOpen, QStringLiteral("Port already open"));
    }
    const QString path = devicePathOfPort(m_commPort);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        throw CommError(CommErrorCode::InvalidPortNumber, QStringLiteral("Invalid port number"));
    }
    m_port.setPortName(path);
    m_in.clear();
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError e = m_port.error();
        const QString text = m_port.errorString();
        m_port.clearError();
        switch (e) {
        case QSerialPort::DeviceNotFoundError:
            throw CommError(CommErrorCode::InvalidPortNumber, text);
        case QSerialPort::PermissionError:
        case QSerialPort::OpenError:
            throw CommError(CommErrorCode::PortAlreadyOpen, text);
        default:
            throw CommError(CommErrorCode::CannotSetCommState, text);
        }
    }
    m_path = path;
#ifdef Q_OS_UNIX
    if (!m_crashBytes.isEmpty()) {
        m_armedFd = static_cast<int>(m_port.handle());
        RelayCrashGuard::arm(m_armedFd, m_crashBytes);
    }
#endif
    m_watch.start();
}

void SerialCommControl::holdReceiving(int ms) {
    if (ms <= 0 || !m_port.isOpen()) {
        return;
    }
    // A port whose read buffer is full reads nothing more from the device: with room for one
    // byte and nobody reading it, what comes meanwhile waits in the driver, and the window is
    // woken at most once for it.
    m_port.setReadBufferSize(1);
    m_hold.start(ms);
}

void SerialCommControl::endHold() {
    m_port.setReadBufferSize(0);
    if (!m_port.isOpen()) {
        return;
    }
    // Takes all that waits in the driver now, in one read, rather than at the port's next look;
    // the byte taken during the hold comes with it, or alone when nothing else came.
    if (!m_port.waitForReadyRead(0) && m_port.bytesAvailable() > 0) {
        onReadyRead();
    }
}

void SerialCommControl::checkDevice() {
    if (!m_port.isOpen()) {
        m_watch.stop();
        return;
    }
    if (!QFileInfo::exists(m_path)) {
        portLost(QStringLiteral("the device %1 is gone").arg(m_path));
        return;
    }
#ifdef Q_OS_UNIX
    pollfd watched{static_cast<int>(m_port.handle()), 0, 0};
    if (poll(&watched, 1, 0) == 1 && (watched.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
        portLost(QStringLiteral("the device %1 hung up").arg(m_path));
    }
#endif
}

void SerialCommControl::portLost(const QString& reason) {
    m_watch.stop();
    m_port.clearError();
    const bool wasOpen = m_port.isOpen();
    closeDevice();
    m_in.clear();
    if (wasOpen) {
        // The owner hears of it once the notification that noticed it has returned, so it may
        // show a box without re-entering the port's own handlers.
        QTimer::singleShot(0, &m_port, [this, reason] {
            if (m_onLost && !m_port.isOpen()) {
                m_onLost(reason);
            }
        });
    }
}

int SerialCommControl::InBufferCount() const {
    if (!m_port.isOpen()) {
        return 0;
    }
    const qint64 n = m_in.size() + m_port.bytesAvailable();
    return static_cast<int>(std::min<qint64>(n, std::numeric_limits<qint16>::max()));
}

void SerialCommControl::setInBufferCount(int count) {
    if (count != 0) {
        return;
    }
    m_in.clear();
    if (m_port.isOpen()) {
        m_port.clear(QSerialPort::Input);
    }
}

void SerialCommControl::setOutBufferCount(int count) {
    // Only bytes this control still holds are discarded. The driver's queue is left alone:
    // flushing it throws away frames already written (on a pseudo-terminal even those the
    // far end has not read yet), and Output has handed every frame over before returning.
    if (count == 0 && m_port.isOpen() && m_port.bytesToWrite() > 0) {
        m_port.clear(QSerialPort::Output);
    }
}

void SerialCommControl::Output(const QByteArray& bytes) {
    if (!m_port.isOpen()) {
        throw CommError(CommErrorCode::PortNotOpen, QStringLiteral("Port not open"));
    }
    m_inOutput = true;
    struct Reset {
        SerialCommControl* self;
        ~Reset() {
            self->m_inOutput = false;
            if (self->m_raisePending) {
                self->raiseDeferred();
            }
        }
    } reset{this};

    // One budget for handing the frame over and for the line to send it: a device that
    // stops taking bytes must not hold the window's thread.
    const QDeadlineTimer deadline(m_writeTimeout);
#ifdef Q_OS_UNIX
    // Written here rather than through the port's buffer, so a frame that times out leaves
    // nothing behind to go out after the failure has been reported.
    const int fd = m_port.handle();
    const auto timedOut = [fd] {
        // Earlier frames have all been sent, so what the driver still holds is this frame's.
        // A pseudo-terminal reports nothing here and keeps what its far end has not read.
        int queued = 0;
        if (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
            ::tcflush(fd, TCOFLUSH);
        }
        return CommError(CommErrorCode::WriteError, QStringLiteral("Write timed out"));
    };
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n >= 0) {
            done += n;
            continue;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            const int error = errno;
            if (error == EIO || error == ENXIO || error == ENODEV || error == EPIPE) {
                // The device went away under the write: the same as any other unplug.
                portLost(QString::fromLocal8Bit(std::strerror(error)));
            }
            throw CommError(CommErrorCode::WriteError, QStringLiteral("Write failed"));
        }
        if (deadline.hasExpired()) {
            throw timedOut();
        }
        pollfd ready{fd, POLLOUT, 0};
        ::poll(&ready, 1, static_cast<int>(deadline.remainingTime()));
    }
    // Wait until the driver has sent it, so a discard of the output right after cannot cut
    // the frame short. Not tcdrain: it waits without limit for a device that stopped reading.
    int queued = 0;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (deadline.hasExpired()) {
            throw timedOut();
        }
        ::poll(nullptr, 0, 1);
    }
#else
    if (m_port.write(bytes) != bytes.size()) {
        m_port.clearError();
        throw CommError(CommErrorCode::WriteError, QStringLiteral("Write failed"));
    }
    while (m_port.bytesToWrite() > 0) {
        if (deadline.hasExpired() ||
            !m_port.waitForBytesWritten(static_cast<int>(deadline.remainingTime()))) {
            m_port.clear(QSerialPort::Output);
            m_port.clearError();
            throw CommError(CommErrorCode::WriteError, QStringLiteral("Write timed out"));
        }
    }
#endif
}

QByteArray SerialCommControl::Input() {
    if (!m_port.isOpen()) {
        throw CommError(CommErrorCode::PortNotOpen, QStringLiteral("Port not open"));
    }
    pullFromPort();
    const qsizetype n = m_inputLen > 0 ? std::min<qsizetype>(m_inputLen, m_in.size()) : m_in.size();
    QByteArray taken = m_in.left(n);
    m_in.remove(0, n);
    return taken;
}

void SerialCommControl::pullFromPort() {
    // While held, reading the port would have it read from the device again.
    if (!m_port.isOpen() || m_hold.isActive()) {
        return;
    }
    const QByteArray data = m_port.readAll();
    if (data.isEmpty()) {
        return;
    }
    m_in += data;
    ++m_arrivals;
    if (m_in.size() > kInBufferSize) {
        m_in.remove(0, m_in.size() - kInBufferSize);
    }
}

void SerialCommControl::raiseDeferred() {
    m_raisePending = false;
    QMetaObject::invokeMethod(
        &m_port, [this] { onReadyRead(); }, Qt::QueuedConnection);
}

void SerialCommControl::onReadyRead() {
    pullFromPort();
    if (m_inHandler || m_inOutput) {
        // Never re-enter the owner's handler; raise again once it has returned.
        m_raisePending = true;
        return;
    }
    m_raisePending = false;
    while (m_onComm && m_rThreshold > 0 && m_in.size() >= m_rThreshold) {
        const quint64 arrivalsBefore = m_arrivals;
        m_commEvent = comEvReceive;
        m_inHandler = true;
        try {
            m_onComm();
        } catch (...) {
            // A receive handler reports nothing; what it threw ends only that event.
        }
        m_inHandler = false;
        m_commEvent = 0;
        pullFromPort();
        // Only bytes that came in meanwhile raise the event again, not bytes left unread.
        if (m_arrivals == arrivalsBefore && !m_raisePending) {
            break;
        }
        m_raisePending = false;
    }
}

void SerialCommControl::onError(QSerialPort::SerialPortError error) {
    switch (error) {
    case QSerialPort::NoError:
        return;
    case QSerialPort::UnsupportedOperationError:
        // Modem-line calls on pseudo-terminals; nothing is wrong with the line.
        m_port.clearError();
        return;
    case QSerialPort::ResourceError:
        // The device went away (unplugged): the port is closed from now on.
        portLost(m_port.errorString());
        return;
    default:
        return;
    }
}

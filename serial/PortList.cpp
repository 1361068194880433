#include "serial/PortList.h"

#include "serial/CommControl.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <cmath>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// Windows-style names for devices whose driver gives no description.
QString fallbackDescription(const QString& location) {
    if (location.contains(QLatin1String("ttyUSB"))) {
        return QStringLiteral("USB Serial Port");
    }
    if (location.contains(QLatin1String("ttyACM"))) {
        return QStringLiteral("USB Serial Device");
    }
    if (location.contains(QLatin1String("ttyS"))) {
        return QStringLiteral("Communications Port");
    }
    return {};
}

} // namespace

QString renderPortList(const QList<PortDevice>& devices) {
    QString list;
    for (const PortDevice& device : devices) {
        if (!device.friendlyName || device.friendlyName->isEmpty()) {
            break;
        }
        // Names are cut at their first NUL, as the platform's fixed buffers would be.
        QString friendly = *device.friendlyName;
        friendly.truncate(friendly.indexOf(QChar(0)) < 0 ? friendly.size()
                                                         : friendly.indexOf(QChar(0)));
        QString port = device.portName ? *device.portName : QStringLiteral("Err ");
        if (device.portName && port.indexOf(QChar(0)) >= 0) {
            port.truncate(port.indexOf(QChar(0)));
        }
        list += port + QStringLiteral("->") + friendly + kCrLf;
    }
    return list;
}

std::optional<int> comNumberOfDevice(const QString& systemLocation) {
    static const QRegularExpression pattern(QStringLiteral("^/dev/tty(S|USB|ACM)([0-9]{1,4})$"));
    const QRegularExpressionMatch m = pattern.match(systemLocation);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int k = m.captured(2).toInt();
    const QString kind = m.captured(1);
    if (kind == QLatin1String("S")) {
        return k + 1;
    }
    if (kind == QLatin1String("USB")) {
        return 33 + k;
    }
    return 65 + k;
}

QList<VirtualPort> parseVirtualPorts(const QString& text) {
    QList<VirtualPort> ports;
    for (const QString& entry : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0) {
            continue;
        }
        const QString name = entry.left(eq).trimmed();
        if (!name.startsWith(QLatin1String("COM"))) {
            continue;
        }
        bool ok = false;
        const int number = name.mid(3).toInt(&ok);
        if (!ok || number < 1 || number > 32767) {
            continue;
        }
        const QString rest = entry.mid(eq + 1);
        const qsizetype colon = rest.indexOf(QLatin1Char(':'));
        VirtualPort port;
        port.number = number;
        port.path = (colon < 0 ? rest : rest.left(colon)).trimmed();
        port.description = colon < 0 ? QString() : rest.mid(colon + 1).trimmed();
        if (port.path.isEmpty()) {
            continue;
        }
        if (port.description.isEmpty()) {
            port.description = QStringLiteral("Virtual serial port (COM%1)").arg(number);
        }
        ports.append(port);
    }
    return ports;
}

QList<VirtualPort> virtualPorts() {
    return parseVirtualPorts(qEnvironmentVariable("TESSALY_VIRTUAL_PORTS"));
}

QString devicePathOfPort(int number) {
    for (const VirtualPort& port : virtualPorts()) {
        if (port.number == number) {
            return port.path;
        }
    }
    if (number >= 1 && number <= 32) {
        return QStringLiteral("/dev/ttyS%1").arg(number - 1);
    }
    if (number >= 33 && number <= 64) {
        return QStringLiteral("/dev/ttyUSB%1").arg(number - 33);
    }
    if (number >= 65 && number <= 96) {
        return QStringLiteral("/dev/ttyACM%1").arg(number - 65);
    }
    return {};
}

QList<PortDevice> presentPorts() {
    QList<PortDevice> devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        PortDevice device;
        const std::optional<int> number = comNumberOfDevice(info.systemLocation());
        QString description = info.description();
        if (description.isEmpty()) {
            description = fallbackDescription(info.systemLocation());
        }
        if (description.isEmpty()) {
            // Better a plain device name than a list cut short at this device.
            description = info.portName();
        }
        if (number) {
            device.portName = QStringLiteral("COM%1").arg(*number);
            if (!description.isEmpty()) {
                device.friendlyName = QStringLiteral("%1 (COM%2)").arg(description).arg(*number);
            }
        } else if (!description.isEmpty()) {
            device.friendlyName = description;
        }
        devices.append(device);
    }
    for (const VirtualPort& port : virtualPorts()) {
        devices.append(PortDevice{QStringLiteral("COM%1").arg(port.number), port.description});
    }
    return devices;
}

QString GetPortList() {
    return renderPortList(presentPorts());
}

qint16 portNumberOfEntry(const QString& entry) {
    const QStringList pieces = entry.split(QStringLiteral("COM"));
    if (pieces.size() < 2) {
        throw CommError(CommErrorCode::SubscriptOutOfRange,
                        QStringLiteral("Subscript out of range"));
    }
    const QString digits = pieces[1].split(QLatin1Char('-'))[0].trimmed();
    // A whole or decimal number, rounded half to even; anything else is a type mismatch.
    static const QRegularExpression number(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)$"));
    if (!number.match(digits).hasMatch()) {
        throw CommError(CommErrorCode::TypeMismatch, QStringLiteral("Type mismatch"));
    }
    const double value = std::nearbyint(digits.toDouble());
    if (value < -32768.0 || value > 32767.0) {
        throw CommError(CommErrorCode::Overflow, QStringLiteral("Overflow"));
    }
    return static_cast<qint16>(value);
}

QStringList portListItems(const QString& list) {
    return list.split(kCrLf);
}

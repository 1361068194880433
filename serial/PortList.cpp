#include "serial/PortList.h"

#include "serial/CommControl.h"

#include <QRegularExpression>
#include <QSerialPortInfo>
#include <algorithm>
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

// The device file the fixed rule gives COM<number>.
QString fixedDevicePath(int number) {
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
        // A line break inside a name would split its entry in two, and the second half
        // could read as a port that opens another device.
        for (QString* name : {&port, &friendly}) {
            name->replace(QLatin1Char('\r'), QLatin1Char(' '))
                .replace(QLatin1Char('\n'), QLatin1Char(' '));
        }
        list += port + QStringLiteral("->") + friendly + kCrLf;
    }
    return list;
}

std::optional<int> comNumberOfDevice(const QString& systemLocation) {
    static const QRegularExpression pattern(QStringLiteral("^/dev/tty(S|USB|ACM)([0-9]{1,2})$"));
    const QRegularExpressionMatch m = pattern.match(systemLocation);
    if (!m.hasMatch()) {
        return std::nullopt;
    }
    const int k = m.captured(2).toInt();
    const QString kind = m.captured(1);
    const int number = kind == QLatin1String("S")     ? k + 1
                       : kind == QLatin1String("USB") ? 33 + k
                                                      : 65 + k;
    // Only a number that leads back to this very file: not ttyS40 (COM41 is ttyUSB8), not
    // ttyUSB01.
    if (fixedDevicePath(number) != systemLocation) {
        return std::nullopt;
    }
    return number;
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
        // The first entry of a number is the one its COM number opens.
        const bool taken = std::any_of(ports.cbegin(), ports.cend(),
                                       [&](const VirtualPort& p) { return p.number == number; });
        if (!taken) {
            ports.append(port);
        }
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
    return fixedDevicePath(number);
}

QList<PortDevice> listedPorts(const QList<MachinePort>& machine,
                              const QList<VirtualPort>& virtuals) {
    QList<PortDevice> devices;
    for (const MachinePort& port : machine) {
        const std::optional<int> number = comNumberOfDevice(port.systemLocation);
        // A port the list could not open again is not offered: its entry would connect to
        // another device or to none.
        if (!number || std::any_of(virtuals.cbegin(), virtuals.cend(),
                                   [&](const VirtualPort& v) { return v.number == *number; })) {
            continue;
        }
        QString description = port.description;
        if (description.isEmpty()) {
            description = fallbackDescription(port.systemLocation);
        }
        devices.append(PortDevice{QStringLiteral("COM%1").arg(*number),
                                  QStringLiteral("%1 (COM%2)").arg(description).arg(*number)});
    }
    for (const VirtualPort& port : virtuals) {
        devices.append(PortDevice{QStringLiteral("COM%1").arg(port.number), port.description});
    }
    return devices;
}

QList<PortDevice> presentPorts() {
    QList<MachinePort> machine;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        machine.append(MachinePort{info.systemLocation(), info.description()});
    }
    return listedPorts(machine, virtualPorts());
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

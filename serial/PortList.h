#pragma once

#include <QList>
#include <QString>
#include <optional>

// One serial device as the platform enumerates it. A missing port name is listed as "Err ";
// a missing friendly name ends the list at that device.
struct PortDevice {
    std::optional<QString> portName;     // "COM3"
    std::optional<QString> friendlyName; // "USB Serial Port (COM3)"
};

// A port that is not a device of the machine: a pseudo-terminal of the board simulator or of
// a test rig, named in the environment variable TESSALY_VIRTUAL_PORTS as
// "COM201=/dev/pts/4:Relay board (simulated);COM202=/dev/pts/5:Measuring board (simulated)".
struct VirtualPort {
    int number = 0;
    QString path;
    QString description;
};

// The port list text: "COM3->USB Serial Port (COM3)" entries, each ended by CR LF, in
// enumeration order; empty when there is no device.
QString renderPortList(const QList<PortDevice>& devices);

// A serial device of the machine as the platform reports it.
struct MachinePort {
    QString systemLocation; // "/dev/ttyUSB0"
    QString description;    // the driver's name for it; may be empty
};

// The COM number of a device file: /dev/ttyS<k> is COM<k+1>, /dev/ttyUSB<k> COM<33+k>,
// /dev/ttyACM<k> COM<65+k>, each for k from 0 to 31 only, so that the number opens the same
// file again; other devices have none.
std::optional<int> comNumberOfDevice(const QString& systemLocation);

// Entries of TESSALY_VIRTUAL_PORTS; malformed entries are skipped, and a number named twice
// keeps its first entry.
QList<VirtualPort> parseVirtualPorts(const QString& text);
QList<VirtualPort> virtualPorts();

// The device file behind COM<number>: a virtual port of that number first, then the fixed
// rule; empty when the number maps to nothing.
QString devicePathOfPort(int number);

// The list entries for these devices: the machine's ports, then the virtual ports. A machine
// port is left out unless its COM number opens it again: ports without a number and ports
// whose number a virtual port has taken over.
QList<PortDevice> listedPorts(const QList<MachinePort>& machine,
                              const QList<VirtualPort>& virtuals);

// The devices present: the machine's serial ports, then the virtual ports.
QList<PortDevice> presentPorts();

// The port list of the machine.
QString GetPortList();

// The port number of a list entry: the text between the first "COM" and the next "-", as a
// 16-bit integer. Throws CommError (9: no "COM", 13: no number, 6: beyond 16 bits).
qint16 portNumberOfEntry(const QString& entry);

// Splits a port list at CR LF the way the port boxes are filled: the empty last element stays.
QStringList portListItems(const QString& list);

// Fuzzes what the serial layer reads from outside: the virtual-port setting, port lists and the
// port number of a list entry. Nothing may fail but the documented way, and a listed virtual
// port must open the device it was listed for.

#include "serial/CommControl.h"
#include "serial/PortList.h"

#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    // Every list entry either gives a number or fails with a CommError.
    for (const QString& entry : portListItems(text)) {
        try {
            (void)portNumberOfEntry(entry);
        } catch (const CommError&) {
        }
    }

    // A virtual port keeps its first entry; the list made of the ports names each once and
    // its entries give back their numbers.
    const QList<VirtualPort> ports = parseVirtualPorts(text);
    QList<int> seen;
    for (const VirtualPort& port : ports) {
        if (seen.contains(port.number) || port.number <= 0) {
            std::abort();
        }
        seen << port.number;
    }
    const QList<PortDevice> listed = listedPorts({}, ports);
    const QStringList items = portListItems(renderPortList(listed));
    for (int i = 0; i + 1 < items.size(); ++i) {
        try {
            const int number = portNumberOfEntry(items[i]);
            if (!seen.contains(number)) {
                std::abort(); // an entry whose number opens another device
            }
        } catch (const CommError&) {
            // A description with its own "COM" or "-" can make an entry unreadable; it is
            // then refused, never mapped elsewhere.
        }
    }
    return 0;
}

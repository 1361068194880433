#include "serial/PortList.h"
#include "serial/CommControl.h"
#include "tests/harness/TestHarness.h"

class PortListTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { qunsetenv("TESSALY_VIRTUAL_PORTS"); }

    void listFormat_data() {
        QTest::addColumn<QList<PortDevice>>("devices");
        QTest::addColumn<QString>("list");
        const auto dev = [](std::optional<QString> port, std::optional<QString> name) {
            return PortDevice{std::move(port), std::move(name)};
        };
        QTest::newRow("no ports") << QList<PortDevice>{} << "";
        QTest::newRow("two adapters in enumeration order")
            << QList<PortDevice>{dev("COM7", "USB Serial Port (COM7)"),
                                 dev("COM3", "USB Serial Port (COM3)")}
            << "COM7->USB Serial Port (COM7)\r\nCOM3->USB Serial Port (COM3)\r\n";
        QTest::newRow("unreadable port name")
            << QList<PortDevice>{dev(std::nullopt, "Bluetooth Link")} << "Err ->Bluetooth Link\r\n";
        QTest::newRow("no friendly name ends the list")
            << QList<PortDevice>{dev("COM1", "Communications Port (COM1)"),
                                 dev("COM2", std::nullopt), dev("COM3", "USB Serial Port (COM3)")}
            << "COM1->Communications Port (COM1)\r\n";
        QTest::newRow("names cut at NUL")
            << QList<PortDevice>{dev(QStringLiteral("COM4") + QChar(0) + "x",
                                     QStringLiteral("Modem") + QChar(0) + "junk")}
            << "COM4->Modem\r\n";
        // A split entry's second half could read as a port that opens another device.
        QTest::newRow("line breaks in a name stay in its entry")
            << QList<PortDevice>{dev("COM201", "Relay\r\nCOM42->USB")}
            << "COM201->Relay  COM42->USB\r\n";
        QTest::newRow("duplicates stay")
            << QList<PortDevice>{dev("COM5", "A"), dev("COM5", "A")} << "COM5->A\r\nCOM5->A\r\n";
    }
    void listFormat() {
        QFETCH(QList<PortDevice>, devices);
        QFETCH(QString, list);
        QCOMPARE(renderPortList(devices), list);
    }

    void emptyListGivesOneEmptyItem() {
        QCOMPARE(portListItems(QString()), QStringList{QString()});
        QCOMPARE(portListItems(QStringLiteral("COM1->A\r\nCOM2->B\r\n")),
                 (QStringList{"COM1->A", "COM2->B", ""}));
    }

    void comNumbersOfDeviceFiles_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("number");
        QTest::newRow("ttyS0") << "/dev/ttyS0" << 1;
        QTest::newRow("ttyS31") << "/dev/ttyS31" << 32;
        QTest::newRow("ttyUSB0") << "/dev/ttyUSB0" << 33;
        QTest::newRow("ttyUSB2") << "/dev/ttyUSB2" << 35;
        QTest::newRow("ttyACM0") << "/dev/ttyACM0" << 65;
        QTest::newRow("ttyACM4") << "/dev/ttyACM4" << 69;
        QTest::newRow("other kind") << "/dev/ttyAMA0" << 0;
        QTest::newRow("pty") << "/dev/pts/3" << 0;
        QTest::newRow("suffix") << "/dev/ttyS1x" << 0;
    }
    void comNumbersOfDeviceFiles() {
        QFETCH(QString, path);
        QFETCH(int, number);
        QCOMPARE(comNumberOfDevice(path).value_or(0), number);
        if (number != 0) {
            QCOMPARE(devicePathOfPort(number), path);
        }
    }

    void listedPortsOpenTheDeviceTheyNamed_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("listed");
        QTest::newRow("ttyS0") << "/dev/ttyS0" << true;
        QTest::newRow("ttyS31") << "/dev/ttyS31" << true;
        QTest::newRow("ttyS32 would be ttyUSB0") << "/dev/ttyS32" << false;
        QTest::newRow("ttyS40 would be ttyUSB8") << "/dev/ttyS40" << false;
        QTest::newRow("ttyUSB31") << "/dev/ttyUSB31" << true;
        QTest::newRow("ttyUSB32 would be ttyACM0") << "/dev/ttyUSB32" << false;
        QTest::newRow("ttyACM31") << "/dev/ttyACM31" << true;
        QTest::newRow("ttyACM32") << "/dev/ttyACM32" << false;
        QTest::newRow("leading zero") << "/dev/ttyUSB01" << false;
        QTest::newRow("no number") << "/dev/ttyAMA0" << false;
        QTest::newRow("number taken by a virtual port") << "/dev/ttyS1" << false;
    }
    void listedPortsOpenTheDeviceTheyNamed() {
        QFETCH(QString, path);
        QFETCH(bool, listed);
        qputenv("TESSALY_VIRTUAL_PORTS", "COM2=/dev/pts/77:Test rig;COM2=/dev/pts/78:Twice");
        const QString list = renderPortList(listedPorts({MachinePort{path, {}}}, virtualPorts()));
        // What the port boxes do with each entry: its number, then the device that opens.
        QStringList opened;
        const QStringList items = portListItems(list);
        for (const QString& item : items.mid(0, items.size() - 1)) {
            opened << devicePathOfPort(::portNumberOfEntry(item));
        }
        const QStringList expected{path, QStringLiteral("/dev/pts/77")};
        QCOMPARE(opened, listed ? expected : expected.mid(1));
    }

    void virtualPortsComeFromTheEnvironment() {
        const QList<VirtualPort> ports = parseVirtualPorts(
            "COM201=/tmp/relay:Relay board (simulated);bogus;COMx=/a;COM9=;COM202=/dev/pts/9");
        QCOMPARE(ports.size(), 2);
        QCOMPARE(ports[0].number, 201);
        QCOMPARE(ports[0].path, QStringLiteral("/tmp/relay"));
        QCOMPARE(ports[0].description, QStringLiteral("Relay board (simulated)"));
        QCOMPARE(ports[1].description, QStringLiteral("Virtual serial port (COM202)"));

        qputenv("TESSALY_VIRTUAL_PORTS", "COM1=/dev/pts/77:Test rig;COM300=/dev/pts/78:Meter");
        // A virtual port takes its number over from the fixed rule.
        QCOMPARE(devicePathOfPort(1), QStringLiteral("/dev/pts/77"));
        QCOMPARE(devicePathOfPort(2), QStringLiteral("/dev/ttyS1"));
        QCOMPARE(devicePathOfPort(300), QStringLiteral("/dev/pts/78"));
        QCOMPARE(devicePathOfPort(200), QString());
        const QString list = GetPortList();
        QVERIFY(list.endsWith(QStringLiteral("COM1->Test rig\r\nCOM300->Meter\r\n")));
        // Every entry of the real list names a port the number rule can open again.
        const QStringList items = portListItems(list);
        QCOMPARE(items.last(), QString());
        for (const QString& item : items.mid(0, items.size() - 1)) {
            if (!item.startsWith(QLatin1String("Err "))) {
                QVERIFY(!devicePathOfPort(::portNumberOfEntry(item)).isEmpty());
            }
        }
    }

    void portNumberRule_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("error");
        QTest::newRow("example") << "COM3->USB Serial Port (COM3)" << 3 << 0;
        QTest::newRow("simulator") << "COM201->Relay board (simulated)" << 201 << 0;
        QTest::newRow("blank before dash") << "COM12 ->x" << 12 << 0;
        QTest::newRow("half to even") << "COM2.5->x" << 2 << 0;
        QTest::newRow("largest") << "COM32767->x" << 32767 << 0;
        QTest::newRow("empty last item") << "" << 0 << CommErrorCode::SubscriptOutOfRange;
        QTest::newRow("placeholder")
            << "Please select a port" << 0 << CommErrorCode::SubscriptOutOfRange;
        QTest::newRow("Err entry")
            << "Err ->USB Serial Port (COM3)" << 0 << CommErrorCode::TypeMismatch;
        QTest::newRow("Err without COM")
            << "Err ->Modem" << 0 << CommErrorCode::SubscriptOutOfRange;
        QTest::newRow("no digits") << "COM->x" << 0 << CommErrorCode::TypeMismatch;
        QTest::newRow("lower case com") << "com3->x" << 0 << CommErrorCode::SubscriptOutOfRange;
        QTest::newRow("beyond 16 bits") << "COM40000->x" << 0 << CommErrorCode::Overflow;
    }
    void portNumberRule() {
        QFETCH(QString, entry);
        QFETCH(int, number);
        QFETCH(int, error);
        try {
            const int got = ::portNumberOfEntry(entry);
            QCOMPARE(error, 0);
            QCOMPARE(got, number);
        } catch (const CommError& e) {
            QCOMPARE(e.code(), error);
        }
    }
};

TESSALY_TEST_MAIN(PortListTest)
#include "PortListTest.moc"

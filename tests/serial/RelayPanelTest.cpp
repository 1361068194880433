#include "serial/RelayPanel.h"
#include "serial/SerialCommControl.h"
#include "tests/harness/BoardSimulator.h"
#include "tests/harness/DeviceRig.h"
#include "tests/harness/FakeCommControl.h"
#include "tests/harness/PanelStandIns.h"
#include "tests/harness/PtyPair.h"
#include "tests/harness/TestHarness.h"

namespace {

RecordingMessageBoxes& boxes() {
    return TestEnvironment::instance().messages();
}

const QString kEntry = QStringLiteral("COM201->Relay board (simulated)");

} // namespace

class RelayPanelTest : public QObject {
    Q_OBJECT

    // The relay panel of a device rig, with its port's fake.
    struct Rig : DeviceRig {
        FakeCommControl* comm = relayComm;
        Rig() {
            comm->log.clear(); // what the load did is checked on its own
        }
        // The panel's own port button, on the port the load chose (COM1).
        void openOwnPort() {
            relays.Command5_Click();
            comm->log.clear();
        }
    };

private slots:
    void init() { boxes().clear(); }

    void loadPreparesPortOne() {
        Rig rig;
        auto& r = rig.relays;
        QCOMPARE(r.Combo1->itemText(15), QStringLiteral("COM16"));
        QCOMPARE(rig.comm->port, qint16{1});
        QCOMPARE(rig.comm->settings, QStringLiteral("9600,n,8,1"));
        QCOMPARE(rig.comm->inputMode, 1);
        QCOMPARE(rig.comm->rThreshold, 1);
        QCOMPARE(rig.comm->inputLen, 0);
        QVERIFY(!rig.comm->open);
        for (Shape* s : {r.Shape1, r.Shape2, r.Shape3, r.Shape4}) {
            QCOMPARE(s->FillColor(), Shape::kRed);
        }
        QCOMPARE(r.receivedTotal(), 0);
    }

    void switchingSendsItsFrameAndColoursAtOnce_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("bytes");
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("colour");
        QTest::newRow("relay 1 close") << 4 << "AA 01 01 00" << 2 << Shape::kGreen;
        QTest::newRow("relay 1 open") << 6 << "AA 01 00 00" << 2 << Shape::kRed;
        QTest::newRow("relay 2 close") << 7 << "AA 02 01 00" << 3 << Shape::kGreen;
        QTest::newRow("relay 2 open") << 2 << "AA 02 00 00" << 3 << Shape::kRed;
    }
    void switchingSendsItsFrameAndColoursAtOnce() {
        QFETCH(int, button);
        QFETCH(QString, bytes);
        QFETCH(int, shape);
        QFETCH(int, colour);
        Rig rig;
        auto& r = rig.relays;
        r.Command5_Click();
        Shape* indicator = shape == 2 ? r.Shape2 : r.Shape3;
        indicator->setFillColor(colour == Shape::kRed ? Shape::kGreen : Shape::kRed);
        switch (button) {
        case 4:
            r.Command4_Click();
            break;
        case 6:
            r.Command6_Click();
            break;
        case 7:
            r.Command7_Click();
            break;
        case 2:
            r.Command2_Click();
            break;
        }
        // The panel's own button opened the port the load chose.
        QCOMPARE(rig.comm->log, (QStringList{"open 1", "write " + bytes, "discard output"}));
        QCOMPARE(indicator->FillColor(), colour);
        QCOMPARE(boxes().count(), 0);
    }

    void queriesAndTestSetTheReadLength() {
        Rig rig;
        rig.openOwnPort();
        rig.relays.Command8_Click();
        QCOMPARE(rig.comm->written.last(), QByteArray::fromHex("dd0100"));
        QCOMPARE(rig.comm->inputLen, 2);
        rig.relays.Command10_Click();
        QCOMPARE(rig.comm->written.last(), QByteArray::fromHex("aabb00"));
        QCOMPARE(rig.comm->inputLen, 1);
        rig.relays.Command9_Click();
        QCOMPARE(rig.comm->written.last(), QByteArray::fromHex("dd0200"));
        QCOMPARE(rig.comm->inputLen, 2);
    }

    void repliesColourTheIndicators() {
        Rig rig;
        rig.openOwnPort();
        auto& r = rig.relays;
        r.Command10_Click();
        rig.comm->receive(QByteArray::fromHex("cc0102"));
        QCOMPARE(r.Command10->text(), QStringLiteral("测试成功"));
        QCOMPARE(r.Shape4->FillColor(), Shape::kGreen);
        // Only CC was read and shown; the rest was discarded but counted.
        QCOMPARE(r.TxtReceive->toPlainText(), QStringLiteral("CC "));
        QVERIFY(rig.comm->in.isEmpty());
        QCOMPARE(r.receivedTotal(), 3);

        r.Command8_Click();
        rig.comm->receive(QByteArray::fromHex("0101"));
        QCOMPARE(r.Shape2->FillColor(), Shape::kGreen);
        r.Command9_Click();
        r.Shape3->setFillColor(Shape::kGreen);
        rig.comm->receive(QByteArray::fromHex("0200"));
        QCOMPARE(r.Shape3->FillColor(), Shape::kRed);
        rig.comm->receive(QByteArray::fromHex("7701"));
        QCOMPARE(r.TxtReceive->toPlainText(), QStringLiteral("CC 01 01 02 00 77 01 "));
        QCOMPARE(r.receivedTotal(), 9);
    }

    void aReplySplitOverTwoEventsIsTwoOneByteReplies() {
        Rig rig;
        rig.openOwnPort();
        auto& r = rig.relays;
        r.Command9_Click();
        rig.comm->receive(QByteArray::fromHex("02"));
        rig.comm->receive(QByteArray::fromHex("01"));
        QCOMPARE(r.Shape3->FillColor(), Shape::kRed);
        QCOMPARE(r.TxtReceive->toPlainText(), QStringLiteral("02 01 "));
        // A lone 01 or 02 ends the handler before the count.
        QCOMPARE(r.receivedTotal(), 0);
    }

    void receiveAreaStartsAgainAt60000Bytes() {
        Rig rig;
        auto& r = rig.relays;
        rig.comm->open = true;
        for (int i = 0; i < 5; ++i) {
            rig.comm->receive(QByteArray(11999, '\x55'));
        }
        QCOMPARE(r.receivedTotal(), 59995);
        QCOMPARE(r.TxtReceive->toPlainText().size(), 59995 * 3);
        rig.comm->receive(QByteArray(5, '\x55'));
        QCOMPARE(r.receivedTotal(), 0);
        QVERIFY(r.TxtReceive->toPlainText().isEmpty());
        rig.comm->receive(QByteArray::fromHex("55"));
        QCOMPARE(r.TxtReceive->toPlainText(), QStringLiteral("55 "));
    }

    void connectOpensAndDisconnectSwitchesOffFirst() {
        Rig rig;
        auto& p = rig.panel;
        rig.relays.Command11_Click();
        QVERIFY(rig.comm->log.isEmpty()); // placeholder: nothing happens
        p.USBcheck->setChecked(true);
        PanelStandIns::choose(p.SelectPort0, kEntry);
        rig.relays.Command11_Click();
        // A board just connected is told what the boxes hold.
        QCOMPARE(rig.comm->log, (QStringList{"open 201", "write AA 01 00 00", "discard output",
                                             "write AA 02 00 00", "discard output"}));
        QCOMPARE(p.Command1->text(), QStringLiteral("Disconnect"));
        QCOMPARE(rig.relays.Command11->text(), QStringLiteral("关闭总台串口号"));
        QCOMPARE(PanelStandIns::shown(p.Image2), 0);
        QCOMPARE(PanelStandIns::shown(p.Image3), 0);
        QVERIFY(p.Check2->isEnabled() && p.Check3->isEnabled());

        p.Check2->click();
        p.Check3->click();
        rig.comm->log.clear();
        rig.relays.Command11_Click();
        // Both relays are switched off on the still open port, then the port closes.
        QCOMPARE(rig.comm->log, (QStringList{"write AA 01 00 00", "discard output",
                                             "write AA 02 00 00", "discard output", "close"}));
        QVERIFY(!p.Check2->isChecked() && !p.Check2->isEnabled());
        QVERIFY(!p.Check3->isChecked() && !p.Check3->isEnabled());
        QCOMPARE(p.Command1->text(), QStringLiteral("Connect"));
        QCOMPARE(rig.relays.Command11->text(), QStringLiteral("打开总台串口号"));
    }

    void connectFailuresAreReported_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("openFailure");
        QTest::addColumn<QString>("text");
        QTest::newRow("no number") << "COM->x" << 0 << "系统错误,错误编号：13";
        QTest::newRow("port missing") << kEntry << 8002 << "系统错误,错误编号：8002";
    }
    void connectFailuresAreReported() {
        QFETCH(QString, entry);
        QFETCH(int, openFailure);
        QFETCH(QString, text);
        Rig rig;
        if (openFailure != 0) {
            rig.comm->failOpenWith = openFailure;
        }
        PanelStandIns::choose(rig.panel.SelectPort0, entry);
        rig.relays.Command11_Click();
        QCOMPARE(boxes().count(), 1);
        QCOMPARE(boxes().last().text, text);
        QCOMPARE(boxes().last().title, QStringLiteral("2路串口继电器"));
        QCOMPARE(rig.relays.Command11->text(), QStringLiteral("打开总台串口号"));
        QCOMPARE(rig.panel.Command1->text(), QStringLiteral("Connect"));
        QVERIFY(!rig.panel.Check2->isEnabled());
        QCOMPARE(PanelStandIns::shown(rig.panel.Image2), -1);
    }

    void aSendOnAClosedPortOpensNothingAndIsReportedOnce() {
        Rig rig;
        auto& r = rig.relays;
        r.Command4_Click();
        r.Command7_Click();
        r.Command4_Click();
        // Said once the presses have returned, so a running program is never held by it.
        QCOMPARE(boxes().count(), 0);
        QTRY_COMPARE(boxes().count(), 1);
        QCOMPARE(boxes().last().text, QStringLiteral("系统错误,错误编号：8018"));
        QCOMPARE(boxes().last().title, QStringLiteral("2路串口继电器"));
        QCOMPARE(r.Shape2->FillColor(), Shape::kRed);
        QCOMPARE(r.Shape3->FillColor(), Shape::kRed);
        QVERIFY(rig.comm->log.isEmpty());
        // Another port is another failure, and once a send succeeds the next one counts again.
        r.Combo1->setCurrentIndex(2);
        r.Command4_Click();
        QTRY_COMPARE(boxes().count(), 2);
        r.Command5_Click();
        r.Command4_Click();
        QCOMPARE(r.Shape2->FillColor(), Shape::kGreen);
        rig.comm->failOutputWith = 8021;
        r.Command6_Click();
        QTRY_COMPARE(boxes().count(), 3);
        QCOMPARE(boxes().last().text, QStringLiteral("系统错误,错误编号：8021"));
        QCOMPARE(r.Shape2->FillColor(), Shape::kGreen);
    }

    void ownPortButtonAndPortChoice() {
        Rig rig;
        auto& r = rig.relays;
        r.Combo1->setCurrentIndex(4);
        QCOMPARE(rig.comm->port, qint16{5});
        r.Command5_Click();
        QVERIFY(rig.comm->open);
        QCOMPARE(r.Command5->text(), QStringLiteral("关闭串口"));
        QCOMPARE(r.Shape1->FillColor(), Shape::kGreen);
        r.Combo1->setCurrentIndex(1); // a new choice closes the port
        QVERIFY(!rig.comm->open);
        QCOMPARE(rig.comm->port, qint16{2});
        r.Command5->setText(QStringLiteral("关闭串口"));
        r.Command5_Click();
        QCOMPARE(r.Command5->text(), QStringLiteral("打开串口"));
        QCOMPARE(r.Shape1->FillColor(), Shape::kRed);

        rig.comm->failOpenWith = 8002;
        r.Command5_Click();
        QCOMPARE(boxes().last().text, QStringLiteral("无效端口号"));
        QCOMPARE(boxes().last().title, QStringLiteral("串口调试助手"));
        QCOMPARE(boxes().last().icon, MessageIcon::Warning);
        QCOMPARE(r.Command5->text(), QStringLiteral("打开串口"));
    }

    void framesOnARealLineAreExact() {
        PtyPair line;
        qputenv("TESSALY_VIRTUAL_PORTS", ("COM1=" + line.path() + ":Test rig").toLocal8Bit());
        DeviceRig rig(std::make_unique<SerialCommControl>(), std::make_unique<FakeCommControl>());
        开关面板& relays = rig.relays;
        relays.Command5_Click();
        relays.Command4_Click();
        relays.Command6_Click();
        relays.Command7_Click();
        relays.Command2_Click();
        relays.Command8_Click();
        relays.Command9_Click();
        relays.Command10_Click();
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        QCOMPARE(line.read(25).toHex(' '),
                 QByteArray("aa 01 01 00 aa 01 00 00 aa 02 01 00 aa 02 00 00 dd 01 00 dd 02 00 "
                            "aa bb 00"));
        QCOMPARE(boxes().count(), 0);
    }

    void drivesTheSimulatedBoard() {
        BoardSimulator sim;
        QVERIFY(sim.running());
        DeviceRig rig(std::make_unique<SerialCommControl>(), std::make_unique<FakeCommControl>());
        开关面板& relays = rig.relays;
        PanelStandIns& panel = rig.panel;
        panel.USBcheck->setChecked(true);
        PanelStandIns::choose(panel.SelectPort0, BoardSimulator::relayEntry());
        relays.Command11_Click();
        QCOMPARE(boxes().count(), 0);

        relays.Command10_Click();
        QTRY_COMPARE(relays.Command10->text(), QStringLiteral("测试成功"));
        QCOMPARE(relays.Shape4->FillColor(), Shape::kGreen);

        // The indicators are set back by hand, so only the board's answers turn them.
        panel.Check2->click();
        relays.Shape2->setFillColor(Shape::kRed);
        relays.Command8_Click();
        QTRY_COMPARE(relays.Shape2->FillColor(), Shape::kGreen);
        relays.Command9_Click();
        relays.Shape3->setFillColor(Shape::kGreen);
        QTRY_COMPARE(relays.Shape3->FillColor(), Shape::kRed);

        panel.Check3->click();
        relays.Command11_Click(); // disconnect: both relays off before the port closes
        QVERIFY(!rig.relayBoard.isConnected());
        relays.Command11_Click();
        relays.Shape2->setFillColor(Shape::kGreen);
        relays.Command8_Click();
        QTRY_COMPARE(relays.Shape2->FillColor(), Shape::kRed);
        relays.Shape3->setFillColor(Shape::kGreen);
        relays.Command9_Click();
        QTRY_COMPARE(relays.Shape3->FillColor(), Shape::kRed);
    }

    void simulatorShowsRelayChangesAndLogsEveryFrame() {
        QTemporaryDir dir;
        const QString logPath = dir.filePath(QStringLiteral("frames.log"));
        QFile earlier(logPath);
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier run\n");
        earlier.close();
        BoardSimulator sim(
            {QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--log"), logPath});
        QVERIFY(sim.running());
        SerialCommControl line;
        line.setCommPort(201);
        line.setPortOpen(true);
        // One write, so the board gets the frames in one piece: close, query, close again
        // (no change), open, and a stray byte.
        line.Output(QByteArray::fromHex("aa010100dd0100aa01010055aa010000"));
        QTRY_COMPARE(sim.laterLines(), (QStringList{QStringLiteral("relay 1 closed (laser on)"),
                                                    QStringLiteral("relay 1 opened (laser off)")}));

        QFile log(logPath);
        QVERIFY(log.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'));
        const QString stamp =
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d relay board: )");
        const QStringList received{"AA 01 01 00", "DD 01 00", "AA 01 01 00", "55 \\(no frame\\)",
                                   "AA 01 00 00"};
        QCOMPARE(lines.size(), received.size() + 2); // the earlier line, and the last newline
        QCOMPARE(lines.first(), QStringLiteral("earlier run"));
        for (qsizetype i = 0; i < received.size(); ++i) {
            const QRegularExpression expected(stamp + received[i] + QLatin1Char('$'));
            QVERIFY2(expected.match(lines[i + 1]).hasMatch(), qPrintable(lines[i + 1]));
        }
    }
};

TESSALY_TEST_MAIN(RelayPanelTest)
#include "RelayPanelTest.moc"

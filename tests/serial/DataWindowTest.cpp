#include "serial/DataWindow.h"
#include "base/Clock.h"
#include "base/TimeText.h"
#include "serial/FrameText.h"
#include "serial/SerialCommControl.h"
#include "tests/harness/BoardSimulator.h"
#include "tests/harness/DeviceRig.h"
#include "tests/harness/FakeCommControl.h"
#include "tests/harness/PanelStandIns.h"
#include "tests/harness/TestHarness.h"

namespace {

const QByteArray kExample =
    QByteArray::fromHex("ab0006010203041112131421222324313233344142434451526162c9");
const QString kEntry = QStringLiteral("COM202->Measuring board (simulated)");

QStringList texts(const std::array<QLineEdit*, 7>& boxes) {
    QStringList out;
    for (auto* b : boxes) {
        out << b->text();
    }
    return out;
}

QStringList texts(const std::array<QLabel*, 7>& labels) {
    QStringList out;
    for (auto* l : labels) {
        out << l->text();
    }
    return out;
}

RecordingMessageBoxes& boxes() {
    return TestEnvironment::instance().messages();
}

} // namespace

class DataWindowTest : public QObject {
    Q_OBJECT

    // The data window of a device rig, with its port's fake and the master switch on.
    struct Rig : DeviceRig {
        FakeCommControl* comm = dataComm;
        Rig() { panel.USBcheck->setChecked(true); }

        void connect() {
            PanelStandIns::choose(panel.SelectPort1, kEntry);
            window.Command3_Click();
        }
    };

private slots:
    void init() { boxes().clear(); }

    void loadFillsTheBoxesAndSetsTheReceiveMode() {
        qputenv("TESSALY_VIRTUAL_PORTS", "COM202=/dev/null:Measuring board (simulated)");
        Rig rig;
        qunsetenv("TESSALY_VIRTUAL_PORTS");
        auto& w = rig.window;
        QCOMPARE(w.SelectPort->currentText(), QStringLiteral("请选择端口号"));
        QCOMPARE(w.SelectPort->itemText(w.SelectPort->count() - 2), kEntry);
        QCOMPARE(w.SelectPort->itemText(w.SelectPort->count() - 1), QString());
        QCOMPARE(w.CheckDigit->currentText(), QStringLiteral("N"));
        QCOMPARE(w.DataBit->currentText(), QStringLiteral("8"));
        QCOMPARE(w.StopBit->itemText(9), QStringLiteral("10"));
        QCOMPARE(rig.comm->inputMode, 1);
        QCOMPARE(rig.comm->rThreshold, 1);
        QVERIFY(!rig.comm->open);
    }

    void connectDoesNothingWhileThePlaceholderShows() {
        Rig rig;
        rig.window.Command3_Click();
        QVERIFY(rig.comm->log.isEmpty());
        QCOMPARE(rig.window.Command3->text(), QStringLiteral("打开总台串口号"));
        QCOMPARE(rig.panel.Command2->text(), QStringLiteral("Connect"));
        QCOMPARE(boxes().count(), 0);
    }

    void connectAndDisconnectDriveThePanel() {
        Rig rig;
        rig.connect();
        QCOMPARE(rig.comm->port, qint16{202});
        QCOMPARE(rig.comm->settings, QStringLiteral("115200,N,8,1"));
        QVERIFY(rig.comm->open);
        QCOMPARE(rig.window.Command3->text(), QStringLiteral("关闭总台串口号"));
        QCOMPARE(rig.panel.Command2->text(), QStringLiteral("Disconnect"));
        QCOMPARE(PanelStandIns::shown(rig.panel.Image1), 0);
        QVERIFY(rig.panel.Check1->isEnabled());

        rig.window.Command3_Click();
        QVERIFY(!rig.comm->open);
        QVERIFY(!rig.panel.Check1->isEnabled());
        QCOMPARE(PanelStandIns::shown(rig.panel.Image1), -1);
        QCOMPARE(rig.window.Command3->text(), QStringLiteral("打开总台串口号"));
        QCOMPARE(rig.panel.Command2->text(), QStringLiteral("Connect"));

        // Unticked after the pictures were hidden, the signal's own change shows "off".
        rig.connect();
        rig.panel.Check1->click();
        QCOMPARE(PanelStandIns::shown(rig.panel.Image1), 1);
        rig.window.Command3_Click();
        QVERIFY(!rig.panel.Check1->isChecked());
        QVERIFY(!rig.panel.Check1->isEnabled());
        QCOMPARE(PanelStandIns::shown(rig.panel.Image1), 0);
        QCOMPARE(boxes().count(), 0);
    }

    void connectFailuresAreReportedAndChangeNothing_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<int>("openFailure");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty item") << ""
                                    << "N" << 0 << "系统错误,错误编号：9";
        QTest::newRow("Err entry") << "Err ->USB Serial Port (COM3)"
                                   << "N" << 0 << "系统错误,错误编号：13";
        QTest::newRow("parity Y") << kEntry << "Y" << 0 << "系统错误,错误编号：380";
        QTest::newRow("port missing") << kEntry << "N" << 8002 << "系统错误,错误编号：8002";
        QTest::newRow("port busy") << kEntry << "N" << 8005 << "系统错误,错误编号：8005";
    }
    void connectFailuresAreReportedAndChangeNothing() {
        QFETCH(QString, entry);
        QFETCH(QString, parity);
        QFETCH(int, openFailure);
        QFETCH(QString, text);
        Rig rig;
        rig.window.CheckDigit->setEditText(parity);
        if (openFailure != 0) {
            rig.comm->failOpenWith = openFailure;
        }
        PanelStandIns::choose(rig.panel.SelectPort1, entry);
        rig.window.Command3_Click();
        QCOMPARE(boxes().count(), 1);
        QCOMPARE(boxes().last().text, text);
        QCOMPARE(boxes().last().title, QStringLiteral("串口数据"));
        QCOMPARE(boxes().last().buttons, MessageButtons::Ok);
        QVERIFY(!rig.comm->open);
        QCOMPARE(rig.window.Command3->text(), QStringLiteral("打开总台串口号"));
        QCOMPARE(rig.panel.Command2->text(), QStringLiteral("Connect"));
        QCOMPARE(PanelStandIns::shown(rig.panel.Image1), -1);
        QVERIFY(!rig.panel.Check1->isEnabled());
    }

    void errorBoxIsTitledWithTheCurrentCaption() {
        Rig rig;
        rig.window.Check1->setChecked(true);
        QVERIFY(rig.window.Timer1->isActive());
        rig.clock.advanceMs(3000);
        rig.window.Timer1_Timer();
        const QString caption = GeneralDateText(rig.clock.now());
        QCOMPARE(rig.window.windowTitle(), caption);
        PanelStandIns::choose(rig.panel.SelectPort1, QStringLiteral("no number"));
        rig.window.Command3_Click();
        QCOMPARE(boxes().last().title, caption);
        rig.window.Check1->setChecked(false);
        QVERIFY(!rig.window.Timer1->isActive());
    }

    void simulationShowsTheExampleValuesOnThePanel() {
        Rig rig;
        rig.window.show();
        rig.window.Command2_Click();
        const QStringList values = {"6730598.5",   "33679412.9", "60628227.3", "87577041.7",
                                    "11452585.61", "21073",      "25185"};
        QCOMPARE(rig.window.Text4->text(), QStringLiteral("C9"));
        QCOMPARE(texts(rig.window.Text2), values);
        QCOMPARE(texts(rig.panel.实时数据), values);
    }

    void simulationOfABadTextChangesNoValue() {
        Rig rig;
        rig.window.Text3->setText(rig.window.Text3->text().replace("C9", "C8"));
        rig.window.Command2_Click();
        QCOMPARE(rig.window.Text4->text(), QStringLiteral("C9"));
        QCOMPARE(texts(rig.panel.实时数据), QStringList(7, QStringLiteral("0")));
    }

    void receivedFrameShowsTheTimeTimesTen() {
        Rig rig;
        rig.connect();
        rig.comm->receive(kExample);
        // The raw bytes reach the window's own field once someone looks at it.
        QCOMPARE(rig.window.Text6->toPlainText(), QString());
        rig.window.show();
        QCOMPARE(rig.window.Text6->toPlainText(), hexText(kExample));
        const QStringList values = {"6730598.5",   "33679412.9", "60628227.3", "87577041.7",
                                    "11452585610", "21073",      "25185"};
        QCOMPARE(texts(rig.window.Text2), values);
        QCOMPARE(texts(rig.panel.实时数据), values);
    }

    void readsThatAreNotWholeFrames_data() {
        QTest::addColumn<QList<QByteArray>>("reads");
        QTest::addColumn<QString>("voltage");
        QByteArray badSum = kExample;
        badSum[27] = '\xC8';
        QByteArray badHeader = kExample;
        badHeader[1] = '\x01';
        badHeader[27] = '\xCA';
        QByteArray other = kExample;
        other[3] = '\x02';
        other[27] = '\xCA';
        QTest::newRow("27 bytes") << QList<QByteArray>{kExample.left(27)} << "";
        QTest::newRow("29 bytes, the extra one garbage")
            << QList<QByteArray>{kExample + QByteArray(1, '\x55')} << "6730598.5";
        QTest::newRow("bad checksum") << QList<QByteArray>{badSum} << "";
        QTest::newRow("bad header") << QList<QByteArray>{badHeader} << "";
        QTest::newRow("split in two reads")
            << QList<QByteArray>{kExample.left(11), kExample.mid(11)} << "6730598.5";
        QTest::newRow("two frames in one read, the last shows")
            << QList<QByteArray>{kExample + other} << "6730598.6";
        QTest::newRow("garbage before a frame")
            << QList<QByteArray>{QByteArray::fromHex("00ab0006ff"), kExample} << "6730598.5";
    }
    void readsThatAreNotWholeFrames() {
        QFETCH(QList<QByteArray>, reads);
        QFETCH(QString, voltage);
        Rig rig;
        rig.window.show();
        rig.connect();
        for (const QByteArray& read : reads) {
            rig.comm->receive(read);
        }
        // Reads close together reach the fields at the end of the show interval.
        QTRY_COMPARE(rig.window.Text6->toPlainText(), hexText(reads.last()));
        QTRY_COMPARE(rig.window.Text2[0]->text(), voltage);
        QCOMPARE(rig.panel.实时数据[0]->text(), voltage.isEmpty() ? QStringLiteral("0") : voltage);
        // Only a whole frame is a reading; before it there is none, not a 0.
        QCOMPARE(rig.reading.has_value(), !voltage.isEmpty());
    }

    void aBurstOfFramesShowsTheFirstAndThenOnlyTheNewest() {
        Rig rig;
        rig.window.show();
        rig.connect();
        QStringList shown;
        QObject::connect(rig.window.Text2[0], &QLineEdit::textChanged,
                         [&](const QString& text) { shown << text; });
        const auto frameWithVoltage = [](std::uint32_t raw) {
            frames::RawFields f;
            f.voltage = raw;
            const auto bytes = frames::encodeFrame(f);
            return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                              static_cast<qsizetype>(bytes.size()));
        };
        for (std::uint32_t v = 1; v <= 5; ++v) {
            rig.comm->receive(frameWithVoltage(v));
        }
        QCOMPARE(shown, QStringList{"0.1"});
        QTRY_COMPARE(shown, (QStringList{"0.1", "0.5"}));
        QCOMPARE(rig.panel.实时数据[0]->text(), QStringLiteral("0.5"));
        // Whatever samples the readings asks for the newest first and gets it at once.
        rig.comm->receive(frameWithVoltage(6));
        rig.comm->receive(frameWithVoltage(7));
        rig.measuringBoard.showPendingReading();
        QCOMPARE(rig.panel.实时数据[0]->text(), QStringLiteral("0.7"));
        QCOMPARE(rig.measuringBoard.framesReceived(), 7u);
    }

    // Hidden, only the panel follows the board; the fields catch up when the window shows.
    void aHiddenWindowFillsItsFieldsWhenShown() {
        Rig rig;
        rig.connect();
        rig.comm->receive(kExample);
        QCOMPARE(rig.panel.实时数据[0]->text(), QStringLiteral("6730598.5"));
        QCOMPARE(rig.window.Text2[0]->text(), QString());
        rig.window.show();
        QCOMPARE(rig.window.Text2[0]->text(), QStringLiteral("6730598.5"));
        QCOMPARE(rig.window.Text6->toPlainText(), hexText(kExample));
    }

    void partOfAFrameDoesNotOutliveTheConnection() {
        Rig rig;
        rig.connect();
        rig.comm->receive(kExample.left(20));
        rig.window.Command3_Click();
        rig.connect();
        rig.comm->receive(kExample.mid(20));
        QCOMPARE(rig.window.Text2[0]->text(), QString());
    }

    void ownPortButtonOpensTheChosenPort() {
        Rig rig;
        rig.window.Command1_Click();
        QVERIFY(rig.comm->log.isEmpty());
        rig.window.SelectPort->setEditText(QStringLiteral("COM7->USB Serial Port (COM7)"));
        rig.window.Command1_Click();
        QCOMPARE(rig.window.Label9->text(), QStringLiteral("7"));
        QCOMPARE(rig.comm->log, QStringList{"open 7"});
        QCOMPARE(rig.window.Command1->text(), QStringLiteral("关闭串口"));
        rig.window.Command1_Click();
        QVERIFY(!rig.comm->open);
        QCOMPARE(rig.window.Command1->text(), QStringLiteral("打开串口"));

        rig.window.DataBit->setEditText(QStringLiteral("9"));
        rig.window.Command1_Click();
        QCOMPARE(boxes().last().text, QStringLiteral("系统错误,错误编号：380"));
        QCOMPARE(rig.window.Command1->text(), QStringLiteral("打开串口"));
    }

    void unloadClosesThePort() {
        Rig rig;
        rig.connect();
        rig.window.Form_Unload();
        QVERIFY(!rig.comm->open);
    }

    void measuresFromTheSimulatedBoard_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("clean stream") << QStringList{"--rate", "50"};
        QTest::newRow("noisy, split stream") << QStringList{"--rate", "50", "--noise"};
    }
    void measuresFromTheSimulatedBoard() {
        QFETCH(QStringList, arguments);
        BoardSimulator sim(arguments);
        QVERIFY(sim.running());
        DeviceRig rig(std::make_unique<FakeCommControl>(), std::make_unique<SerialCommControl>());
        PanelStandIns& panel = rig.panel;
        数据采集窗口& window = rig.window;
        panel.USBcheck->setChecked(true);
        PanelStandIns::choose(panel.SelectPort1, BoardSimulator::meterEntry());
        QVERIFY(panel.SelectPort1->findText(BoardSimulator::meterEntry()) >= 0);
        window.show();
        window.Command3_Click();
        QCOMPARE(boxes().count(), 0);
        QVERIFY(rig.measuringBoard.isConnected());

        // Every value shown is a plausible reading: a bad frame never gets through.
        int updates = 0;
        double lastTime = -1;
        const auto check = [&] {
            const double volts = panel.实时数据[0]->text().toDouble();
            QVERIFY(volts > 4900 && volts < 5100);
            const double time = panel.实时数据[4]->text().toDouble();
            QVERIFY(time > lastTime);
            lastTime = time;
            ++updates;
        };
        QMetaObject::Connection c =
            QObject::connect(window.Text2[6], &QLineEdit::textChanged, &window, check);
        QTRY_VERIFY_WITH_TIMEOUT(updates >= 20, 10000);
        QObject::disconnect(c);
        QVERIFY(panel.实时数据[5]->text().toDouble() > 2000);

        window.Command3_Click();
        QVERIFY(!rig.measuringBoard.isConnected());
    }
};

TESSALY_TEST_MAIN(DataWindowTest)
#include "DataWindowTest.moc"

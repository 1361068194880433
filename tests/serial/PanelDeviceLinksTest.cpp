#include "serial/PanelDeviceLinks.h"
#include "app/AppRoot.h"
#include "base/Clock.h"
#include "panel/TessalyPanel.h"
#include "serial/DataWindow.h"
#include "serial/Frames.h"
#include "serial/MeasuringBoard.h"
#include "serial/RelayBoard.h"
#include "tests/harness/FakeCommControl.h"
#include "tests/harness/TestHarness.h"

#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

RecordingMessageBoxes& messages() {
    return TestEnvironment::instance().messages();
}

// The device links on a bare panel, with both boards behind fake controls.
struct Links {
    ManualClock clock;
    TessalyPanel panel;
    FakeCommControl* relayComm = new FakeCommControl;
    FakeCommControl* dataComm = new FakeCommControl;
    LiveReading reading;
    RelayBoard relayBoard{std::unique_ptr<CommControl>(relayComm)};
    MeasuringBoard measuringBoard{std::unique_ptr<CommControl>(dataComm), reading};
    数据采集窗口 data{measuringBoard, clock};
    DeviceState devices;
    PanelDeviceLinks links{panel, relayBoard, measuringBoard, data, devices};

    Links() { links.wire(); }

    void connectRelayBoard() {
        panel.USBcheck->setChecked(true);
        links.显示串口_Click();
        panel.SelectPort[0]->setEditText("COM5->Relay board");
        links.Command1_Click();
    }
};

} // namespace

class PanelDeviceLinksTest : public QObject {
    Q_OBJECT
private slots:
    void init() { messages().clear(); }

    void refreshEnablesTheLinksOnlyWithTheMasterSwitch() {
        Links l;
        l.links.显示串口_Click();
        QVERIFY(!l.panel.SelectPort[0]->isEnabled() && !l.panel.Command2->isEnabled());
        QCOMPARE(l.panel.SelectPort[1]->currentText(), QString("Please select a port"));
        l.panel.USBcheck->setChecked(true);
        l.links.显示串口_Click();
        QVERIFY(l.panel.SelectPort[0]->isEnabled() && l.panel.Command2->isEnabled());
        l.links.Command1_Click(); // no port chosen: nothing happens
        QCOMPARE(l.panel.Command1->text(), QString("Connect"));
        QVERIFY(!l.relayComm->PortOpen());
    }

    // The panel must never show an output as switched when the board did not get the command,
    // and a box about it waits until the event that failed has returned (a run tick goes on).
    void aRelayCommandThatFailsStaysVisibleUntilOneSucceeds() {
        Links l;
        l.connectRelayBoard();
        QCOMPARE(l.panel.Command1->text(), QString("Disconnect"));
        l.panel.Check2->click();
        QVERIFY(l.panel.Image2[1]->isVisibleTo(&l.panel));

        l.relayComm->failOutputWith = CommErrorCode::WriteError;
        l.panel.Check2->click();
        QCOMPARE(messages().count(), 0);
        l.panel.Check2->click();
        l.panel.Check2->click();
        QTRY_COMPARE(messages().count(), 1);
        QCOMPARE(messages().last().text, QString("系统错误,错误编号：8021"));
        QVERIFY(l.panel.Check2->text().contains("not switched"));
        QVERIFY(!l.panel.Image2[0]->isVisibleTo(&l.panel));
        QVERIFY(!l.panel.Image2[1]->isVisibleTo(&l.panel));

        l.relayComm->failOutputWith.reset();
        l.panel.Check2->click();
        QCOMPARE(l.panel.Check2->text(), QString("Laser"));
        QVERIFY(l.panel.Image2[1]->isVisibleTo(&l.panel));
        QVERIFY(l.relayComm->written.endsWith(QByteArray::fromHex("AA010100")));
        QTest::qWait(20);
        QCOMPARE(messages().count(), 1);
    }

    // A step while the relay board is not connected opens no port and sends nothing; the
    // Connect that follows tells the board both boxes.
    void connectTellsTheBoardWhatTheBoxesWant() {
        Links l;
        l.panel.USBcheck->setChecked(true);
        l.links.显示串口_Click();
        l.relayComm->log.clear();
        l.links.want({0, 1, 0}); // a step of a running program
        QVERIFY(l.relayComm->log.isEmpty());
        QVERIFY(!l.panel.Image2[0]->isVisibleTo(&l.panel) &&
                !l.panel.Image2[1]->isVisibleTo(&l.panel));
        QCOMPARE(l.panel.Check2->text(), QString("Laser - not switched"));
        // Disabled, the box looks disabled: the red is the caption's alone.
        const auto reddish = [&l](QStyle::SubElement part) {
            QStyleOptionButton option;
            option.initFrom(l.panel.Check2);
            const QRect rect =
                l.panel.Check2->style()->subElementRect(part, &option, l.panel.Check2);
            const QImage image = l.panel.Check2->grab(rect).toImage();
            int count = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    const QColor c = image.pixelColor(x, y);
                    count += c.red() > c.green() + 60 && c.red() > c.blue() + 60 ? 1 : 0;
                }
            }
            return count;
        };
        QVERIFY(!l.panel.Check2->isEnabled());
        QCOMPARE(reddish(QStyle::SE_CheckBoxIndicator), 0);
        QVERIFY(reddish(QStyle::SE_CheckBoxContents) > 0);

        l.panel.SelectPort[0]->setEditText("COM5->Relay board");
        l.links.Command1_Click();
        QCOMPARE(l.relayComm->log.first(), QString("open 5"));
        QCOMPARE(l.relayComm->written, (QList<QByteArray>{QByteArray::fromHex("AA010100"),
                                                          QByteArray::fromHex("AA020000")}));
        QVERIFY(l.panel.Image2[1]->isVisibleTo(&l.panel) &&
                l.panel.Image3[0]->isVisibleTo(&l.panel));
        QCOMPARE(l.panel.Check2->text(), QString("Laser"));
        QCOMPARE(l.links.relayOutput(1).board, RelayState::Closed);

        // After a loss the box keeps what the run wants, and the next Connect tells it again.
        l.relayComm->lose("unplugged");
        QVERIFY(l.panel.Check2->isChecked() && !l.panel.Check2->isEnabled());
        QCOMPARE(l.panel.Check2->text(), QString("Laser - not switched"));
        QCOMPARE(l.links.relayOutput(1).board, RelayState::Unknown);
        l.relayComm->written.clear();
        l.links.Command1_Click();
        QCOMPARE(l.relayComm->written, (QList<QByteArray>{QByteArray::fromHex("AA010100"),
                                                          QByteArray::fromHex("AA020000")}));
    }

    // A relay whose open frame failed is sent it again by every way off, whatever its box
    // holds; one that keeps failing is tried a few times and said once.
    void everyWayOffRetriesARelayNotKnownOpen_data() {
        QTest::addColumn<bool>("disconnect");
        QTest::newRow("Disconnect") << true;
        QTest::newRow("master switch cleared") << false;
    }
    void everyWayOffRetriesARelayNotKnownOpen() {
        QFETCH(bool, disconnect);
        const auto wayOff = [disconnect](Links& l) {
            if (disconnect) {
                l.links.Command1_Click();
            } else {
                l.panel.USBcheck->setChecked(false);
            }
        };
        {
            Links l;
            l.connectRelayBoard();
            l.panel.Check2->click();
            l.relayComm->failOutputWith = CommErrorCode::WriteError;
            l.panel.Check2->click();
            l.relayComm->failOutputWith.reset();
            l.relayComm->written.clear();
            wayOff(l);
            QCOMPARE(l.relayComm->written, (QList<QByteArray>{QByteArray::fromHex("AA010000")}));
            QVERIFY(!l.relayComm->open);
        }
        QTest::qWait(20);
        messages().clear();
        Links l;
        l.connectRelayBoard();
        l.panel.Check3->click();
        l.relayComm->failOutputWith = CommErrorCode::WriteError;
        const int before = l.relayComm->outputAttempts;
        wayOff(l);
        QCOMPARE(l.relayComm->outputAttempts - before, PanelDeviceLinks::kOpenAttempts);
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains("Relay 2 (vacuum pump): error 8021"));
        QTest::qWait(20);
        QCOMPARE(messages().count(), 1);
    }

    // A write that finds the device gone closes the port; no retry opens it again, whatever
    // the device node does meanwhile: only Connect opens a port.
    void aRetryAfterTheDeviceWentAwayOpensNoPort() {
        Links l;
        l.connectRelayBoard();
        l.panel.Check3->click();
        l.relayComm->failOutputWith = CommErrorCode::WriteError;
        l.relayComm->closeOnFailedOutput = true;
        l.relayComm->log.clear();
        const int before = l.relayComm->outputAttempts;
        l.links.Command1_Click();
        QCOMPARE(l.relayComm->outputAttempts - before, 1);
        QVERIFY(l.relayComm->log.filter("open").isEmpty());
        QVERIFY(!l.relayComm->open);
        QCOMPARE(l.links.relayOutput(2).board, RelayState::Unknown);
    }

    // A lost board is no reading: the panel keeps its last text, greyed, and the first frame of
    // the board connected again shows even when it equals the last one before the loss.
    void readingsComeBackAfterALostMeasuringBoard() {
        Links l;
        l.panel.USBcheck->setChecked(true);
        l.links.显示串口_Click();
        l.panel.SelectPort[1]->setEditText("COM6->Measuring board");
        l.links.Command2_Click();
        QVERIFY(l.dataComm->open);
        frames::RawFields raw;
        raw.voltage = 51234;
        const auto bytes = frames::encodeFrame(raw);
        const QByteArray frame(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        l.dataComm->receive(frame);
        const QString shown = l.panel.实时数据[0]->text();
        QVERIFY(shown != "0");
        QVERIFY(l.reading.has_value());
        l.links.want({1, 0, 0}); // a step with the optical signal
        l.dataComm->lose("unplugged");
        QVERIFY(!l.reading.has_value());
        QCOMPARE(l.panel.实时数据[0]->text(), shown);
        QVERIFY(!l.panel.实时数据[0]->isEnabled());
        // The signal box keeps what the step wants; its pictures wait for the board.
        QVERIFY(l.panel.Check1->isChecked() && !l.panel.Check1->isEnabled());
        QVERIFY(l.panel.Image1[0]->isHidden() && l.panel.Image1[1]->isHidden());
        l.links.Command2_Click();
        QVERIFY(l.panel.Image1[1]->isVisibleTo(&l.panel) && l.panel.Image1[0]->isHidden());
        l.dataComm->receive(frame);
        QCOMPARE(l.panel.实时数据[0]->text(), shown);
        QVERIFY(l.panel.实时数据[0]->isEnabled());
        QCOMPARE(l.reading->values[frames::Voltage], 5123.4);
        // A disconnected board gives no reading either: its last one is not taken as current.
        l.links.Command2_Click();
        QVERIFY(!l.reading.has_value());
        QVERIFY(!l.panel.实时数据[0]->isEnabled());
    }
};

TESSALY_TEST_MAIN(PanelDeviceLinksTest)
#include "PanelDeviceLinksTest.moc"

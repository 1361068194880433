#include "serial/PanelDeviceLinks.h"
#include "app/Clock.h"
#include "app/shell/AppRoot.h"
#include "program/panel/TessalyPanel.h"
#include "serial/DataWindow.h"
#include "serial/RelayPanel.h"
#include "tests/harness/TestHarness.h"
#include "tests/serial/FakeCommControl.h"

#include <QComboBox>
#include <QPushButton>

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
    DeviceFrameLinks view = deviceFrameLinks(deviceControlsView(panel));
    数据采集窗口 data{std::unique_ptr<CommControl>(dataComm), PanelDeviceLinks::dataLinks(view),
                      clock};
    开关面板 relay{std::unique_ptr<CommControl>(relayComm), PanelDeviceLinks::relayLinks(view)};
    PanelDeviceLinks links{view, relay, data};

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
    // and must not bring up a box at every step of a running program.
    void aRelayCommandThatFailsStaysVisibleUntilOneSucceeds() {
        Links l;
        l.connectRelayBoard();
        QCOMPARE(l.panel.Command1->text(), QString("Disconnect"));
        l.panel.Check2->setChecked(true);
        QVERIFY(l.panel.Image2[1]->isVisibleTo(&l.panel));

        l.relayComm->failOutputWith = CommErrorCode::WriteError;
        l.panel.Check2->setChecked(false);
        l.panel.Check2->setChecked(true);
        l.panel.Check2->setChecked(false);
        QCOMPARE(messages().count(), 1);
        QVERIFY(l.panel.Check2->text().contains("not switched"));
        QVERIFY(!l.panel.Image2[0]->isVisibleTo(&l.panel));
        QVERIFY(!l.panel.Image2[1]->isVisibleTo(&l.panel));

        l.relayComm->failOutputWith.reset();
        l.panel.Check2->setChecked(true);
        QCOMPARE(l.panel.Check2->text(), QString("Laser"));
        QVERIFY(l.panel.Image2[1]->isVisibleTo(&l.panel));
        QVERIFY(l.relayComm->written.endsWith(QByteArray::fromHex("AA010100")));
    }
};

TESSALY_TEST_MAIN(PanelDeviceLinksTest)
#include "PanelDeviceLinksTest.moc"

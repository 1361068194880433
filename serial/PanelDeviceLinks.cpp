#include "serial/PanelDeviceLinks.h"

#include "app/CheckValue.h"
#include "app/MessageBoxes.h"
#include "serial/Controls.h"
#include "serial/DataWindow.h"
#include "serial/PortList.h"
#include "serial/RelayPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

PanelDeviceLinks::PanelDeviceLinks(const DeviceFrameLinks& view, 开关面板& relay,
                                   数据采集窗口& data)
    : v(view), m_relay(relay), m_data(data) {}

RelayPanelLinks PanelDeviceLinks::relayLinks(const DeviceFrameLinks& view) {
    RelayPanelLinks l;
    l.SelectPort = view.SelectPort[0];
    l.Command1 = view.Command1;
    l.Image2 = view.Image2;
    l.Image3 = view.Image3;
    l.Check2 = view.Check2;
    l.Check3 = view.Check3;
    return l;
}

DataWindowLinks PanelDeviceLinks::dataLinks(const DeviceFrameLinks& view) {
    DataWindowLinks l;
    l.SelectPort = view.SelectPort[1];
    l.Command2 = view.Command2;
    l.Image1 = view.Image1;
    l.Check1 = view.Check1;
    l.实时数据 = view.实时数据;
    return l;
}

PanelDeviceLinks::~PanelDeviceLinks() {
    for (const QMetaObject::Connection& c : m_connections) {
        QObject::disconnect(c);
    }
    m_relay.MSComm().setOnLost(nullptr);
    m_data.MSComm1().setOnLost(nullptr);
}

void PanelDeviceLinks::wire() {
    const auto onClick = [this](QAbstractButton* button, void (PanelDeviceLinks::*operation)()) {
        m_connections.push_back(QObject::connect(button, &QAbstractButton::clicked, button,
                                                 [this, operation] { (this->*operation)(); }));
    };
    const auto onChange = [this](QCheckBox* box, void (PanelDeviceLinks::*operation)()) {
        m_connections.push_back(QObject::connect(box, &QCheckBox::stateChanged, box,
                                                 [this, operation] { (this->*operation)(); }));
    };
    onClick(v.显示串口, &PanelDeviceLinks::显示串口_Click);
    onClick(v.Command1, &PanelDeviceLinks::Command1_Click);
    onClick(v.Command2, &PanelDeviceLinks::Command2_Click);
    onChange(v.USBcheck, &PanelDeviceLinks::USBcheck_Click);
    onChange(v.Check1, &PanelDeviceLinks::Check1_Click);
    onChange(v.Check2, &PanelDeviceLinks::Check2_Click);
    onChange(v.Check3, &PanelDeviceLinks::Check3_Click);
    m_relay.MSComm().setOnLost([this](const QString& reason) { relayBoardLost(reason); });
    m_data.MSComm1().setOnLost([this](const QString& reason) { measuringBoardLost(reason); });
}

void PanelDeviceLinks::显示串口_Click() {
    const QStringList items = portListItems(GetPortList());
    for (QComboBox* box : v.SelectPort) {
        box->clear();
        box->setEditText(QLatin1String(kPanelPortPlaceholder));
        addItemsKeepingText(box, items);
    }
    const bool ready = checkValue(v.USBcheck) == 1;
    for (QWidget* w : std::initializer_list<QWidget*>{v.SelectPort[0], v.SelectPort[1], v.Command1,
                                                      v.Command2}) {
        w->setEnabled(ready);
    }
}

void PanelDeviceLinks::USBcheck_Click() {
    if (checkValue(v.USBcheck) == 1) {
        return;
    }
    // Outputs first, while the relay port is still open: unticking Laser and Vacuum pump
    // sends nothing now that the master switch is clear, so the relays are opened here.
    if (m_relay.MSComm().PortOpen()) {
        for (quint8 relay : {1, 2}) {
            const bool sent = m_relay.com_send3(relay, 0);
            report(QStringLiteral("relay"),
                   QStringLiteral("%1 open ").arg(relay) +
                       (sent ? QStringLiteral("sent")
                             : QStringLiteral("failed: error %1").arg(m_relay.lastSendError())));
        }
    }
    closePorts();
    v.Command1->setText(QStringLiteral("Connect"));
    v.Command2->setText(QStringLiteral("Connect"));
    v.Command1->setEnabled(false);
    v.Command2->setEnabled(false);
    m_relay.Command11->setText(开关面板::kMasterClosed);
    m_data.Command3->setText(数据采集窗口::kMasterClosed);
    for (QCheckBox* check : {v.Check1, v.Check2, v.Check3}) {
        setCheckValue(check, 0);
        check->setEnabled(false);
    }
}

void PanelDeviceLinks::Command1_Click() {
    const bool wasOpen = m_relay.MSComm().PortOpen();
    m_relay.Command11_Click();
    const bool open = m_relay.MSComm().PortOpen();
    if (open) {
        m_relayLost = false;
    }
    if (open != wasOpen) {
        report(QStringLiteral("board"),
               QStringLiteral("relay board %1 on COM%2")
                   .arg(open ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                   .arg(m_relay.MSComm().CommPort()));
    }
}

void PanelDeviceLinks::Command2_Click() {
    if (checkValue(v.USBcheck) != 1) {
        return;
    }
    const bool wasOpen = m_data.MSComm1().PortOpen();
    m_data.Command3_Click();
    const bool open = m_data.MSComm1().PortOpen();
    if (open != wasOpen) {
        report(QStringLiteral("board"),
               QStringLiteral("measuring board %1 on COM%2")
                   .arg(open ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                   .arg(m_data.MSComm1().CommPort()));
    }
}

namespace {

// Only a plain tick switches an output on; a greyed box counts as off, so the rig is never
// switched on by a value nobody set on purpose.
bool isOn(const QCheckBox* check) {
    return checkValue(check) == 1;
}

void showPair(const std::array<QWidget*, 2>& pair, bool on) {
    pair[0]->setVisible(!on);
    pair[1]->setVisible(on);
}

} // namespace

void PanelDeviceLinks::Check1_Click() {
    showPair(v.Image1, isOn(v.Check1));
}

void PanelDeviceLinks::switchRelay(QCheckBox* check, const std::array<QWidget*, 2>& pair,
                                   const QString& caption, int relay, void (开关面板::*on)(),
                                   void (开关面板::*off)()) {
    const bool wanted = isOn(check);
    if (m_relayLost) {
        // The board is gone: nothing can be switched, so nothing is shown as switched.
        check->setText(caption);
        check->setStyleSheet({});
        pair[0]->hide();
        pair[1]->hide();
        return;
    }
    bool failed = false;
    if (checkValue(v.USBcheck) == 1) {
        (m_relay.*(wanted ? on : off))();
        failed = m_relay.lastSendFailed();
        const QString command = QStringLiteral("%1 %2").arg(relay).arg(
            wanted ? QStringLiteral("close") : QStringLiteral("open"));
        report(QStringLiteral("relay"),
               failed ? command + QStringLiteral(" failed: error %1").arg(m_relay.lastSendError())
                      : command + QStringLiteral(" sent"));
    }
    if (failed) {
        pair[0]->hide();
        pair[1]->hide();
        check->setText(caption + QStringLiteral(" - not switched"));
        check->setStyleSheet(QStringLiteral("color: red"));
        return;
    }
    check->setText(caption);
    check->setStyleSheet({});
    showPair(pair, wanted);
}

void PanelDeviceLinks::Check2_Click() {
    switchRelay(v.Check2, v.Image2, QStringLiteral("Laser"), 1, &开关面板::Command4_Click,
                &开关面板::Command6_Click);
}

void PanelDeviceLinks::Check3_Click() {
    switchRelay(v.Check3, v.Image3, QStringLiteral("Vacuum pump"), 2, &开关面板::Command7_Click,
                &开关面板::Command2_Click);
}

namespace {

void sayLost(QWidget* owner, const QString& board, qint16 port, const QString& reason) {
    showMessage(owner,
                QStringLiteral("The %1 on COM%2 was lost: %3\r\n\r\nIts link is back to "
                               "\"Connect\" and its outputs are shown off; a running program "
                               "goes on. Connect it again with \"Comfirm\" and \"Connect\".")
                    .arg(board)
                    .arg(port)
                    .arg(reason),
                QStringLiteral("USB Devices"), MessageButtons::Ok, MessageIcon::Warning);
}

} // namespace

void PanelDeviceLinks::relayBoardLost(const QString& reason) {
    m_relayLost = true;
    m_relay.Command11->setText(开关面板::kMasterClosed);
    v.Command1->setText(QStringLiteral("Connect"));
    for (QCheckBox* check : {v.Check2, v.Check3}) {
        setCheckValue(check, 0);
        check->setEnabled(false);
    }
    for (QWidget* image : {v.Image2[0], v.Image2[1], v.Image3[0], v.Image3[1]}) {
        image->hide();
    }
    report(QStringLiteral("board"), QStringLiteral("relay board lost: ") + reason);
    sayLost(v.frame->window(), QStringLiteral("relay board"), m_relay.MSComm().CommPort(), reason);
}

void PanelDeviceLinks::measuringBoardLost(const QString& reason) {
    m_data.Command3->setText(数据采集窗口::kMasterClosed);
    v.Command2->setText(QStringLiteral("Connect"));
    setCheckValue(v.Check1, 0);
    v.Check1->setEnabled(false);
    v.Image1[0]->hide();
    v.Image1[1]->hide();
    // Readings of a board that is gone would be shown as if current.
    for (QLabel* reading : v.实时数据) {
        reading->setText(QStringLiteral("0"));
    }
    report(QStringLiteral("board"), QStringLiteral("measuring board lost: ") + reason);
    sayLost(v.frame->window(), QStringLiteral("measuring board"), m_data.MSComm1().CommPort(),
            reason);
}

QStringList PanelDeviceLinks::boardStates() const {
    const auto state = [](const QString& board, const CommControl& comm) {
        return comm.PortOpen()
                   ? QStringLiteral("%1 connected on COM%2").arg(board).arg(comm.CommPort())
                   : board + QStringLiteral(" not connected");
    };
    return {state(QStringLiteral("relay board"), m_relay.MSComm()),
            state(QStringLiteral("measuring board"), m_data.MSComm1())};
}

void PanelDeviceLinks::closePorts() {
    for (CommControl* comm : {&m_relay.MSComm(), &m_data.MSComm1()}) {
        try {
            if (comm->PortOpen()) {
                comm->setPortOpen(false);
            }
        } catch (const CommError& e) {
            qWarning("Closing a serial port failed: %s", e.what());
        }
    }
}

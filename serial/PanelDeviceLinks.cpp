#include "serial/PanelDeviceLinks.h"

#include "base/CheckValue.h"
#include "base/MessageBoxes.h"
#include "serial/Controls.h"
#include "serial/DataWindow.h"
#include "serial/PortList.h"
#include "serial/RelayPanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <utility>

PanelDeviceLinks::PanelDeviceLinks(const DeviceControlsView& view, 开关面板& relay,
                                   数据采集窗口& data)
    : v(view), m_relay(relay), m_data(data) {
    // The links say what failed, so a run is never held by a box.
    m_relay.onSendFailure = [](int) {
    };
}

PanelDeviceLinks::~PanelDeviceLinks() {
    for (const QMetaObject::Connection& c : m_connections) {
        QObject::disconnect(c);
    }
    m_relay.onSendFailure = nullptr;
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
    // The relays open while the port is still open, whatever the boxes hold.
    openRelays();
    closePorts();
    m_relayConnected = false;
    m_relayLost = false;
    m_measuringLost = false;
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
    showRelay(1);
    showRelay(2);
}

void PanelDeviceLinks::Command1_Click() {
    const bool disconnecting = m_relay.Command11->text() != 开关面板::kMasterClosed;
    const bool wasOpen = m_relay.MSComm().PortOpen();
    m_relayLost = false;
    if (disconnecting) {
        // The relays open first; the boxes the toggle then clears send nothing more.
        openRelays();
        m_relayConnected = false;
    }
    m_relay.Command11_Click();
    const bool open = m_relay.MSComm().PortOpen();
    m_relayConnected = open && m_relay.Command11->text() == 开关面板::kMasterOpen;
    if (open != wasOpen) {
        report(QStringLiteral("board"),
               QStringLiteral("relay board %1 on COM%2")
                   .arg(open ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                   .arg(m_relay.MSComm().CommPort()));
    }
    if (m_relayConnected && !disconnecting) {
        // A board just connected may hold anything: it is told both boxes as they stand.
        for (int relay : {1, 2}) {
            m_outputs[relay - 1].board = RelayState::Unknown;
            if (!tell(relay, m_outputs[relay - 1].wanted)) {
                sayFailureLater(m_relay.lastSendError());
            }
        }
    }
    showRelay(1);
    showRelay(2);
}

void PanelDeviceLinks::Command2_Click() {
    if (checkValue(v.USBcheck) != 1) {
        return;
    }
    const bool wasOpen = m_data.MSComm1().PortOpen();
    m_measuringLost = false;
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

const QString kRelayCaptions[2] = {QStringLiteral("Laser"), QStringLiteral("Vacuum pump")};
const QString kRelayDevices[2] = {QStringLiteral("laser"), QStringLiteral("vacuum pump")};

} // namespace

void PanelDeviceLinks::Check1_Click() {
    const bool on = isOn(v.Check1);
    v.Image1[0]->setVisible(!on);
    v.Image1[1]->setVisible(on);
}

bool PanelDeviceLinks::relayConnected() const {
    return m_relayConnected && m_relay.MSComm().PortOpen();
}

bool PanelDeviceLinks::tell(int relay, bool close) {
    RelayOutput& output = m_outputs[relay - 1];
    const QString command = QStringLiteral("%1 %2").arg(relay).arg(close ? QStringLiteral("close")
                                                                         : QStringLiteral("open"));
    // Only Connect opens the port. The relay panel's send would open a closed one by itself:
    // after a write that found the device gone, a retry would then write to a device that came
    // back under the same name without a Connect, and the loss would never be said.
    if (!m_relay.MSComm().PortOpen()) {
        output.board = RelayState::Unknown;
        report(QStringLiteral("relay"), command + QStringLiteral(" not sent: the port is closed"));
        return false;
    }
    // The relay panel's four switching buttons.
    if (relay == 1) {
        close ? m_relay.Command4_Click() : m_relay.Command6_Click();
    } else {
        close ? m_relay.Command7_Click() : m_relay.Command2_Click();
    }
    const bool sent = !m_relay.lastSendFailed();
    output.board = !sent ? RelayState::Unknown : close ? RelayState::Closed : RelayState::Open;
    if (sent) {
        m_failureSaid = false;
    }
    report(QStringLiteral("relay"),
           sent ? command + QStringLiteral(" sent")
                : command + QStringLiteral(" failed: error %1").arg(m_relay.lastSendError()));
    return sent;
}

void PanelDeviceLinks::showRelay(int relay) {
    QCheckBox* check = relay == 1 ? v.Check2 : v.Check3;
    const std::array<QLabel*, 2>& pair = relay == 1 ? v.Image2 : v.Image3;
    const RelayPicture picture = relayPicture(m_outputs[relay - 1], relayConnected());
    pair[0]->setVisible(picture.pairShown && !picture.onShown);
    pair[1]->setVisible(picture.pairShown && picture.onShown);
    const QString& caption = kRelayCaptions[relay - 1];
    const QString text =
        picture.notSwitched ? caption + QStringLiteral(" - not switched") : caption;
    if (check->text() != text) {
        check->setText(text);
        check->setStyleSheet(picture.notSwitched ? QStringLiteral("color: red") : QString());
    }
}

void PanelDeviceLinks::switchRelay(int relay) {
    RelayOutput& output = m_outputs[relay - 1];
    output.wanted = isOn(relay == 1 ? v.Check2 : v.Check3);
    if (checkValue(v.USBcheck) == 1 && relayConnected() && !output.agrees()) {
        if (!tell(relay, output.wanted)) {
            sayFailureLater(m_relay.lastSendError());
        }
    }
    showRelay(relay);
}

void PanelDeviceLinks::Check2_Click() {
    switchRelay(1);
}

void PanelDeviceLinks::Check3_Click() {
    switchRelay(2);
}

void PanelDeviceLinks::sayFailureLater(int errorNumber) {
    if (m_failureSaid) {
        return;
    }
    m_failureSaid = true;
    m_pendingFailure = errorNumber;
    QTimer::singleShot(0, &m_context, [this] {
        // A board lost meanwhile is said by its own box; after a Disconnect there is
        // nothing to say any more.
        if (!m_pendingFailure || !relayConnected()) {
            m_pendingFailure.reset();
            return;
        }
        const int code = *std::exchange(m_pendingFailure, std::nullopt);
        showMessage(v.串口设备汇总->window(),
                    QStringLiteral("系统错误,错误编号：") + QString::number(code),
                    m_relay.windowTitle(), MessageButtons::Ok);
    });
}

void PanelDeviceLinks::openRelays() {
    if (!m_relay.MSComm().PortOpen()) {
        return;
    }
    QStringList stuck;
    for (int relay : {1, 2}) {
        RelayOutput& output = m_outputs[relay - 1];
        for (int attempt = 0; output.board != RelayState::Open && attempt < kOpenAttempts;
             ++attempt) {
            tell(relay, false);
        }
        if (output.board != RelayState::Open) {
            stuck << QStringLiteral("Relay %1 (%2): error %3")
                         .arg(relay)
                         .arg(kRelayDevices[relay - 1])
                         .arg(m_relay.lastSendError());
        }
        showRelay(relay);
    }
    if (stuck.isEmpty()) {
        return;
    }
    // Said here, at once: this one replaces any box still waiting.
    m_failureSaid = true;
    m_pendingFailure.reset();
    showMessage(v.串口设备汇总->window(),
                QStringLiteral("The relay board did not take the command to switch off:\r\n") +
                    stuck.join(QStringLiteral("\r\n")) +
                    QStringLiteral("\r\n\r\nThe device may still be on. Switch it off at the "
                                   "relay board."),
                QStringLiteral("USB Devices"), MessageButtons::Ok, MessageIcon::Warning);
}

namespace {

void sayLost(QWidget* owner, const QString& board, qint16 port, const QString& reason,
             const QString& after) {
    showMessage(owner,
                QStringLiteral("The %1 on COM%2 was lost: %3\r\n\r\nIts link is back to "
                               "\"Connect\"; a running program goes on. Connect it again with "
                               "\"Comfirm\" and \"Connect\"%4.")
                    .arg(board)
                    .arg(port)
                    .arg(reason, after),
                QStringLiteral("USB Devices"), MessageButtons::Ok, MessageIcon::Warning);
}

} // namespace

void PanelDeviceLinks::relayBoardLost(const QString& reason) {
    m_relayConnected = false;
    m_relayLost = true;
    // Nothing is known of the relays now; the boxes keep what the run wants, for the board
    // to be told at the next Connect.
    for (RelayOutput& output : m_outputs) {
        output.board = RelayState::Unknown;
    }
    m_relay.Command11->setText(开关面板::kMasterClosed);
    v.Command1->setText(QStringLiteral("Connect"));
    v.Check2->setEnabled(false);
    v.Check3->setEnabled(false);
    showRelay(1);
    showRelay(2);
    report(QStringLiteral("board"), QStringLiteral("relay board lost: ") + reason);
    sayLost(v.串口设备汇总->window(), QStringLiteral("relay board"), m_relay.MSComm().CommPort(),
            reason, QStringLiteral("; it is then told both relays as the boxes show them"));
}

void PanelDeviceLinks::measuringBoardLost(const QString& reason) {
    m_measuringLost = true;
    m_data.Command3->setText(数据采集窗口::kMasterClosed);
    v.Command2->setText(QStringLiteral("Connect"));
    setCheckValue(v.Check1, 0);
    v.Check1->setEnabled(false);
    v.Image1[0]->hide();
    v.Image1[1]->hide();
    // Readings of a board that is gone would be shown as if current.
    m_data.clearReadings();
    report(QStringLiteral("board"), QStringLiteral("measuring board lost: ") + reason);
    sayLost(v.串口设备汇总->window(), QStringLiteral("measuring board"),
            m_data.MSComm1().CommPort(), reason, {});
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

PanelDeviceLinks::BoardLink PanelDeviceLinks::relayLink() const {
    if (relayConnected()) {
        return BoardLink::Connected;
    }
    return m_relayLost ? BoardLink::Lost : BoardLink::NotConnected;
}

PanelDeviceLinks::BoardLink PanelDeviceLinks::measuringLink() const {
    if (m_data.MSComm1().PortOpen()) {
        return BoardLink::Connected;
    }
    return m_measuringLost ? BoardLink::Lost : BoardLink::NotConnected;
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

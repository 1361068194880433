#include "serial/PanelDeviceLinks.h"

#include "base/CheckValue.h"
#include "base/MessageBoxes.h"
#include "base/NumericText.h"
#include "serial/Controls.h"
#include "serial/DataWindow.h"
#include "serial/MeasuringBoard.h"
#include "serial/PortList.h"
#include "serial/RelayBoard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QTimer>
#include <utility>

namespace {
// The relay board's window title, which the links' boxes about it carry too.
const QString kRelayTitle = QStringLiteral("2路串口继电器");
} // namespace

PanelDeviceLinks::PanelDeviceLinks(const DeviceControlsView& view, RelayBoard& relay,
                                   MeasuringBoard& measuring, 数据采集窗口& data,
                                   DeviceState& state)
    : v(view), m_relay(relay), m_measuring(measuring), m_data(data), m_state(state) {}

PanelDeviceLinks::~PanelDeviceLinks() {
    for (const QMetaObject::Connection& c : m_connections) {
        QObject::disconnect(c);
    }
    m_data.onMasterPressed = nullptr;
    m_data.onFieldChanged = nullptr;
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
    // Any way the master switch goes off, the relays open.
    onChange(v.USBcheck, &PanelDeviceLinks::USBcheck_Click);
    onClick(v.Check1, &PanelDeviceLinks::Check1_Click);
    onClick(v.Check2, &PanelDeviceLinks::Check2_Click);
    onClick(v.Check3, &PanelDeviceLinks::Check3_Click);
    m_connections.push_back(QObject::connect(&m_relay, &RelayBoard::lost, &m_context,
                                             [this](const QString& r) { relayBoardLost(r); }));
    m_connections.push_back(QObject::connect(&m_measuring, &MeasuringBoard::lost, &m_context,
                                             [this](const QString& r) { measuringBoardLost(r); }));
    m_connections.push_back(QObject::connect(&m_measuring, &MeasuringBoard::readingDue, &m_context,
                                             [this] { showReading(); }));
    // A port closed by a device window's own button changes the links too.
    m_connections.push_back(
        QObject::connect(&m_relay, &RelayBoard::linkChanged, &m_context, [this] { publish(); }));
    m_connections.push_back(QObject::connect(&m_measuring, &MeasuringBoard::linkChanged, &m_context,
                                             [this](bool connected) {
                                                 if (!connected) {
                                                     greyReadings();
                                                 }
                                                 publish();
                                             }));
    m_data.onMasterPressed = [this] {
        Command2_Click();
    };
    m_data.onFieldChanged = [this](int index, const QString& text) {
        showLiveText(index, text);
    };
}

QWidget* PanelDeviceLinks::owner() const {
    return (v.串口设备汇总 != nullptr ? static_cast<QWidget*>(v.串口设备汇总) : v.Command1)
        ->window();
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
    for (QCheckBox* check : {v.Check1, v.Check2, v.Check3}) {
        check->setEnabled(false);
    }
    showSignal(0);
    switchRelay(1, 0);
    switchRelay(2, 0);
}

void PanelDeviceLinks::Command1_Click() {
    const bool wasOpen = m_relay.isConnected();
    m_relayLost = false;
    if (m_relayConnected || wasOpen) {
        // The relays open first, then the port closes; the cleared boxes send nothing more.
        openRelays();
        m_relayConnected = false;
        m_relay.disconnect();
        switchRelay(1, 0);
        switchRelay(2, 0);
        v.Check2->setEnabled(false);
        v.Check3->setEnabled(false);
        v.Command1->setText(QStringLiteral("Connect"));
    } else {
        const QString entry = v.SelectPort[0]->currentText();
        if (entry == QLatin1String(kPanelPortPlaceholder)) {
            return;
        }
        RelayBoard::Result result;
        try {
            result = m_relay.connect(portNumberOfEntry(entry));
        } catch (const CommError& e) {
            result = {false, e.code()};
        }
        if (!result.done) {
            showMessage(owner(),
                        QStringLiteral("系统错误,错误编号：") + QString::number(result.error),
                        kRelayTitle, MessageButtons::Ok);
            return;
        }
        m_relayConnected = true;
        v.Check2->setEnabled(true);
        v.Check3->setEnabled(true);
        v.Command1->setText(QStringLiteral("Disconnect"));
    }
    const bool open = m_relay.isConnected();
    if (open != wasOpen) {
        report(QStringLiteral("board"),
               QStringLiteral("relay board %1 on COM%2")
                   .arg(open ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                   .arg(m_relay.port()));
    }
    if (m_relayConnected) {
        // A board just connected may hold anything: it is told both boxes as they stand.
        for (int relay : {1, 2}) {
            m_outputs[relay - 1].board = RelayState::Unknown;
            if (!tell(relay, m_outputs[relay - 1].wanted)) {
                sayFailureLater(m_lastError);
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
    const bool wasOpen = m_measuring.isConnected();
    m_measuringLost = false;
    if (wasOpen) {
        v.Image1[0]->hide();
        v.Image1[1]->hide();
        // Unticked after the pictures were hidden, the signal's own change shows "off".
        showSignal(0);
        v.Check1->setEnabled(false);
        v.Command2->setText(QStringLiteral("Connect"));
        m_measuring.disconnect();
    } else {
        const QString entry = v.SelectPort[1]->currentText();
        if (entry == QLatin1String(kPanelPortPlaceholder)) {
            return;
        }
        CommResult result;
        try {
            result = m_measuring.connect(portNumberOfEntry(entry), m_data.settingsText());
        } catch (const CommError& e) {
            result = {false, e.code()};
        }
        if (!result.done) {
            m_data.reportError(result.error);
            return;
        }
        // The signal's pictures show what the running program wants now.
        showSignalPictures();
        v.Check1->setEnabled(true);
        v.Command2->setText(QStringLiteral("Disconnect"));
    }
    const bool open = m_measuring.isConnected();
    if (open != wasOpen) {
        report(QStringLiteral("board"),
               QStringLiteral("measuring board %1 on COM%2")
                   .arg(open ? QStringLiteral("connected") : QStringLiteral("disconnected"))
                   .arg(m_measuring.port()));
    }
}

void PanelDeviceLinks::showReading() {
    if (const LiveReading& reading = m_measuring.reading()) {
        for (int i = 0; i < frames::ReadingCount; ++i) {
            showLiveText(i, readingText(reading->values[i]));
        }
    }
}

void PanelDeviceLinks::greyReadings() {
    // What was measured last stays readable, greyed: not a 0 and not a blank.
    for (QLabel* label : v.实时数据) {
        if (label != nullptr) {
            label->setEnabled(false);
        }
    }
}

void PanelDeviceLinks::showLiveText(int index, const QString& text) {
    QLabel* label = v.实时数据[index];
    if (label == nullptr) {
        return;
    }
    if (label->text() != text) {
        label->setText(text);
    }
    // A label greyed by a loss is live again, even where the text came back the same.
    if (!label->isEnabled()) {
        label->setEnabled(true);
    }
}

namespace {

const QString kRelayCaptions[2] = {QStringLiteral("Laser"), QStringLiteral("Vacuum pump")};
const QString kRelayDevices[2] = {QStringLiteral("laser"), QStringLiteral("vacuum pump")};

} // namespace

void PanelDeviceLinks::showSignal(int wish) {
    m_wishes.signal = wish;
    // The pictures follow a change of the wish.
    if (checkValue(v.Check1) != wish) {
        setCheckValue(v.Check1, wish);
        showSignalPictures();
    }
}

void PanelDeviceLinks::showSignalPictures() {
    // Only while the measuring board is connected: a lost board's hidden pair stays hidden.
    const bool shown = m_measuring.isConnected();
    const bool on = m_wishes.signal == 1;
    v.Image1[0]->setVisible(shown && !on);
    v.Image1[1]->setVisible(shown && on);
}

void PanelDeviceLinks::Check1_Click() {
    m_wishes.signal = checkValue(v.Check1);
    showSignalPictures();
}

void PanelDeviceLinks::want(const OutputWishes& wishes) {
    showSignal(wishes.signal);
    switchRelay(1, wishes.laser);
    switchRelay(2, wishes.vacuum);
}

void PanelDeviceLinks::switchOff() {
    want({});
    openRelays();
}

bool PanelDeviceLinks::relayConnected() const {
    return m_relayConnected && m_relay.isConnected();
}

bool PanelDeviceLinks::tell(int relay, bool close) {
    RelayOutput& output = m_outputs[relay - 1];
    const QString command = QStringLiteral("%1 %2").arg(relay).arg(close ? QStringLiteral("close")
                                                                         : QStringLiteral("open"));
    // Only Connect opens the port. The relay panel's send would open a closed one by itself:
    // after a write that found the device gone, a retry would then write to a device that came
    // back under the same name without a Connect, and the loss would never be said.
    if (!m_relay.isConnected()) {
        output.board = RelayState::Unknown;
        m_lastError = CommErrorCode::PortNotOpen;
        report(QStringLiteral("relay"), command + QStringLiteral(" not sent: the port is closed"));
        return false;
    }
    const RelayBoard::Result result = m_relay.switchRelay(relay, close);
    const bool sent = result.done;
    if (!sent) {
        m_lastError = result.error;
    }
    output.board = !sent ? RelayState::Unknown : close ? RelayState::Closed : RelayState::Open;
    if (sent) {
        m_failureSaid = false;
    }
    report(QStringLiteral("relay"),
           sent ? command + QStringLiteral(" sent")
                : command + QStringLiteral(" failed: error %1").arg(result.error));
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
        // Red for the caption's text only: the box itself looks as enabled or disabled as it is.
        QPalette palette = check->parentWidget()->palette();
        if (picture.notSwitched) {
            palette.setColor(QPalette::Active, QPalette::WindowText, QColor(200, 0, 0));
            palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(200, 0, 0));
            palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(200, 110, 110));
        }
        check->setPalette(palette);
    }
    publish();
}

void PanelDeviceLinks::publish() {
    m_state.relayBoard = relayLink();
    m_state.measuringBoard = measuringLink();
    m_state.laser = m_outputs[0].board;
    m_state.vacuum = m_outputs[1].board;
}

void PanelDeviceLinks::switchRelay(int relay, int wish) {
    QCheckBox* check = relay == 1 ? v.Check2 : v.Check3;
    if (checkValue(check) != wish) {
        setCheckValue(check, wish);
    }
    (relay == 1 ? m_wishes.laser : m_wishes.vacuum) = wish;
    RelayOutput& output = m_outputs[relay - 1];
    // Only a plain tick switches an output on; a greyed wish counts as off, so the rig is
    // never switched on by a value nobody set on purpose.
    output.wanted = wish == 1;
    if (checkValue(v.USBcheck) == 1 && relayConnected() && !output.agrees()) {
        if (!tell(relay, output.wanted)) {
            sayFailureLater(m_lastError);
        }
    }
    showRelay(relay);
}

void PanelDeviceLinks::Check2_Click() {
    switchRelay(1, checkValue(v.Check2));
}

void PanelDeviceLinks::Check3_Click() {
    switchRelay(2, checkValue(v.Check3));
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
        showMessage(owner(), QStringLiteral("系统错误,错误编号：") + QString::number(code),
                    kRelayTitle, MessageButtons::Ok);
    });
}

void PanelDeviceLinks::openRelays() {
    if (!m_relay.isConnected()) {
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
                         .arg(m_lastError);
        }
        showRelay(relay);
    }
    if (stuck.isEmpty()) {
        return;
    }
    // Said here, at once: this one replaces any box still waiting.
    m_failureSaid = true;
    m_pendingFailure.reset();
    showMessage(owner(),
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
    v.Command1->setText(QStringLiteral("Connect"));
    v.Check2->setEnabled(false);
    v.Check3->setEnabled(false);
    showRelay(1);
    showRelay(2);
    report(QStringLiteral("board"), QStringLiteral("relay board lost: ") + reason);
    sayLost(owner(), QStringLiteral("relay board"), m_relay.port(), reason,
            QStringLiteral("; it is then told both relays as the boxes show them"));
}

void PanelDeviceLinks::measuringBoardLost(const QString& reason) {
    m_measuringLost = true;
    v.Command2->setText(QStringLiteral("Connect"));
    // The box keeps what the running program wants, for the board connected again.
    v.Check1->setEnabled(false);
    showSignalPictures();
    publish();
    report(QStringLiteral("board"), QStringLiteral("measuring board lost: ") + reason);
    sayLost(owner(), QStringLiteral("measuring board"), m_measuring.port(), reason, {});
}

QStringList PanelDeviceLinks::boardStates() const {
    const auto state = [](const QString& board, bool connected, qint16 port) {
        return connected ? QStringLiteral("%1 connected on COM%2").arg(board).arg(port)
                         : board + QStringLiteral(" not connected");
    };
    return {
        state(QStringLiteral("relay board"), m_relay.isConnected(), m_relay.port()),
        state(QStringLiteral("measuring board"), m_measuring.isConnected(), m_measuring.port())};
}

PanelDeviceLinks::BoardLink PanelDeviceLinks::relayLink() const {
    if (relayConnected()) {
        return BoardLink::Connected;
    }
    return m_relayLost ? BoardLink::Lost : BoardLink::NotConnected;
}

PanelDeviceLinks::BoardLink PanelDeviceLinks::measuringLink() const {
    if (m_measuring.isConnected()) {
        return BoardLink::Connected;
    }
    return m_measuringLost ? BoardLink::Lost : BoardLink::NotConnected;
}

void PanelDeviceLinks::closePorts() {
    m_relay.disconnect();
    m_measuring.disconnect();
}

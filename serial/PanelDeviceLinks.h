#pragma once

#include "panel/PanelViews.h"
#include "serial/DeviceState.h"
#include "serial/RelayOutput.h"

#include <QMetaObject>
#include <QObject>
#include <array>
#include <functional>
#include <optional>
#include <vector>

class QCheckBox;
class MeasuringBoard;
class RelayBoard;
class 数据采集窗口;

// The main panel's device frame: the master switch, the port lists, the two "Connect" buttons,
// the three outputs and the live readings. It connects both boards and tells the relay board
// what the outputs want; the data window gives the measuring port's settings.
class PanelDeviceLinks {
public:
    // state: kept up to date with the boxes, the links and the relays, for whoever reads it.
    PanelDeviceLinks(const DeviceControlsView& view, RelayBoard& relay, MeasuringBoard& measuring,
                     数据采集窗口& data, DeviceState& state);
    // Disconnects from the panel's controls, which outlive the links.
    ~PanelDeviceLinks();
    PanelDeviceLinks(const PanelDeviceLinks&) = delete;
    PanelDeviceLinks& operator=(const PanelDeviceLinks&) = delete;

    // Connects the frame's controls. The three output boxes switch on the operator's clicks
    // only; what code sets in them switches nothing.
    void wire();

    // What the running program wants of the outputs: shown in the boxes, and each relay the
    // board was not told already is switched while its link is connected.
    void want(const OutputWishes& wishes);
    // Every way off: all three wishes off, then openRelays().
    void switchOff();

    // "Comfirm": refreshes both port lists; the links become ready when USBcheck is ticked.
    void 显示串口_Click();
    void USBcheck_Click();
    void Command1_Click();
    void Command2_Click();
    // The operator's clicks on the output boxes: the box's new value is the wish.
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    // What the links did with the boards, for a run record: event "relay" or "board", and
    // what came of it ("1 close sent", "2 open failed: error 8021", "relay board lost: ...").
    std::function<void(const QString& event, const QString& detail)> onEvent;

    // How each board stands now ("relay board connected on COM201", ...), for a run record.
    QStringList boardStates() const;

    // How a board's link stands: lost stays until the operator connects or disconnects it.
    using BoardLink = DeviceState::Link;
    BoardLink relayLink() const;
    BoardLink measuringLink() const;

    // Closes the relay port, then the data port, each only if open.
    void closePorts();

    // Every way off goes through here before the relay port closes: each relay the board was
    // not told to open with success gets its open frame, whatever its box holds, with a few
    // tries; one that still fails is said once. Nothing is sent while the port is closed.
    void openRelays();
    static constexpr int kOpenAttempts = 3;

    // Relay 1 (laser) or 2 (vacuum pump): what its box wants and what the board was told.
    const RelayOutput& relayOutput(int relay) const { return m_outputs.at(relay - 1); }
    // The relay port that the link's Connect opened is open.
    bool relayConnected() const;

    // A board went away: its link returns to ready (Connect, pictures hidden, its boxes
    // disabled) and the operator is told once which port and why. A running program goes on;
    // until the board is connected again its steps only move the boxes. The live readings
    // keep their last text, greyed.
    void relayBoardLost(const QString& reason);
    void measuringBoardLost(const QString& reason);

private:
    // A relay's wish, shown in its box; the board is told when the link is connected and the
    // board was not told this already. Frames go only to the port that Connect opened.
    void switchRelay(int relay, int wish);
    // The signal's wish, shown in its box.
    void showSignal(int wish);
    // The signal's pictures, from its wish, while the measuring board is connected.
    void showSignalPictures();
    // No reading (a board lost or disconnected): the live labels keep their text, greyed.
    void greyReadings();
    // The measuring board's reading in the live labels, live again after a loss.
    void showReading();
    void showLiveText(int index, const QString& text);
    // Sends close or open and notes what the board got; nothing is sent on a closed port.
    bool tell(int relay, bool close);
    // The pair and the caption of a relay's box, from what the board was told.
    void showRelay(int relay);
    // A relay command failed during a run or a box change: said once the event has returned,
    // once until a command succeeds again.
    void sayFailureLater(int errorNumber);
    // The links and relays into the device state.
    void publish();
    // The window the links' boxes belong to.
    QWidget* owner() const;
    void report(const QString& event, const QString& detail) const {
        if (onEvent) {
            onEvent(event, detail);
        }
    }

    const DeviceControlsView& v;
    RelayBoard& m_relay;
    MeasuringBoard& m_measuring;
    数据采集窗口& m_data;
    DeviceState& m_state;
    OutputWishes& m_wishes = m_state.outputs;
    std::vector<QMetaObject::Connection> m_connections;
    std::array<RelayOutput, 2> m_outputs{};
    bool m_relayConnected = false;
    bool m_relayLost = false;
    bool m_measuringLost = false;
    // A failure was said (or is about to be) in this episode; the one waiting to be said.
    bool m_failureSaid = false;
    std::optional<int> m_pendingFailure;
    // The error number of the last relay command that failed.
    int m_lastError = 0;
    // Ends the boxes still to be said with the links.
    QObject m_context;
};

// Fuzzes the relay board's receive handler and the relay panel that shows what it got, with
// replies split into events at random after a query or a connection test, and the measuring
// board with its data window with the same reads.

#include "base/Clock.h"
#include "serial/DataWindow.h"
#include "serial/MeasuringBoard.h"
#include "serial/RelayBoard.h"
#include "serial/RelayPanel.h"
#include "tests/harness/FakeCommControl.h"

#include <QApplication>
#include <cstdlib>

namespace {

QApplication* g_app = nullptr;
// One window of each for the whole run: building windows would take most of the time. The
// checks below hold whatever earlier inputs left behind.
FakeCommControl* g_dataComm = nullptr;
数据采集窗口* g_window = nullptr;
FakeCommControl* g_relayComm = nullptr;
开关面板* g_relays = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TESSALY_VIRTUAL_PORTS", "");
    g_app = new QApplication(*argc, *argv);
    // The boards and their windows, without the main panel's links.
    g_dataComm = new FakeCommControl;
    static LiveReading reading;
    auto* measuring = new MeasuringBoard(std::unique_ptr<CommControl>(g_dataComm), reading);
    g_window = new 数据采集窗口(*measuring, systemClock());
    g_dataComm->rThreshold = 1;
    g_dataComm->open = true;
    g_relayComm = new FakeCommControl;
    auto* relayBoard = new RelayBoard(std::unique_ptr<CommControl>(g_relayComm));
    g_relays = new 开关面板(*relayBoard);
    g_relayComm->open = true;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    开关面板& relays = *g_relays;
    FakeCommControl* relayComm = g_relayComm;
    relays.Command3_Click();
    relayComm->inputLen = 0;
    switch (data[0] % 4) {
    case 0:
        relays.Command8_Click();
        break;
    case 1:
        relays.Command9_Click();
        break;
    case 2:
        relays.Command10_Click();
        break;
    default:
        break;
    }
    const std::uint8_t cut = data[1];
    std::size_t pos = 2;
    while (pos < size) {
        const std::size_t n = std::min<std::size_t>(1 + (cut ^ data[pos]) % 8, size - pos);
        const QByteArray read(reinterpret_cast<const char*>(data + pos), static_cast<qsizetype>(n));
        relayComm->receive(read);
        g_dataComm->receive(read);
        if (relays.receivedTotal() < 0 || relays.receivedTotal() >= 开关面板::kReceiveAreaLimit ||
            !relayComm->in.isEmpty()) {
            std::abort();
        }
        pos += n;
    }
    for (Shape* s : {relays.Shape2, relays.Shape3, relays.Shape4}) {
        if (s->FillColor() != Shape::kRed && s->FillColor() != Shape::kGreen) {
            std::abort();
        }
    }
    return 0;
}

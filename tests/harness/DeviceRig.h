#pragma once

#include "base/Clock.h"
#include "serial/DataWindow.h"
#include "serial/MeasuringBoard.h"
#include "serial/PanelDeviceLinks.h"
#include "serial/RelayBoard.h"
#include "serial/RelayPanel.h"
#include "tests/harness/FakeCommControl.h"
#include "tests/harness/PanelStandIns.h"

#include <memory>

// Both boards behind controls (fakes unless given), their hidden windows, and the links over
// the panel's stand-ins, wired as the program wires them.
struct DeviceRig {
    ManualClock clock;
    PanelStandIns panel;
    LiveReading reading;
    FakeCommControl* relayComm;
    FakeCommControl* dataComm;
    RelayBoard relayBoard;
    MeasuringBoard measuringBoard;
    开关面板 relays{relayBoard};
    数据采集窗口 window{measuringBoard, clock};
    DeviceState devices;
    PanelDeviceLinks links{panel.frame(), relayBoard, measuringBoard, window, devices};

    DeviceRig(std::unique_ptr<CommControl> relayPort, std::unique_ptr<CommControl> dataPort)
        : relayComm(dynamic_cast<FakeCommControl*>(relayPort.get())),
          dataComm(dynamic_cast<FakeCommControl*>(dataPort.get())),
          relayBoard(std::move(relayPort)), measuringBoard(std::move(dataPort), reading) {
        links.wire();
        relays.onMasterPressed = [this] {
            links.Command1_Click();
        };
    }
    DeviceRig()
        : DeviceRig(std::make_unique<FakeCommControl>(), std::make_unique<FakeCommControl>()) {}
};

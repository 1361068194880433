#pragma once

#include "base/OutputWishes.h"
#include "serial/RelayOutput.h"

// How the rig's devices stand, as the panel's device links keep it: what the three boxes show,
// how each board's link stands and what the relay board was last told. The root owns it, so
// the status page and the charts can read it after the links are gone.
struct DeviceState {
    // A lost link stays lost until the operator connects or disconnects the board.
    enum class Link { NotConnected, Connected, Lost };

    OutputWishes outputs;
    Link relayBoard = Link::NotConnected;
    Link measuringBoard = Link::NotConnected;
    // Relay 1 (laser) and relay 2 (vacuum pump).
    RelayState laser = RelayState::Unknown;
    RelayState vacuum = RelayState::Unknown;
};

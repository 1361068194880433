#pragma once

// What the relay board was last told, with success, about one relay. Unknown before the
// first command, after a failed one and after the board was lost: the relay may be either.
enum class RelayState { Unknown, Open, Closed };

// One relay output as the panel keeps it: what the operator or the program wants (its box)
// and what the board was told.
struct RelayOutput {
    bool wanted = false;
    RelayState board = RelayState::Unknown;

    RelayState wantedState() const { return wanted ? RelayState::Closed : RelayState::Open; }
    bool agrees() const { return board == wantedState(); }
};

// How the panel shows a relay output: its indicator pair (hidden, off or on) and whether the
// box says that the board was not switched as it wants.
struct RelayPicture {
    bool pairShown = false;
    bool onShown = false;
    bool notSwitched = false;

    bool operator==(const RelayPicture&) const = default;
};

// The pair shows only what the board was told, and only while the relay link is connected;
// the box says "not switched" while wish and board differ, or while an on wish cannot reach
// a board that is not connected.
RelayPicture relayPicture(const RelayOutput& output, bool connected);

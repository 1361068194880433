#pragma once

#include "app/AppRoot.h"
#include "tests/harness/RunFixture.h"

// The whole main window as the program builds it, sounding through a recording player, for
// what goes through its menus and its exit.
struct RootFixture {
    ManualClock clock;
    RecordingPlayer player;
    AppRoot root{clock, [this]() -> ClipPlayer& {
                     return player;
                 }};

    TessalyPanel& p() { return root.panel(); }
    void step(int i, int h, int m, int s, int left, int right) {
        RunFixture::setStep(root.panel(), i, h, m, s, left, right);
    }
    std::array<int, 3> devices() {
        const TessalyPanel& panel = root.panel();
        return {checkValue(panel.Check1), checkValue(panel.Check2), checkValue(panel.Check3)};
    }
};

#pragma once

#include "audio/ClipPlayer.h"
#include "audio/frmMemory.h"

#include <memory>

// Holds the hidden player window, created (and the audio library set up) when a clip is first
// asked for, so a start-up that never sounds anything needs no sound output.
class PlayerOnFirstUse {
public:
    explicit PlayerOnFirstUse(PlayerSetup setup = {});
    ~PlayerOnFirstUse();

    // The player window, created hidden on the first call.
    frmMemory& get();
    // The player window if it was created.
    frmMemory* existing() const { return m_window.get(); }
    // get() as a clip player provider; valid while this holder lives.
    ClipPlayerProvider provider();

private:
    PlayerSetup m_setup;
    std::unique_ptr<frmMemory> m_window;
};

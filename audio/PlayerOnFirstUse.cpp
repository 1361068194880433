#include "audio/PlayerOnFirstUse.h"

PlayerOnFirstUse::PlayerOnFirstUse(PlayerSetup setup) : m_setup(std::move(setup)) {}

PlayerOnFirstUse::~PlayerOnFirstUse() = default;

frmMemory& PlayerOnFirstUse::get() {
    if (!m_window) {
        m_window = std::make_unique<frmMemory>(m_setup);
    }
    return *m_window;
}

ClipPlayerProvider PlayerOnFirstUse::provider() {
    return [this]() -> ClipPlayer& {
        return get();
    };
}

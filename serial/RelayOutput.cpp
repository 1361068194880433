#include "serial/RelayOutput.h"

RelayPicture relayPicture(const RelayOutput& output, bool connected) {
    if (!connected) {
        return {false, false, output.wanted};
    }
    const bool known = output.board != RelayState::Unknown;
    return {known, output.board == RelayState::Closed, !output.agrees()};
}

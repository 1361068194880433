#pragma once

// What the running program wants of the rig's three outputs, as its step's boxes hold them:
// 0 off, 1 on, 2 greyed. Only 1 switches an output on; a greyed wish is shown greyed and
// counts as off.
struct OutputWishes {
    int signal = 0;
    int laser = 0;
    int vacuum = 0;

    bool operator==(const OutputWishes&) const = default;
};

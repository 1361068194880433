#pragma once

#include <QString>

// The clip of both micropumps as the panel shows it (Label27): set by the run and by the
// manual pumps, taken by the status page. A clip is named by its two levels: "37.mc" is left 3,
// right 7.
struct PumpClip {
    // As the panel starts: both pumps stopped.
    QString name = QStringLiteral("00.mc");

    // Pump 0 (left) or 1 (right); 0 where the name holds no digit there.
    int level(int pump) const {
        return name.size() > pump && name[pump].isDigit() ? name[pump].digitValue() : 0;
    }
};

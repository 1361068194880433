#pragma once

#include "audio/ClipPlayer.h"
#include "panel/PanelViews.h"
#include "run/PumpClip.h"

#include <QString>

// The manual micropump controls: a level field, "Run" and "Stop" per pump; the clip of both
// levels is played whenever a pump starts or stops.
class ManualPumps {
public:
    // clip: the pumps' clip, which the run sets too.
    ManualPumps(const PumpControlsView& pumps, PumpClip& clip, ClipPlayerProvider player);

    void wire();

    // Keeps a level field to one digit 0..9.
    void 微泵速度_Change(int index);
    void Command3_Click(int index);
    void Command4_Click(int index);
    // The clip of both pumps: a stopped pump counts as level 0. Shown in Label27.
    void 确定即时文件名();

    QString instantClip;

private:
    void switchPump(int index, bool run);

    const PumpControlsView& m_pumps;
    PumpClip& m_clip;
    ClipPlayerProvider m_player;
};

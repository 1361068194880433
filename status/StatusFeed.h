#pragma once

#include "base/Reading.h"
#include "panel/PanelViews.h"
#include "run/PumpClip.h"
#include "run/RunState.h"
#include "serial/DeviceState.h"
#include "status/ReadingHistory.h"
#include "status/RigMetrics.h"
#include "status/StatusSnapshot.h"

#include <QTimer>
#include <functional>

class Clock;
class ProgramEditor;
class RunRecorder;
class StatusPage;

// Feeds the status page from the rig's values: the run's state, the reading, the devices, the
// pumps' clip and the program. A snapshot is made once per run tick, on every run or device
// event, and each second while no run ticks; only while the page is served, never by a request.
class StatusFeed {
public:
    // run: the run controls, for whether the program cycles.
    StatusFeed(const RunControlsView& run, const RunState& runState, const LiveReading& reading,
               const DeviceState& devices, const PumpClip& clip, const ProgramEditor& program,
               const RunRecorder& recorder, Clock& clock, StatusPage& page);

    ~StatusFeed();
    StatusFeed(const StatusFeed&) = delete;
    StatusFeed& operator=(const StatusFeed&) = delete;

    // After each run tick, run event and device event.
    void refresh();

    StatusSnapshot snapshot() const;
    // The values /metrics gives, counters included.
    RigMetrics metrics() const;
    // Adds the boards' and the sound output's counters to metrics (the root has them).
    std::function<void(RigMetrics&)> addCounters;

private:
    const RunControlsView& m_runControls;
    const RunState& m_run;
    const LiveReading& m_reading;
    const DeviceState& m_devices;
    const PumpClip& m_clip;
    const ProgramEditor& m_program;
    const RunRecorder& m_recorder;
    Clock& m_clock;
    StatusPage& m_page;
    ReadingHistory m_history;
    QTimer m_idle;
};

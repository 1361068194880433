#pragma once

#include "base/OutputWishes.h"
#include "base/Reading.h"
#include "run/RunEngine.h"
#include "status/ReadingHistory.h"
#include "status/StatusSnapshot.h"

#include <QTimer>

class Clock;
class PanelDeviceLinks;
class ProgramEditor;
class RunRecorder;
class StatusPage;
class TessalyPanel;

// Feeds the status page: a snapshot of the panel, the run and the boards, made once per run
// tick, on every run or device event, and each second while no run ticks. Only while the page
// is served; a request never makes one.
class StatusFeed {
public:
    StatusFeed(TessalyPanel& panel, const LiveReading& reading, const OutputWishes& outputs,
               const PumpClip& clip, ProgramEditor& program, const RunEngine& run,
               const RunRecorder& recorder, Clock& clock, StatusPage& page);

    // The links go with the exit sequence; from then on the boards show as not connected.
    void setDeviceLinks(const PanelDeviceLinks* links) { m_links = links; }

    // A run event: the snapshot is made anew from the run's state.
    void runEvent(RunEngine::Event event);
    // After each run tick and each device event.
    void refresh();

    StatusSnapshot snapshot() const;

private:
    TessalyPanel& m_panel;
    const LiveReading& m_reading;
    const OutputWishes& m_outputs;
    const PumpClip& m_clip;
    ProgramEditor& m_program;
    const RunEngine& m_run;
    const RunRecorder& m_recorder;
    Clock& m_clock;
    StatusPage& m_page;
    const PanelDeviceLinks* m_links = nullptr;
    ReadingHistory m_history;
    QTimer m_idle;
};

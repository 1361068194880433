#include "status/StatusFeed.h"

#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/NumericText.h"
#include "program/ProgramEditor.h"
#include "run/RunRecorder.h"
#include "status/StatusPage.h"

#include <QCheckBox>
#include <QFileInfo>

namespace {

QString relayText(RelayState state) {
    switch (state) {
    case RelayState::Closed:
        return QStringLiteral("closed");
    case RelayState::Open:
        return QStringLiteral("open");
    case RelayState::Unknown:
        break;
    }
    return QStringLiteral("unknown");
}

QString linkText(DeviceState::Link link) {
    switch (link) {
    case DeviceState::Link::Connected:
        return QStringLiteral("connected");
    case DeviceState::Link::Lost:
        return QStringLiteral("lost");
    case DeviceState::Link::NotConnected:
        break;
    }
    return QStringLiteral("not connected");
}

QString phaseText(RunState::Phase phase) {
    switch (phase) {
    case RunState::Phase::Running:
        return QStringLiteral("running");
    case RunState::Phase::Paused:
        return QStringLiteral("paused");
    case RunState::Phase::Stopped:
        break;
    }
    return QStringLiteral("stopped");
}

} // namespace

StatusFeed::StatusFeed(const RunControlsView& run, const RunState& runState,
                       const LiveReading& reading, const DeviceState& devices, const PumpClip& clip,
                       const ProgramEditor& program, const RunRecorder& recorder, Clock& clock,
                       StatusPage& page)
    : m_runControls(run), m_run(runState), m_reading(reading), m_devices(devices), m_clip(clip),
      m_program(program), m_recorder(recorder), m_clock(clock), m_page(page) {
    // While no run ticks, the readings and the boards still move.
    m_idle.setInterval(1000);
    QObject::connect(&m_idle, &QTimer::timeout, &m_idle, [this] {
        if (m_run.phase != RunState::Phase::Running) {
            refresh();
        }
    });
    m_page.metricsSource = [this] {
        return metrics();
    };
    m_page.onServingChanged = [this] {
        if (m_page.serving()) {
            m_idle.start();
            refresh();
        } else {
            m_idle.stop();
        }
    };
}

StatusFeed::~StatusFeed() {
    m_page.metricsSource = nullptr;
    m_page.onServingChanged = nullptr;
}

RigMetrics StatusFeed::metrics() const {
    RigMetrics m;
    m.version = QStringLiteral(TESSALY_VERSION);
    m.run = m_run;
    m.programLengthS = m_program.table().endSeconds[kStepCount];
    m.programFile = QFileInfo(m_program.programPath()).fileName();
    m.reading = m_reading;
    m.devices = m_devices;
    if (addCounters) {
        addCounters(m);
    }
    return m;
}

void StatusFeed::refresh() {
    if (!m_page.serving()) {
        return;
    }
    StatusSample sample{m_clock.now().toSecsSinceEpoch(), std::nullopt, std::nullopt};
    if (m_reading) {
        sample.voltage = m_reading->values[frames::Voltage];
        sample.current = m_reading->values[frames::Current];
    }
    m_history.add(sample);
    m_page.publish(statusJson(snapshot()));
}

StatusSnapshot StatusFeed::snapshot() const {
    const ProgramTable& t = m_program.table();
    StatusSnapshot s;
    s.program = QFileInfo(m_program.programPath()).fileName();
    const RunState& run = m_run;
    s.state = phaseText(run.phase);
    s.cycle = run.cycle;
    s.cycling = checkValue(m_runControls.Check7) == 1;
    s.step = run.step;
    s.lengthS = t.endSeconds[kStepCount];
    s.elapsedS = run.elapsedS;
    s.stepRemainingS = run.stepRemainingS;
    const QStringList& columns = RunRecorder::columns();
    const qsizetype kFirstReading = columns.indexOf(QStringLiteral("voltage_mV"));
    for (int k = 0; k < frames::ReadingCount; ++k) {
        s.readings.emplace_back(columns[kFirstReading + k],
                                m_reading ? std::optional(readingText(m_reading->values[k]))
                                          : std::nullopt);
    }
    s.laser = relayText(m_devices.laser);
    s.vacuum = relayText(m_devices.vacuum);
    s.relayBoard = linkText(m_devices.relayBoard);
    s.measuringBoard = linkText(m_devices.measuringBoard);
    s.signal = m_devices.outputs.signal == 1;
    s.clip = m_clip.name;
    s.leftLevel = m_clip.level(0);
    s.rightLevel = m_clip.level(1);
    s.steps.reserve(kStepCount);
    for (int i = 0; i < kStepCount; ++i) {
        s.steps.push_back({t.durationSeconds[i], t.leftLevel[i], t.rightLevel[i], t.laser[i] == 1,
                           t.vacuum[i] == 1, t.signal[i] == 1});
    }
    s.chart = m_history.samples();
    for (const QStringList& cells : m_recorder.recentEvents()) {
        StatusFields event;
        for (int c = 0; c < cells.size() && c < columns.size(); ++c) {
            if (!cells[c].isEmpty()) {
                event.emplace_back(columns[c], cells[c]);
            }
        }
        s.events.push_back(std::move(event));
    }
    s.updated = m_clock.now();
    return s;
}

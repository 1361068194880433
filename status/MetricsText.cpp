#include "status/RigMetrics.h"

#include <QLocale>
#include <QtGlobal>
#include <cmath>
#include <utility>

namespace {

// A label value with backslash, double quote and line end escaped.
QByteArray labelValue(const QString& text) {
    QByteArray out;
    for (const char c : text.toUtf8()) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

QByteArray number(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "+Inf" : "-Inf";
    }
    // The shortest text that reads back as the same value: 5012 mV is 5.012, not 5.0119999.
    return QByteArray::number(value, 'g', QLocale::FloatingPointShortest);
}

class Exposition {
public:
    void family(const char* name, const char* type, const char* help) {
        m_name = name;
        m_out += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
    }
    // A sample of the current family; labels as name="value" pairs, already escaped.
    void sample(double value, const QByteArray& labels = {}) {
        m_out += m_name;
        if (!labels.isEmpty()) {
            m_out += '{' + labels + '}';
        }
        m_out += ' ' + number(value) + '\n';
    }
    QByteArray take() { return std::move(m_out); }

private:
    QByteArray m_name;
    QByteArray m_out;
};

QByteArray label(const char* name, const QString& value) {
    return QByteArray(name) + "=\"" + labelValue(value) + '"';
}

QByteArray linkName(DeviceState::Link link) {
    switch (link) {
    case DeviceState::Link::Connected:
        return "connected";
    case DeviceState::Link::Lost:
        return "lost";
    case DeviceState::Link::NotConnected:
        break;
    }
    return "not connected";
}

} // namespace

QByteArray metricsText(const RigMetrics& m) {
    Exposition e;
    e.family("tessaly_build_info", "gauge", "The program's version, as a label.");
    e.sample(1, label("version", m.version));

    e.family("tessaly_run_state", "gauge", "1 for the run's current state, 0 for the others.");
    const std::pair<RunState::Phase, const char*> phases[] = {{RunState::Phase::Stopped, "stopped"},
                                                              {RunState::Phase::Running, "running"},
                                                              {RunState::Phase::Paused, "paused"}};
    for (const auto& [phase, name] : phases) {
        e.sample(m.run.phase == phase ? 1 : 0, label("state", QString::fromLatin1(name)));
    }
    e.family("tessaly_run_step", "gauge", "The current step, 0 to 39; 40 once the last ended.");
    e.sample(m.run.step);
    e.family("tessaly_run_cycle", "gauge", "The current cycle, from 1; 0 before the first Start.");
    e.sample(m.run.cycle);
    e.family("tessaly_run_elapsed_seconds", "gauge",
             "Run-clock seconds of the current cycle, pauses left out.");
    e.sample(static_cast<double>(m.run.elapsedS));
    e.family("tessaly_run_step_remaining_seconds", "gauge", "Seconds left of the current step.");
    e.sample(static_cast<double>(m.run.stepRemainingS));
    e.family("tessaly_program_length_seconds", "gauge", "The length of one cycle of the program.");
    e.sample(static_cast<double>(m.programLengthS));
    e.family("tessaly_program_info", "gauge", "The program's file name, as a label.");
    e.sample(1, label("file", m.programFile));

    // No reading is no sample: a board that gives none has not measured 0.
    if (m.reading) {
        const auto& v = m.reading->values;
        const struct {
            const char* name;
            const char* help;
            double value;
        } readings[] = {
            {"tessaly_reading_voltage_volts", "The measuring board's voltage.",
             v[frames::Voltage] / 1000},
            {"tessaly_reading_current_amperes", "The measuring board's current.",
             v[frames::Current] / 1000},
            {"tessaly_reading_charge_coulombs", "The charge the board counted (mAh times 3.6).",
             v[frames::Charge] * 3.6},
            {"tessaly_reading_energy_joules", "The energy the board counted (mWh times 3.6).",
             v[frames::Energy] * 3.6},
            {"tessaly_reading_board_time_seconds", "The measuring board's own time count.",
             v[frames::Time]},
            {"tessaly_reading_dplus_volts", "The D+ line's voltage.", v[frames::DPlus] / 1000},
            {"tessaly_reading_dminus_volts", "The D- line's voltage.", v[frames::DMinus] / 1000},
        };
        for (const auto& r : readings) {
            e.family(r.name, "gauge", r.help);
            e.sample(r.value);
        }
    }

    const std::pair<const char*, RelayState> relays[] = {{"laser", m.devices.laser},
                                                         {"vacuum", m.devices.vacuum}};
    e.family("tessaly_relay_wanted", "gauge",
             "1 when the program or the operator wants the relay closed.");
    e.sample(m.devices.outputs.laser == 1 ? 1 : 0, label("relay", QStringLiteral("laser")));
    e.sample(m.devices.outputs.vacuum == 1 ? 1 : 0, label("relay", QStringLiteral("vacuum")));
    e.family("tessaly_relay_board_state", "gauge",
             "1 for what the relay board was last told with success, per relay.");
    const std::pair<RelayState, const char*> states[] = {{RelayState::Closed, "closed"},
                                                         {RelayState::Open, "open"},
                                                         {RelayState::Unknown, "unknown"}};
    for (const auto& [relay, state] : relays) {
        for (const auto& [value, name] : states) {
            e.sample(state == value ? 1 : 0, label("relay", QString::fromLatin1(relay)) + ',' +
                                                 label("state", QString::fromLatin1(name)));
        }
    }
    e.family("tessaly_signal_wanted", "gauge", "1 when the optical signal is wanted on.");
    e.sample(m.devices.outputs.signal == 1 ? 1 : 0);
    e.family("tessaly_board_link", "gauge", "1 for how each board's link stands.");
    const std::pair<const char*, DeviceState::Link> boards[] = {
        {"relay", m.devices.relayBoard}, {"measuring", m.devices.measuringBoard}};
    for (const auto& [board, link] : boards) {
        for (const DeviceState::Link value :
             {DeviceState::Link::Connected, DeviceState::Link::NotConnected,
              DeviceState::Link::Lost}) {
            e.sample(link == value ? 1 : 0,
                     label("board", QString::fromLatin1(board)) + ',' +
                         label("link", QString::fromLatin1(linkName(value))));
        }
    }

    e.family("tessaly_frames_decoded_total", "counter", "Measuring board frames decoded.");
    e.sample(static_cast<double>(m.framesDecoded));
    e.family("tessaly_frames_refused_total", "counter",
             "Bytes from the measuring board that made no frame, by reason.");
    e.sample(static_cast<double>(m.framesRefused.checksum),
             label("reason", QStringLiteral("checksum")));
    e.sample(static_cast<double>(m.framesRefused.header),
             label("reason", QStringLiteral("header")));
    e.sample(static_cast<double>(m.framesRefused.length),
             label("reason", QStringLiteral("length")));
    e.family("tessaly_relay_commands_total", "counter",
             "Switching commands to the relay board, by relay and how they ended.");
    const char* results[] = {"sent", "failed", "not sent"};
    for (int r = 0; r < 2; ++r) {
        for (int k = 0; k < 3; ++k) {
            e.sample(static_cast<double>(m.relayCommands[r][k]),
                     label("relay", QString::fromLatin1(relays[r].first)) + ',' +
                         label("result", QString::fromLatin1(results[k])));
        }
    }
    e.family("tessaly_board_losses_total", "counter", "Boards that went away, by board.");
    e.sample(static_cast<double>(m.relayBoardLosses), label("board", QStringLiteral("relay")));
    e.sample(static_cast<double>(m.measuringBoardLosses),
             label("board", QStringLiteral("measuring")));
    if (m.audioUnderruns) {
        e.family("tessaly_audio_underruns_total", "counter",
                 "Sound output buffers that found no sound ready in time.");
        e.sample(static_cast<double>(*m.audioUnderruns));
    }
    e.family("tessaly_status_requests_total", "counter",
             "Answers of the status server, by HTTP status code.");
    for (const auto& [code, count] : m.statusAnswers) {
        e.sample(static_cast<double>(count), label("code", QString::number(code)));
    }

    const ProcessStats& p = m.process;
    const struct {
        const char* name;
        const char* type;
        const char* help;
        std::optional<double> value;
    } process[] = {
        {"process_cpu_seconds_total", "counter", "Total user and system CPU time spent in seconds.",
         p.cpuSeconds},
        {"process_resident_memory_bytes", "gauge", "Resident memory size in bytes.",
         p.residentBytes},
        {"process_virtual_memory_bytes", "gauge", "Virtual memory size in bytes.", p.virtualBytes},
        {"process_open_fds", "gauge", "Number of open file descriptors.", p.openFds},
        {"process_max_fds", "gauge", "Maximum number of open file descriptors.", p.maxFds},
        {"process_start_time_seconds", "gauge",
         "Start time of the process since unix epoch in seconds.", p.startTimeSeconds},
    };
    for (const auto& f : process) {
        if (f.value) {
            e.family(f.name, f.type, f.help);
            e.sample(*f.value);
        }
    }
    return e.take();
}

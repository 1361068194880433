#pragma once

#include "base/Reading.h"
#include "run/RunState.h"
#include "serial/DeviceState.h"
#include "serial/Frames.h"
#include "status/ProcessStats.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <map>
#include <optional>

// What /metrics tells of the rig at one moment, as values.
struct RigMetrics {
    QString version;
    RunState run;
    qint64 programLengthS = 0;
    // The program file's name, without its folder.
    QString programFile;
    LiveReading reading;
    DeviceState devices;
    std::uint64_t framesDecoded = 0;
    frames::FrameAssembler::Refusals framesRefused;
    // Switching commands of relay 1 (laser) and 2 (vacuum pump): sent, failed, not sent.
    std::array<std::array<std::uint64_t, 3>, 2> relayCommands{};
    std::uint64_t relayBoardLosses = 0;
    std::uint64_t measuringBoardLosses = 0;
    // None while the sound output is not set up or does not tell.
    std::optional<std::uint64_t> audioUnderruns;
    std::map<int, quint64> statusAnswers;
    ProcessStats process;
};

// The Prometheus text exposition format (version 0.0.4) of metrics: HELP and TYPE for every
// family, base units, readings left out while there is none.
QByteArray metricsText(const RigMetrics& metrics);

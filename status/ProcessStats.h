#pragma once

#include <optional>

// The process's own figures, as Prometheus' process metrics give them; each empty where the
// system does not tell (outside Linux).
struct ProcessStats {
    std::optional<double> residentBytes;
    std::optional<double> virtualBytes;
    std::optional<double> cpuSeconds;
    // Seconds since the Unix epoch.
    std::optional<double> startTimeSeconds;
    std::optional<double> openFds;
    std::optional<double> maxFds;
};

// Reads them now.
ProcessStats readProcessStats();

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>
#include <utility>
#include <vector>

// One step of the program as the status page draws it on its timeline.
struct StatusStep {
    qint32 durationS = 0;
    int left = 0;
    int right = 0;
    bool laser = false;
    bool vacuum = false;
    bool signal = false;
};

// One second of the ten-minute voltage and current chart; a second without a reading is empty.
struct StatusSample {
    qint64 epochS = 0;
    std::optional<double> voltage;
    std::optional<double> current;
};

// Named texts, in order: each event's fields.
using StatusFields = std::vector<std::pair<QString, QString>>;
// The reading's values as the panel writes them, by name; each empty while there is no reading.
using StatusReadings = std::vector<std::pair<QString, std::optional<QString>>>;

// Everything the status page shows of the rig at one moment.
struct StatusSnapshot {
    QString program;
    // "stopped", "running" or "paused".
    QString state = QStringLiteral("stopped");
    int cycle = 0;
    bool cycling = false;
    // 0..39, 40 after the end.
    int step = 0;
    qint64 stepRemainingS = 0;
    qint64 elapsedS = 0;
    qint64 lengthS = 0;
    StatusReadings readings;
    // What the relay board was last told: "closed", "open" or "unknown".
    QString laser = QStringLiteral("unknown");
    QString vacuum = QStringLiteral("unknown");
    bool signal = false;
    int leftLevel = 0;
    int rightLevel = 0;
    QString clip;
    // "connected", "not connected" or "lost".
    QString relayBoard = QStringLiteral("not connected");
    QString measuringBoard = QStringLiteral("not connected");
    std::vector<StatusStep> steps;
    std::vector<StatusSample> chart;
    // Newest last.
    std::vector<StatusFields> events;
    QDateTime updated;
};

// The snapshot as the UTF-8 JSON document /status.json serves.
QByteArray statusJson(const StatusSnapshot& snapshot);

#include "status/StatusSnapshot.h"

#include "base/TimeText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QJsonObject fields(const StatusFields& named) {
    QJsonObject o;
    for (const auto& [name, value] : named) {
        o.insert(name, value);
    }
    return o;
}

QJsonValue number(const std::optional<double>& v) {
    return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null);
}

// No reading is null, never 0.
QJsonObject readings(const StatusReadings& named) {
    QJsonObject o;
    for (const auto& [name, value] : named) {
        o.insert(name, value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
    }
    return o;
}

} // namespace

QByteArray statusJson(const StatusSnapshot& s) {
    QJsonObject o;
    o.insert(QStringLiteral("program"), s.program);
    o.insert(QStringLiteral("state"), s.state);
    o.insert(QStringLiteral("cycle"), s.cycle);
    o.insert(QStringLiteral("cycling"), s.cycling);
    o.insert(QStringLiteral("step"), s.step);
    o.insert(QStringLiteral("step_remaining_s"), s.stepRemainingS);
    o.insert(QStringLiteral("elapsed_s"), s.elapsedS);
    o.insert(QStringLiteral("length_s"), s.lengthS);
    o.insert(QStringLiteral("readings"), readings(s.readings));
    o.insert(QStringLiteral("relays"),
             QJsonObject{{QStringLiteral("laser"), s.laser}, {QStringLiteral("vacuum"), s.vacuum}});
    o.insert(QStringLiteral("signal"), s.signal);
    o.insert(QStringLiteral("pumps"), QJsonObject{{QStringLiteral("left"), s.leftLevel},
                                                  {QStringLiteral("right"), s.rightLevel},
                                                  {QStringLiteral("clip"), s.clip}});
    o.insert(QStringLiteral("boards"),
             QJsonObject{{QStringLiteral("relay"), s.relayBoard},
                         {QStringLiteral("measuring"), s.measuringBoard}});
    QJsonArray steps;
    for (const StatusStep& step : s.steps) {
        steps.append(QJsonObject{{QStringLiteral("duration_s"), step.durationS},
                                 {QStringLiteral("left"), step.left},
                                 {QStringLiteral("right"), step.right},
                                 {QStringLiteral("laser"), step.laser},
                                 {QStringLiteral("vacuum"), step.vacuum},
                                 {QStringLiteral("signal"), step.signal}});
    }
    o.insert(QStringLiteral("steps"), steps);
    // Columns rather than one object a second keep ten minutes of samples small.
    QJsonArray times;
    QJsonArray voltage;
    QJsonArray current;
    for (const StatusSample& sample : s.chart) {
        times.append(sample.epochS);
        voltage.append(number(sample.voltage));
        current.append(number(sample.current));
    }
    o.insert(QStringLiteral("chart"), QJsonObject{{QStringLiteral("epoch_s"), times},
                                                  {QStringLiteral("voltage_mV"), voltage},
                                                  {QStringLiteral("current_mA"), current}});
    QJsonArray events;
    for (const StatusFields& event : s.events) {
        events.append(fields(event));
    }
    o.insert(QStringLiteral("events"), events);
    o.insert(QStringLiteral("updated"), isoWithOffset(s.updated));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

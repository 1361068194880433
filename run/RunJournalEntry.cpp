#include "run/RunJournalEntry.h"

#include "base/TimeText.h"
#include "panel/StepRows.h"

#include <QList>
#include <QUrl>
#include <array>
#include <climits>

namespace {

const QByteArray kFirstLine = "tessaly run journal 1";
// The keys, each once and in this order.
constexpr std::array<const char*, 14> kKeys = {
    "state",   "program", "digest",  "cycle",   "step",          "run_s",   "cycle_s",
    "pause_s", "step_s",  "cycling", "started", "cycle_started", "written", "record"};
// Far beyond any run (some 30,000 years), far below any overflow.
constexpr qint64 kMaxSeconds = Q_INT64_C(1000000000000);

QByteArray phaseName(RunState::Phase phase) {
    switch (phase) {
    case RunState::Phase::Running:
        return "running";
    case RunState::Phase::Paused:
        return "paused";
    case RunState::Phase::Stopped:
        break;
    }
    return "closed";
}

std::optional<RunState::Phase> phaseOf(const QByteArray& name) {
    for (const RunState::Phase phase :
         {RunState::Phase::Running, RunState::Phase::Paused, RunState::Phase::Stopped}) {
        if (phaseName(phase) == name) {
            return phase;
        }
    }
    return std::nullopt;
}

QByteArray timeText(const QDateTime& t) {
    return t.isValid() ? isoWithOffset(t).toLatin1() : QByteArray("-");
}

std::optional<QDateTime> timeOf(const QByteArray& text) {
    if (text == "-") {
        return QDateTime();
    }
    QDateTime t = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    // Only the form written: whole seconds and an offset, so nothing is lost on a rewrite.
    if (!t.isValid() || isoWithOffset(t).toLatin1() != text) {
        return std::nullopt;
    }
    return t;
}

// Paths may hold any character, line ends included.
QByteArray pathText(const QString& path) {
    return path.isEmpty() ? QByteArray("-") : QUrl::toPercentEncoding(path, "/");
}

QString pathOf(const QByteArray& text) {
    return text == "-" ? QString() : QUrl::fromPercentEncoding(text);
}

std::optional<qint64> secondsOf(const QByteArray& text, qint64 least) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    // toLongLong takes "+5" and " 5": only plain digits are ours.
    if (!ok || value < least || value > kMaxSeconds || text != QByteArray::number(value)) {
        return std::nullopt;
    }
    return value;
}

bool isHexDigest(const QByteArray& text) {
    if (text.size() != 64) {
        return false;
    }
    for (const char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray encodeJournalEntry(const RunJournalEntry& e) {
    const RunPosition& p = e.position;
    const std::array<QByteArray, kKeys.size()> values = {phaseName(p.phase),
                                                         pathText(e.programPath),
                                                         e.programDigest,
                                                         QByteArray::number(p.cycle),
                                                         QByteArray::number(p.step),
                                                         QByteArray::number(p.runS),
                                                         QByteArray::number(p.cycleS),
                                                         QByteArray::number(p.pauseS),
                                                         QByteArray::number(e.stepS),
                                                         p.cycling ? QByteArray("1")
                                                                   : QByteArray("0"),
                                                         timeText(p.started),
                                                         timeText(p.cycleStarted),
                                                         timeText(e.written),
                                                         pathText(e.recordPath)};
    QByteArray out = kFirstLine + '\n';
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        out += kKeys[k] + QByteArray(" ") + values[k] + '\n';
    }
    return out;
}

std::optional<RunJournalEntry> decodeJournalEntry(const QByteArray& bytes) {
    const QList<QByteArray> lines = bytes.split('\n');
    // The first line, one per key, and nothing after the last line end.
    if (lines.size() != static_cast<qsizetype>(kKeys.size()) + 2 || lines.first() != kFirstLine ||
        !lines.last().isEmpty()) {
        return std::nullopt;
    }
    std::array<QByteArray, kKeys.size()> v;
    for (std::size_t k = 0; k < kKeys.size(); ++k) {
        const QByteArray& line = lines[static_cast<qsizetype>(k) + 1];
        const QByteArray key = QByteArray(kKeys[k]) + ' ';
        if (!line.startsWith(key)) {
            return std::nullopt;
        }
        v[k] = line.mid(key.size());
    }
    RunJournalEntry e;
    const std::optional<RunState::Phase> phase = phaseOf(v[0]);
    const std::optional<qint64> cycle = secondsOf(v[3], 0);
    const std::optional<qint64> step = secondsOf(v[4], 0);
    const std::optional<qint64> runS = secondsOf(v[5], 0);
    const std::optional<qint64> cycleS = secondsOf(v[6], 0);
    const std::optional<qint64> pauseS = secondsOf(v[7], 0);
    const std::optional<qint64> stepS = secondsOf(v[8], 0);
    const std::optional<QDateTime> started = timeOf(v[10]);
    const std::optional<QDateTime> cycleStarted = timeOf(v[11]);
    const std::optional<QDateTime> written = timeOf(v[12]);
    if (!phase || !isHexDigest(v[2]) || !cycle || *cycle > INT_MAX ||
        (*phase != RunState::Phase::Stopped && *cycle < 1) || !step || *step >= kStepCount ||
        !runS || !cycleS || !pauseS || !stepS || (v[9] != "0" && v[9] != "1") || !started ||
        !cycleStarted || !written || !written->isValid()) {
        return std::nullopt;
    }
    e.position.phase = *phase;
    e.programPath = pathOf(v[1]);
    e.programDigest = v[2];
    e.position.cycle = static_cast<int>(*cycle);
    e.position.step = static_cast<int>(*step);
    e.position.runS = *runS;
    e.position.cycleS = *cycleS;
    e.position.pauseS = *pauseS;
    e.stepS = *stepS;
    e.position.cycling = v[9] == "1";
    e.position.started = *started;
    e.position.cycleStarted = *cycleStarted;
    e.written = *written;
    e.recordPath = pathOf(v[13]);
    return e;
}

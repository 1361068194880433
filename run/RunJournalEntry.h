#pragma once

#include "run/RunState.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

// One entry of the run journal: where a run stood when it was written. An entry whose phase is
// Stopped closes the journal: no run is open.
struct RunJournalEntry {
    RunPosition position;
    // The program file the run's program came from, and the digest of the program as it ran.
    QString programPath;
    QByteArray programDigest;
    // Seconds into the current step.
    qint64 stepS = 0;
    // When it was written.
    QDateTime written;
    // The run's record, or empty.
    QString recordPath;

    bool isOpenRun() const { return position.phase != RunState::Phase::Stopped; }
    bool operator==(const RunJournalEntry&) const = default;
};

QByteArray encodeJournalEntry(const RunJournalEntry& entry);
// Reads an entry back; nothing for anything but a whole, consistent entry of this version.
std::optional<RunJournalEntry> decodeJournalEntry(const QByteArray& bytes);

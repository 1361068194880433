// Fuzzes the run journal's reader, as a whole file and as one entry: whatever it takes is a
// position the engine can resume (a step of the table, a cycle from 1 for an open run), and it
// writes back to an entry that reads as the same.

#include "panel/StepRows.h"
#include "run/JournalFile.h"
#include "run/RunJournalEntry.h"

#include <cstdlib>

namespace {

void check(const QByteArray& entry) {
    const std::optional<RunJournalEntry> decoded = decodeJournalEntry(entry);
    if (!decoded) {
        return;
    }
    const RunPosition& p = decoded->position;
    if (p.step < 0 || p.step >= kStepCount || p.cycle < 0 ||
        (decoded->isOpenRun() && p.cycle < 1) || p.runS < 0 || p.cycleS < 0 || p.pauseS < 0 ||
        decoded->stepS < 0 || !decoded->written.isValid()) {
        std::abort();
    }
    const std::optional<RunJournalEntry> again = decodeJournalEntry(encodeJournalEntry(*decoded));
    if (!again || !(*again == *decoded)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const std::optional<QByteArray> newest = JournalFile::newestEntry(bytes)) {
        check(*newest);
    }
    check(bytes);
    return 0;
}

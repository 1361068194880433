// Fuzzes the program file reader up to the table: a file is either taken whole or refused with
// a reason, a taken program writes back to a file that reads as the same program, and its
// table can be built without leaving the 32-bit range.

#include "program/ProgramFile.h"
#include "program/ProgramTable.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ParsedProgram parsed = parseProgramFile(bytes);
    if (!parsed.steps) {
        // Refused: it must say why, and name a step in range or the whole file.
        if (parsed.error.reason.isEmpty() || parsed.error.step < -1 ||
            parsed.error.step >= kStepCount) {
            std::abort();
        }
        return 0;
    }
    // The panel takes a program through its fields, which normalize every text; that program
    // must survive a save and a load unchanged.
    ProgramSteps normalized = *parsed.steps;
    for (StepInput& step : normalized) {
        for (int f = 0; f < kStepTextFields; ++f) {
            step.texts[f] = normalizeStepText(step.texts[f], kStepFieldMaximum[f]);
        }
    }
    const ParsedProgram again = parseProgramFile(formatProgramFile(normalized));
    if (!again.steps || !(*again.steps == normalized)) {
        std::abort();
    }
    ProgramTable table;
    try {
        table.recompute(normalized);
    } catch (...) {
        std::abort(); // normalized fields cannot overflow
    }
    if (table.endSeconds[kStepCount] < 0) {
        std::abort();
    }
    return 0;
}

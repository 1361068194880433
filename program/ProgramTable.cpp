#include "program/ProgramTable.h"

#include "base/NumericText.h"
#include "base/TimeText.h"

#include <cmath>

QString normalizeStepText(const QString& text, int maximum) {
    return wholeMagnitudeText(text, maximum);
}

namespace {
qint32 fieldValue(const QString& text) {
    return roundToInt32(leadingNumber(text));
}
} // namespace

void ProgramTable::recomputeRow(int i, const StepInput& input) {
    hours[i] = fieldValue(input.texts[0]);
    minutes[i] = fieldValue(input.texts[1]);
    seconds[i] = fieldValue(input.texts[2]);
    durationSeconds[i] =
        checkedAdd(checkedAdd(checkedMul(hours[i], 3600), checkedMul(minutes[i], 60)), seconds[i]);
    leftLevel[i] = fieldValue(input.texts[3]);
    rightLevel[i] = fieldValue(input.texts[4]);
    clipName[i] = input.texts[3] + input.texts[4] + QStringLiteral(".mc");
    laser[i] = input.flags[0];
    vacuum[i] = input.flags[1];
    signal[i] = input.flags[2];
    endSeconds[kStepCount] = checkedAdd(endSeconds[kStepCount], durationSeconds[i]);
    endSeconds[i] = endSeconds[kStepCount];
}

void ProgramTable::recompute(std::span<const StepInput, kStepCount> steps) {
    endSeconds[kStepCount] = 0;
    for (int i = 0; i < kStepCount; ++i) {
        recomputeRow(i, steps[i]);
    }
}

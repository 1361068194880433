#pragma once

#include "panel/StepRows.h"

#include <QString>
#include <array>
#include <span>

// Largest value a step text field keeps, by field index 0..4 (hours, minutes, seconds, left,
// right).
constexpr std::array<int, kStepTextFields> kStepFieldMaximum = {12, 59, 59, 9, 9};

// Normalizes the text of a step field: the leading number rounded down, its magnitude, capped
// at the field's maximum, as plain decimal. "-7" gives "7", "2.9" gives "2", "" gives "0".
QString normalizeStepText(const QString& text, int maximum);

// What one step's controls hold, as texts and check values.
struct StepInput {
    std::array<QString, kStepTextFields> texts{"0", "0", "0", "0", "0"};
    std::array<int, kStepFlags> flags{0, 0, 0};

    bool operator==(const StepInput&) const = default;
};

using ProgramSteps = std::array<StepInput, kStepCount>;

// The table derived from the step controls; rebuilt as a whole, never edited directly.
struct ProgramTable {
    std::array<qint32, kStepCount> hours{};
    std::array<qint32, kStepCount> minutes{};
    std::array<qint32, kStepCount> seconds{};
    std::array<qint32, kStepCount> durationSeconds{};
    // Element i: end of step i from the program start; element 40: the program length.
    std::array<qint32, kStepCount + 1> endSeconds{};
    std::array<qint32, kStepCount> leftLevel{};
    std::array<qint32, kStepCount> rightLevel{};
    // Element 40 is never assigned and stays empty.
    std::array<QString, kStepCount + 1> clipName{};
    std::array<int, kStepCount> laser{};
    std::array<int, kStepCount> vacuum{};
    std::array<int, kStepCount> signal{};

    // Rebuilds row i from its controls' contents and the running total in endSeconds[40].
    // Raises OverflowError when a value leaves the 32-bit range; earlier rows keep their values.
    void recomputeRow(int i, const StepInput& input);
    // Rebuilds every row in order, starting the running total from 0.
    void recompute(std::span<const StepInput, kStepCount> steps);
};

#pragma once

#include <array>

// A program has 40 steps; the step controls have a 41st, disabled row that is never used.
constexpr int kStepCount = 40;
constexpr int kStepRows = 41;
// The five text fields of a step: hours, minutes, seconds, left level, right level.
constexpr int kStepTextFields = 5;
// The three flags of a step: laser, vacuum, signal.
constexpr int kStepFlags = 3;

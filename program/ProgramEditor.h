#pragma once

#include "program/ProgramTable.h"

#include <QString>
#include <functional>
#include <optional>

class TessalyPanel;

// Keeps the program table in step with the step controls of the panel, and moves programs
// between those controls and program files.
class ProgramEditor {
public:
    explicit ProgramEditor(TessalyPanel& panel);

    // Connects the step fields: every change normalizes the field and recomputes the table.
    void wireStepControls();

    // Rebuilds the table from the controls and shows the end times and the program length.
    void recompute();

    // What the step controls hold now (rows 0..39).
    ProgramSteps currentSteps() const;

    // Writes the controls to path. Returns the status text, or nothing after a failure that
    // was shown to the operator (the old file stays as it was).
    std::optional<QString> save(const QString& path);

    // Reads path whole; on success runs accepted(), then fills the controls row by row and
    // returns the status text. A bad file changes nothing: it is shown to the operator, or
    // described in *failure when the caller reports it itself.
    std::optional<QString> load(const QString& path, const std::function<void()>& accepted = {},
                                QString* failure = nullptr);

    // Fills the controls with steps, row by row, each assignment normalizing and recomputing.
    void applySteps(const ProgramSteps& steps);

    const ProgramTable& table() const { return m_table; }

private:
    void stepTextChanged(int field, int row);
    StepInput rowInput(int row) const;

    TessalyPanel& m_panel;
    ProgramTable m_table;
};

#pragma once

#include "panel/PanelViews.h"
#include "program/ProgramTable.h"

#include <QString>
#include <functional>
#include <optional>

class Clock;

// Keeps the program table in step with the step controls of the panel, and moves programs
// between those controls and program files.
class ProgramEditor {
public:
    ProgramEditor(const StepTableView& view, Clock& clock);

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
    // Goes up at every recompute, so that what is derived from the steps can be kept until then.
    quint64 revision() const { return m_revision; }

    // The program operations as the other windows and the run engine call them.
    void 读取输入值() { recompute(); }
    // The status text, or an empty text after a failure the operator was shown.
    QString 保存程序(const QString& path) { return save(path).value_or(QString()); }
    QString 读取程序(const QString& path, const std::function<void()>& accepted = {}) {
        return load(path, accepted).value_or(QString());
    }

    // The current program path: the caption of the program frame.
    QString programPath() const;
    void setProgramPath(const QString& path);
    const StepTableView& view() const { return v; }

private:
    void stepTextChanged(int field, int row);
    StepInput rowInput(int row) const;

    QWidget* owner() const;

    const StepTableView& v;
    Clock& m_clock;
    ProgramTable m_table;
    quint64 m_revision = 0;
};

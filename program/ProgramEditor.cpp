#include "program/ProgramEditor.h"

#include "base/CheckValue.h"
#include "base/Clock.h"
#include "base/MessageBoxes.h"
#include "base/TimeText.h"
#include "program/ProgramFile.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace {
std::array<const std::array<QLineEdit*, kStepRows>*, kStepTextFields>
textColumns(const StepTableView& v) {
    return {&v.Text1, &v.Text2, &v.Text3, &v.Text4, &v.Text5};
}
std::array<const std::array<QCheckBox*, kStepRows>*, kStepFlags>
flagColumns(const StepTableView& v) {
    return {&v.Check4, &v.Check5, &v.Check6};
}
} // namespace

ProgramEditor::ProgramEditor(const StepTableView& view, Clock& clock) : v(view), m_clock(clock) {}

QWidget* ProgramEditor::owner() const {
    return v.微泵程序->window();
}

QString ProgramEditor::programPath() const {
    return v.微泵程序->title();
}

void ProgramEditor::setProgramPath(const QString& path) {
    v.微泵程序->setTitle(path);
}

void ProgramEditor::wireStepControls() {
    const auto texts = textColumns(v);
    const auto flags = flagColumns(v);
    // Row 40 takes no part in the program, so it is not wired.
    for (int row = 0; row < kStepCount; ++row) {
        for (int f = 0; f < kStepTextFields; ++f) {
            QObject::connect((*texts[f])[row], &QLineEdit::textChanged, (*texts[f])[row],
                             [this, f, row] { stepTextChanged(f, row); });
        }
        for (int f = 0; f < kStepFlags; ++f) {
            keepGreyedForCodeOnly((*flags[f])[row]);
            QObject::connect((*flags[f])[row], &QCheckBox::stateChanged, (*flags[f])[row],
                             [this] { recompute(); });
        }
    }
}

void ProgramEditor::stepTextChanged(int field, int row) {
    QLineEdit* edit = (*textColumns(v)[field])[row];
    const QString normalized = normalizeStepText(edit->text(), kStepFieldMaximum[field]);
    if (normalized != edit->text()) {
        // The rewrite raises the change again, which recomputes with the normalized text.
        edit->setText(normalized);
        return;
    }
    recompute();
}

StepInput ProgramEditor::rowInput(int row) const {
    StepInput input;
    const auto texts = textColumns(v);
    const auto flags = flagColumns(v);
    for (int f = 0; f < kStepTextFields; ++f) {
        input.texts[f] = (*texts[f])[row]->text();
    }
    for (int f = 0; f < kStepFlags; ++f) {
        input.flags[f] = checkValue((*flags[f])[row]);
    }
    return input;
}

ProgramSteps ProgramEditor::currentSteps() const {
    ProgramSteps steps;
    for (int row = 0; row < kStepCount; ++row) {
        steps[row] = rowInput(row);
    }
    return steps;
}

void ProgramEditor::recompute() {
    ++m_revision;
    m_table.endSeconds[kStepCount] = 0;
    try {
        for (int row = 0; row < kStepCount; ++row) {
            m_table.recomputeRow(row, rowInput(row));
            const QString end = SecondsToHms(m_table.endSeconds[row]);
            v.Label22[row]->setText(end);
            v.programLength->setText(end);
        }
    } catch (const OverflowError&) {
        // Normalized fields cannot get here (the longest program is 1871960 s); say so if they do.
        showMessage(owner(), QStringLiteral("Overflow"), {}, MessageButtons::Ok,
                    MessageIcon::Critical);
    }
}

std::optional<QString> ProgramEditor::save(const QString& path) {
    if (const std::optional<QString> reason = writeProgramFile(path, currentSteps())) {
        showMessage(owner(),
                    QStringLiteral("The program could not be saved to\r\n%1\r\n\r\n%2\r\nThe "
                                   "file on disk is unchanged.")
                        .arg(path, *reason),
                    QStringLiteral("Save"), MessageButtons::Ok, MessageIcon::Critical);
        return std::nullopt;
    }
    return QStringLiteral("Saving Time: ") + GeneralDateText(m_clock.now());
}

std::optional<QString>
ProgramEditor::load(const QString& path, const std::function<void()>& accepted, QString* failure) {
    const ParsedProgram parsed = readProgramFile(path);
    if (!parsed.steps && failure != nullptr) {
        *failure = parsed.error.message(path);
        return std::nullopt;
    }
    if (!parsed.steps) {
        showMessage(owner(), parsed.error.message(path), QStringLiteral("Load"), MessageButtons::Ok,
                    MessageIcon::Critical);
        return std::nullopt;
    }
    if (accepted) {
        accepted();
    }
    applySteps(*parsed.steps);
    return QStringLiteral("Loading Time: ") + GeneralDateText(m_clock.now());
}

void ProgramEditor::applySteps(const ProgramSteps& steps) {
    const auto texts = textColumns(v);
    const auto flags = flagColumns(v);
    for (int row = 0; row < kStepCount; ++row) {
        for (int f = 0; f < kStepTextFields; ++f) {
            (*texts[f])[row]->setText(steps[row].texts[f]);
        }
        for (int f = 0; f < kStepFlags; ++f) {
            setCheckValue((*flags[f])[row], steps[row].flags[f]);
        }
        // The table fills visibly row by row while loading.
        if (v.微泵程序->isVisible()) {
            for (int f = 0; f < kStepTextFields; ++f) {
                (*texts[f])[row]->repaint();
            }
            for (int f = 0; f < kStepFlags; ++f) {
                (*flags[f])[row]->repaint();
            }
        }
    }
}

#include "program/ProgramEditor.h"

#include "app/CheckValue.h"
#include "app/Clock.h"
#include "app/MessageBoxes.h"
#include "app/TimeText.h"
#include "program/ProgramFile.h"
#include "program/TessalyPanel.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {
std::array<std::array<QLineEdit*, kStepRows>*, kStepTextFields> textColumns(TessalyPanel& p) {
    return {&p.Text1, &p.Text2, &p.Text3, &p.Text4, &p.Text5};
}
std::array<std::array<QCheckBox*, kStepRows>*, kStepFlags> flagColumns(TessalyPanel& p) {
    return {&p.Check4, &p.Check5, &p.Check6};
}
} // namespace

ProgramEditor::ProgramEditor(TessalyPanel& panel) : m_panel(panel) {}

void ProgramEditor::wireStepControls() {
    const auto texts = textColumns(m_panel);
    const auto flags = flagColumns(m_panel);
    // Row 40 takes no part in the program, so it is not wired.
    for (int row = 0; row < kStepCount; ++row) {
        for (int f = 0; f < kStepTextFields; ++f) {
            QObject::connect((*texts[f])[row], &QLineEdit::textChanged, &m_panel,
                             [this, f, row] { stepTextChanged(f, row); });
        }
        for (int f = 0; f < kStepFlags; ++f) {
            keepGreyedForCodeOnly((*flags[f])[row]);
            QObject::connect((*flags[f])[row], &QCheckBox::stateChanged, &m_panel,
                             [this] { recompute(); });
        }
    }
}

void ProgramEditor::stepTextChanged(int field, int row) {
    QLineEdit* edit = (*textColumns(m_panel)[field])[row];
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
    const auto texts = textColumns(m_panel);
    const auto flags = flagColumns(m_panel);
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
    m_table.endSeconds[kStepCount] = 0;
    try {
        for (int row = 0; row < kStepCount; ++row) {
            m_table.recomputeRow(row, rowInput(row));
            const QString end = SecondsToHms(m_table.endSeconds[row]);
            m_panel.Label22[row]->setText(end);
            m_panel.Label18[1]->setText(end);
        }
    } catch (const OverflowError&) {
        // Normalized fields cannot get here (the longest program is 1871960 s); say so if they do.
        showMessage(&m_panel, QStringLiteral("Overflow"), {}, MessageButtons::Ok,
                    MessageIcon::Critical);
    }
}

std::optional<QString> ProgramEditor::save(const QString& path) {
    if (const std::optional<QString> reason = writeProgramFile(path, currentSteps())) {
        showMessage(&m_panel,
                    QStringLiteral("The program could not be saved to\r\n%1\r\n\r\n%2\r\nThe "
                                   "file on disk is unchanged.")
                        .arg(path, *reason),
                    QStringLiteral("Save"), MessageButtons::Ok, MessageIcon::Critical);
        return std::nullopt;
    }
    return QStringLiteral("Saving Time: ") + GeneralDateText(m_panel.clock().now());
}

std::optional<QString>
ProgramEditor::load(const QString& path, const std::function<void()>& accepted, QString* failure) {
    const ParsedProgram parsed = readProgramFile(path);
    if (!parsed.steps && failure != nullptr) {
        *failure = parsed.error.message(path);
        return std::nullopt;
    }
    if (!parsed.steps) {
        showMessage(&m_panel, parsed.error.message(path), QStringLiteral("Load"),
                    MessageButtons::Ok, MessageIcon::Critical);
        return std::nullopt;
    }
    if (accepted) {
        accepted();
    }
    applySteps(*parsed.steps);
    return QStringLiteral("Loading Time: ") + GeneralDateText(m_panel.clock().now());
}

void ProgramEditor::applySteps(const ProgramSteps& steps) {
    const auto texts = textColumns(m_panel);
    const auto flags = flagColumns(m_panel);
    for (int row = 0; row < kStepCount; ++row) {
        for (int f = 0; f < kStepTextFields; ++f) {
            (*texts[f])[row]->setText(steps[row].texts[f]);
        }
        for (int f = 0; f < kStepFlags; ++f) {
            setCheckValue((*flags[f])[row], steps[row].flags[f]);
        }
        // The table fills visibly row by row while loading.
        if (m_panel.isVisible()) {
            for (int f = 0; f < kStepTextFields; ++f) {
                (*texts[f])[row]->repaint();
            }
            for (int f = 0; f < kStepFlags; ++f) {
                (*flags[f])[row]->repaint();
            }
        }
    }
}

#pragma once

#include "app/AppRoot.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "panel/TessalyPanel.h"
#include "program/ProgramEditor.h"
#include "program/ProgramLibrary.h"
#include "run/ChartScale.h"
#include "tests/harness/TestHarness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <memory>

// The main window as the program builds it, over a fresh working folder, with a test clock, no
// sound output and exits that only record.
struct PanelFixture {
    ManualClock clock;
    std::unique_ptr<AppRoot> root;
    int processEnds = 0;

    static void clearWorkingFolder() { QDir(workingFolder()).removeRecursively(); }

    TessalyPanel& create() {
        root = std::make_unique<AppRoot>(clock, AppRoot::Sound::None);
        root->endProcess = [this] {
            ++processEnds;
        };
        return root->panel();
    }

    TessalyPanel& start() {
        create();
        root->Form_Load();
        return root->panel();
    }

    ProgramEditor& editor() { return root->editor(); }
    ProgramLibrary& library() { return root->library(); }
    const ProgramTable& table() { return root->editor().table(); }
    QString programPath() { return root->library().programPath(); }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        if (f.open(QIODevice::WriteOnly)) {
            f.write(bytes);
        }
    }

    static QByteArray line(const char* fields) { return QByteArray(fields) + "\r\n"; }
    static QByteArray zeroLines(int n) {
        return line("\"0\",\"0\",\"0\",\"0\",\"0\",0,0,0").repeated(n);
    }

    // Everything the operator sees of the step table, row by row.
    static QStringList tableSnapshot(const TessalyPanel& p) {
        QStringList rows;
        for (int i = 0; i < kStepRows; ++i) {
            rows << QStringList{p.Text1[i]->text(),
                                p.Text2[i]->text(),
                                p.Text3[i]->text(),
                                p.Text4[i]->text(),
                                p.Text5[i]->text(),
                                QString::number(p.Check4[i]->checkState()),
                                QString::number(p.Check5[i]->checkState()),
                                QString::number(p.Check6[i]->checkState()),
                                p.Label22[i]->text()}
                        .join(',');
        }
        rows << p.Label18[1]->text();
        return rows;
    }
};

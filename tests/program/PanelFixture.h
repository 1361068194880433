#pragma once

#include "app/Clock.h"
#include "app/Paths.h"
#include "program/ProgramLibrary.h"
#include "program/TessalyPanel.h"
#include "tests/harness/TestHarness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <memory>

// A main panel over a fresh working folder, with a test clock and exits that only record.
struct PanelFixture {
    ManualClock clock;
    std::unique_ptr<TessalyPanel> panel;
    int processEnds = 0;

    static void clearWorkingFolder() { QDir(workingFolder()).removeRecursively(); }

    TessalyPanel& create() {
        panel = std::make_unique<TessalyPanel>(clock);
        panel->endProcess = [this] {
            ++processEnds;
        };
        return *panel;
    }

    TessalyPanel& start() {
        create();
        panel->Form_Load();
        return *panel;
    }

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

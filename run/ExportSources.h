#pragma once

#include "run/FileJoin.h"

#include <QString>
#include <QStringList>
#include <atomic>

// The texts of one step row as the export reads them: hours, minutes, seconds, left and right
// level.
struct StepTexts {
    QString hours;
    QString minutes;
    QString seconds;
    QString left;
    QString right;
};

// The source clips of one exported step, in joining order: the lead-in "A00.MC"; one ten-second
// clip "LR.MC" for a seconds remainder of 2..9; one per full ten seconds; then one minute clip
// "CLR.MC" per minute and per minute of the hours. Raises OverflowError for times no step field
// can hold.
[[nodiscard]] QStringList exportSourceList(const StepTexts& step);

// The path of the source clip name in folder: the exact name when it is there, otherwise the
// first name that differs only in case (installed clips are lower case, the export names upper
// case). Empty when neither exists.
[[nodiscard]] QString findSourceFile(const QString& folder, const QString& name);

// One step's join as the export hands it to its worker thread.
struct StepJoin {
    int step = 0;
    QStringList sourceNames;
    QString sourceFolder;
    QString destination;
};

// Finds every source of the step, then joins them into its destination. A source that cannot be
// found gives SourceMissing naming it, before anything is written.
[[nodiscard]] JoinOutcome joinStep(const StepJoin& job, const std::atomic<bool>& cancel,
                                   CopyMethod method = CopyMethod::Fastest);

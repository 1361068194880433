#pragma once

#include "base/Paths.h"

#include <QApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

// Runs the registered benchmarks inside one application object, with a throw-away HOME so that
// working folders and settings never touch the user's, and the offscreen platform unless
// another is asked for.
inline int runQtBenchmarks(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("TessalyBench"));
#ifdef TESSALY_PROGRAM_DIR
    setProgramFolder(QStringLiteral(TESSALY_PROGRAM_DIR));
#endif
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

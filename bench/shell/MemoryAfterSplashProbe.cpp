// Resident memory and threads once the splash has handed over: starts as the program does (the
// real video player plays the logo video during the splash, then the main panel), waits the
// given seconds after the hand-over and prints one line with the figures, and which of the
// heavy libraries are still mapped.
//   memory_after_splash_probe <program folder> [seconds after the hand-over, default 60]
#include "app/AppRoot.h"
#include "app/StartUp.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "intro/QtVideoPlayer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QTimer>
#include <cstdio>

namespace {

// A field of /proc/self/status, such as "VmRSS" (kB) or "Threads".
long statusField(const QByteArray& name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(name + ':')) {
            return line.mid(name.size() + 1).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// The names of this process's threads, with a count where several share one.
QString threadNames() {
    QMap<QString, int> names;
    for (const QString& task :
         QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(QStringLiteral("/proc/self/task/%1/comm").arg(task));
        if (comm.open(QIODevice::ReadOnly)) {
            ++names[QString::fromLocal8Bit(comm.readAll().trimmed())];
        }
    }
    QStringList parts;
    for (auto it = names.cbegin(); it != names.cend(); ++it) {
        parts << (it.value() > 1 ? QStringLiteral("%1 x%2").arg(it.key()).arg(it.value())
                                 : it.key());
    }
    return parts.join(QStringLiteral(", "));
}

bool mapped(const QByteArray& library) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ForceRasterWidgets); // as the program does
    QApplication app(argc, argv);
    if (argc > 1) {
        setProgramFolder(QString::fromLocal8Bit(argv[1]));
    }
    const int seconds = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 60;
    enterProgramFolder();
    const long threadsBefore = statusField("Threads");
    const long rssBefore = statusField("VmRSS");

    StartUp::Factories factories;
    factories.videoPlayer = [] {
        return std::make_unique<QtVideoPlayer>(QStringLiteral("Dorvex.jpg"));
    };
    factories.mainPanel = [&] {
        QTimer::singleShot(seconds * 1000, [&] {
            std::printf("before splash: %ld kB, %ld threads; %d s after hand-over: %ld kB "
                        "resident (anonymous %ld, files %ld, shared %ld; peak %ld kB), %ld "
                        "threads; mapped: LLVM %s, GL %s, "
                        "GStreamer %s; threads: %s\n",
                        rssBefore, threadsBefore, seconds, statusField("VmRSS"),
                        statusField("RssAnon"), statusField("RssFile"), statusField("RssShmem"),
                        statusField("VmHWM"), statusField("Threads"),
                        mapped("libLLVM") ? "yes" : "no", mapped("libGLX") ? "yes" : "no",
                        mapped("libgstreamer") ? "yes" : "no", qPrintable(threadNames()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
        return std::make_unique<AppRoot>(systemClock(), AppRoot::Sound::PlayerWindow);
    };
    StartUp startUp(systemClock(), programFolder(), std::move(factories));
    startUp.Main();
    QTimer::singleShot((seconds + 60) * 1000, [] { QCoreApplication::exit(1); });
    return QApplication::exec();
}

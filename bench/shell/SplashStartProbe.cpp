// Measures program start to the splash on screen: from the moment the kernel started this
// process to the splash's first paint, with the same start-up as the program's (application,
// program folder, the real video player). Prints one line with the milliseconds.
//   splash_start_probe <program folder>
#include "app/AppRoot.h"
#include "app/StartUp.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "intro/IntroWindow.h"
#include "intro/QtVideoPlayer.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

// Milliseconds since the process started, from its start time in /proc (in clock ticks).
double msSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold blanks.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double startTicks = fields.value(19).toDouble();
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

class FirstPaintProbe final : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && !m_done) {
            m_done = true;
            // Once this paint has been handed to the window system.
            QTimer::singleShot(0, [] {
                std::printf("start to splash painted: %.1f ms\n", msSinceProcessStart());
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_done = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1) {
        setProgramFolder(QString::fromLocal8Bit(argv[1]));
    }
    enterProgramFolder();
    StartUp::Factories factories;
    factories.videoPlayer = [] {
        return std::make_unique<QtVideoPlayer>(QStringLiteral("Dorvex.jpg"));
    };
    factories.mainPanel = [] {
        return std::unique_ptr<AppRoot>();
    };
    StartUp startUp(systemClock(), programFolder(), std::move(factories));
    startUp.Main();
    FirstPaintProbe probe;
    startUp.intro()->installEventFilter(&probe);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    return QApplication::exec();
}

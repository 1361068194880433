#include "intro/videohelper/Outbox.h"
#include "intro/videohelper/VideoHelper.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <unistd.h>

// The intro video helper: plays videos for the program in a process of its own, so the media
// back end, its codecs and their threads never load into the program, which runs for days
// after a few seconds of video. It ends when the program closes its standard input.
int main(int argc, char** argv) {
    // No screen of its own: the program paints the frames.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    Outbox out(STDOUT_FILENO);
    VideoHelper helper(out);

    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            return;
        }
        if (got <= 0) {
            input.setEnabled(false);
            QCoreApplication::quit();
            return;
        }
        pending.append(buffer, got);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            helper.command(pending.left(end));
            pending.remove(0, end + 1);
        }
    });
    return QGuiApplication::exec();
}

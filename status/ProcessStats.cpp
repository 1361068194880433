#include "status/ProcessStats.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

QByteArray readAll(const char* path) {
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

ProcessStats readProcessStats() {
    ProcessStats p;
#ifdef Q_OS_LINUX
    // The fields after the command name, which may hold spaces and parentheses itself.
    const QByteArray stat = readAll("/proc/self/stat");
    const qsizetype end = stat.lastIndexOf(')');
    const QList<QByteArray> f = end < 0 ? QList<QByteArray>() : stat.mid(end + 2).split(' ');
    // Field k of the man page is f[k - 3].
    if (f.size() > 21) {
        const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
        const double pageBytes = static_cast<double>(sysconf(_SC_PAGESIZE));
        p.cpuSeconds = (f[11].toDouble() + f[12].toDouble()) / ticks;
        p.virtualBytes = f[20].toDouble();
        p.residentBytes = f[21].toDouble() * pageBytes;
        for (const QByteArray& line : readAll("/proc/stat").split('\n')) {
            if (line.startsWith("btime ")) {
                p.startTimeSeconds = line.mid(6).toDouble() + f[19].toDouble() / ticks;
            }
        }
    }
    // Less the descriptor the listing itself holds open.
    const qsizetype fds =
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size();
    if (fds > 0) {
        p.openFds = static_cast<double>(fds - 1);
    }
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        p.maxFds = static_cast<double>(limit.rlim_cur);
    }
#endif
    return p;
}

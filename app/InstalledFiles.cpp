#include "app/InstalledFiles.h"

#include "InstalledFilesList.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace {

std::optional<ReleaseHook> hookNamed(QStringView name) {
    static const std::pair<const char*, ReleaseHook> hooks[] = {
        {"files", ReleaseHook::Files}, {"dll", ReleaseHook::Dll}, {"ocx", ReleaseHook::Ocx},
        {"mp4", ReleaseHook::Mp4},     {"chm", ReleaseHook::Chm}, {"tsy", ReleaseHook::Tsy}};
    for (const auto& [text, hook] : hooks) {
        if (name == QLatin1String(text)) {
            return hook;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<InstalledFile> parseInstalledFiles(const QString& text) {
    std::vector<InstalledFile> files;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        const QStringList cells = line.split(QLatin1Char('\t'));
        bool ok = false;
        const int step = cells.size() == 3 ? cells[0].toInt(&ok) : 0;
        const std::optional<ReleaseHook> hook =
            cells.size() == 3 ? hookNamed(cells[2].trimmed()) : std::nullopt;
        if (!ok || !hook || cells[1].isEmpty()) {
            return {};
        }
        files.push_back({step, cells[1], *hook});
    }
    return files;
}

namespace {

std::vector<InstalledFile> buildList() {
    std::vector<InstalledFile> files = parseInstalledFiles(QString::fromUtf8(kInstalledFilesList));
    if (files.empty()) {
        // A build fault: never a start-up that checks nothing.
        qFatal("The compiled-in installed-file list does not read");
    }
    return files;
}

} // namespace

const std::vector<InstalledFile>& installedFiles() {
    static const std::vector<InstalledFile> files = buildList();
    return files;
}

QString progressText(int step) {
    // Nearest whole percent of 131 steps, held below 100 until the very last step.
    int percent = static_cast<int>(std::lround(100.0 * step / 131.0));
    if (step < 133) {
        percent = std::min(percent, 99);
    } else {
        percent = 100;
    }
    return QStringLiteral("Loading.%1-%2%").arg(step).arg(percent);
}

QSet<QString> installedNamesIn(const QString& folder) {
    QSet<QString> names;
    // Without QDir::Hidden and QDir::System, hidden files, broken links and devices stay out.
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
    names.reserve(entries.size());
    for (const QString& entry : entries) {
        names.insert(entry.toLower());
    }
    return names;
}

QString findIgnoringCase(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const QFileInfo exact(dir.filePath(name));
    if (exact.isFile() && !exact.isHidden()) {
        return exact.filePath();
    }
    const QStringList entries = dir.entryList(QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0) {
            return dir.filePath(entry);
        }
    }
    return {};
}

InstalledFileCheck checkInstalledFiles(const QSet<QString>& presentLowerCase) {
    InstalledFileCheck result;
    for (const InstalledFile& file : installedFiles()) {
        if (!presentLowerCase.contains(file.name.toLower())) {
            result.missing = file.hook;
            return result;
        }
        result.lastFoundStep = file.step;
    }
    return result;
}

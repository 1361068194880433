#include "intro/InstalledFiles.h"

#include "InstalledFilesList.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
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
    // Without QDir::Hidden and QDir::System, hidden files, broken links and devices stay out.
    const QStringList entries = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
    return QSet<QString>(entries.begin(), entries.end());
}

bool isExportSourceName(const QString& name) {
    static const QRegularExpression exportSource(QStringLiteral("^(A00|C[0-9]{2}|[0-9]{2})\\.MC$"));
    return exportSource.match(name).hasMatch();
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

InstalledFileCheck checkInstalledFiles(const QSet<QString>& present) {
    // A name of another spelling counts as the operator's platform would count it, unless the
    // build installs that spelling for another purpose: the export source 57.MC is no loop clip
    // 57.mc, though the two differ only in case.
    QSet<QString> otherSpellings;
    for (const QString& name : present) {
        if (!isExportSourceName(name)) {
            otherSpellings.insert(name.toLower());
        }
    }
    InstalledFileCheck result;
    for (const InstalledFile& file : installedFiles()) {
        if (!present.contains(file.name) && !otherSpellings.contains(file.name.toLower())) {
            result.missing = file.hook;
            return result;
        }
        result.lastFoundStep = file.step;
    }
    return result;
}

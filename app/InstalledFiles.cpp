#include "app/InstalledFiles.h"

#include <QDir>
#include <QFileInfo>
#include <cmath>

namespace {

std::vector<InstalledFile> buildList() {
    std::vector<InstalledFile> files;
    auto add = [&files](int step, const char* name, ReleaseHook hook) {
        files.push_back({step, QString::fromLatin1(name), hook});
    };
    add(2, "Dorvex.mp4", ReleaseHook::Mp4);
    add(3, "Kelmira.mp4", ReleaseHook::Mp4);
    add(4, "Varnol.mp4", ReleaseHook::Mp4);
    add(5, "Help.CHM", ReleaseHook::Chm);
    add(6, "Help_Chinese.CHM", ReleaseHook::Chm);
    add(7, "Help_English.CHM", ReleaseHook::Chm);
    for (int clip = 0; clip <= 99; ++clip) {
        files.push_back({8 + clip, QStringLiteral("%1.mc").arg(clip, 2, 10, QLatin1Char('0')),
                         ReleaseHook::Files});
    }
    add(108, "Demo_0.TSY", ReleaseHook::Tsy);
    add(109, "organoid_0.TSY", ReleaseHook::Tsy);
    add(110, "stemcell_0.TSY", ReleaseHook::Tsy);
    add(111, "Test.TSY", ReleaseHook::Tsy);
    add(112, "tumorcell_0.TSY", ReleaseHook::Tsy);
    // The platform's own files of the original list have equivalents in this program folder:
    // the audio library, the export clips' first and last files (the clip generator writes them
    // first and last), the board simulator, the desktop icon and the program itself.
    add(114, "libbass.so", ReleaseHook::Dll);
    add(117, "A00.MC", ReleaseHook::Dll);
    add(118, "boardsim", ReleaseHook::Dll);
    add(121, "C99.MC", ReleaseHook::Dll);
    add(129, "tessaly.png", ReleaseHook::Ocx);
    add(130, "tessaly", ReleaseHook::Dll);
    add(132, "Dorvex.ICO", ReleaseHook::Chm);
    add(133, "Dorvex.jpg", ReleaseHook::Chm);
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

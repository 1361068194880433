#pragma once

#include <QSet>
#include <QString>
#include <optional>
#include <vector>

// What the splash calls when an installed file is missing. Each names a way the files could be
// put back; none is needed on this platform, where the package installs everything.
enum class ReleaseHook { Files, Dll, Ocx, Mp4, Chm, Tsy };

// One installed file and the progress step it shows once found.
struct InstalledFile {
    int step = 0;
    QString name;
    ReleaseHook hook = ReleaseHook::Files;
};

// Every installed file the splash looks for, in the order it looks (assets/installed-files.txt,
// compiled in). The step numbers have gaps.
const std::vector<InstalledFile>& installedFiles();
// The list from its text: "step<TAB>name<TAB>hook" lines, # comments; empty when a line is not.
std::vector<InstalledFile> parseInstalledFiles(const QString& text);

// The splash caption once the file of this step is found: "Loading.19-15%".
QString progressText(int step);

// The names of the ordinary, visible files of a folder. Folders, hidden files and special files
// are left out, so they count as missing.
QSet<QString> installedNamesIn(const QString& folder);
// The export's source clips the build installs beside the loop clips: A00.MC, 00.MC..99.MC,
// C00.MC..C99.MC, spelt exactly so.
bool isExportSourceName(const QString& name);

// The path of name in folder, matched without regard to case (exact spelling first); empty when
// there is no such ordinary file.
QString findIgnoringCase(const QString& folder, const QString& name);

// One pass of the check over the files present.
struct InstalledFileCheck {
    // The step of the last file found before the first missing one; 0 when the first is missing.
    int lastFoundStep = 0;
    // The first missing file's hook; none when every file is present.
    std::optional<ReleaseHook> missing;
    bool complete() const { return !missing.has_value(); }
};
// Each file is found by its exact name first, then, as the operator's platform would, by a name
// that differs only in case, but never by an export source clip's name.
InstalledFileCheck checkInstalledFiles(const QSet<QString>& present);

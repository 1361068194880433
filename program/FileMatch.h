#pragma once

#include <QString>
#include <QStringList>

// Names of the files that a path with optional wildcards (* and ?) in its last part matches,
// as a directory lookup gives them: plain files only, names without the folder. "*.*" also
// matches names without a dot. A full path of an existing file gives just its name.
QStringList matchingFileNames(const QString& pattern);

// The list text of those names: each followed by a line end, so it always ends with an empty
// line.
QString fileListText(const QStringList& names);

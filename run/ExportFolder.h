#pragma once

#include <QString>
#include <atomic>

// Readies the export folder: deletes every file in it (sub-folders and their contents stay) or
// creates it. Empty when ready, otherwise why not. Deleting large files takes the file system
// a while, so this runs off the window thread; cancel is looked at between files.
[[nodiscard]] QString prepareExportFolder(const QString& folder, const std::atomic<bool>& cancel);

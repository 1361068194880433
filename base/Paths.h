#pragma once

#include <QString>

// The folder of the executable and its installed files; the current folder while running.
QString programFolder();
// Points programFolder() elsewhere (tests run from their own build folders).
void setProgramFolder(const QString& folder);
// Makes the program folder the current folder, as clip, help and video names are relative.
bool enterProgramFolder();

// The working folder of the program files, with a trailing separator: $HOME/@TSY2022/.
QString workingFolder();
// The MP3 export folder, with a trailing separator: $HOME/@TSY2023MP3/.
QString exportFolder();

#pragma once

#include <QString>
#include <functional>

class QWidget;

// Lets the operator pick a program file (includeFiles) or a folder, starting at initialPath.
// Returns the full path, or an empty text when the operator cancels.
QString BrowseForPath(QWidget* owner, const QString& title, const QString& initialPath,
                      bool includeFiles, bool newStyle);

// Replaces the dialog (tests answer it); an empty function restores the dialog.
using FolderBrowserFunction =
    std::function<QString(QWidget* owner, const QString& title, const QString& initialPath)>;
void setFolderBrowser(FolderBrowserFunction browser);

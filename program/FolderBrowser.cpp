#include "program/FolderBrowser.h"

#include <QFileDialog>

namespace {
FolderBrowserFunction g_browser;
}

QString BrowseForPath(QWidget* owner, const QString& title, const QString& initialPath,
                      bool includeFiles, bool /*newStyle: the host dialog always has it*/) {
    // A window title is one line; the leading line break only placed the shell dialog's text.
    const QString caption = title.trimmed();
    if (g_browser) {
        return g_browser(owner, caption, initialPath);
    }
    if (includeFiles) {
        return QFileDialog::getOpenFileName(
            owner, caption, initialPath,
            QStringLiteral("Program files (*.TSY *.tsy);;All files (*)"));
    }
    return QFileDialog::getExistingDirectory(owner, caption, initialPath);
}

void setFolderBrowser(FolderBrowserFunction browser) {
    g_browser = std::move(browser);
}

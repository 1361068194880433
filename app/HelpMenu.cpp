#include "app/HelpMenu.h"

#include "base/MessageBoxes.h"
#include "base/Paths.h"
#include "help/HelpViewer.h"
#include "intro/InstalledFiles.h"
#include "panel/TessalyPanel.h"

#include <QAction>
#include <QDir>

HelpMenu::HelpMenu(TessalyPanel& panel) : m_panel(panel) {
    connect(m_panel.版权, &QAction::triggered, this, [this] { showCopyright(); });
    connect(m_panel.Help_Chinese, &QAction::triggered, this,
            [this] { openHelp(QStringLiteral("Help_Chinese.chm")); });
    connect(m_panel.Help_English, &QAction::triggered, this,
            [this] { openHelp(QStringLiteral("Help_English.chm")); });
}

void HelpMenu::showCopyright() {
    showMessage(&m_panel,
                QStringLiteral("Dorvex-20230210 cell-culture controller\r\n"
                               "Copyright (C) 2023 Dorvex. All rights reserved.\r\n\r\n"
                               "This software is licensed for use with Dorvex culture rigs. "
                               "It may not be copied or passed on without the written "
                               "permission of Dorvex."),
                QStringLiteral("Dorvex"), MessageButtons::Ok, MessageIcon::None);
}

void HelpMenu::openHelp(const QString& fileName) {
    // Installed as Help_English.CHM: names are matched as the operator's platform would.
    QString path = findIgnoringCase(programFolder(), fileName);
    if (path.isEmpty()) {
        // The viewer says in its own window that the file is not there.
        path = QDir(programFolder()).filePath(fileName);
    }
    HelpViewer::showFile(path, &m_panel);
}

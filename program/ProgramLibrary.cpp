#include "program/ProgramLibrary.h"

#include "app/Paths.h"
#include "program/ClickableLabel.h"
#include "program/FolderBrowser.h"
#include "program/SaveAsWindow.h"
#include "program/TessalyPanel.h"
#include "program/WorkingFolderListWindow.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

ProgramLibrary::ProgramLibrary(TessalyPanel& panel) : m_panel(panel) {}

ProgramLibrary::~ProgramLibrary() = default;

const QStringList& ProgramLibrary::sampleNames() {
    static const QStringList names = {QStringLiteral("Demo_0.TSY"),
                                      QStringLiteral("organoid_0.TSY"),
                                      QStringLiteral("stemcell_0.TSY"), QStringLiteral("Test.TSY"),
                                      QStringLiteral("tumorcell_0.TSY")};
    return names;
}

void ProgramLibrary::创建工作文件夹() {
    const QString folder = workingFolder();
    if (!QDir(folder).exists()) {
        QDir().mkdir(folder);
    }
}

QStringList ProgramLibrary::copySamples() {
    QStringList failed;
    const QDir source(programFolder());
    for (const QString& name : sampleNames()) {
        const QString target = workingFolder() + name;
        if (QFileInfo::exists(target)) {
            continue;
        }
        // QFile::copy never replaces an existing file.
        if (!QFile::copy(source.filePath(name), target)) {
            failed << name;
        }
    }
    return failed;
}

void ProgramLibrary::loadByBrowsing() {
    const QString path = BrowseForPath(&m_panel, QStringLiteral("\r\nPlease select a folder:"),
                                       m_panel.programPath(), true, true);
    if (path.isEmpty()) {
        return;
    }
    loadProgram(path);
}

bool ProgramLibrary::loadProgram(const QString& path) {
    const QString status = m_panel.读取程序(path, [this, &path] {
        m_panel.setProgramPath(path);
        m_panel.微泵程序->repaint();
        另存窗口& saveAs = saveAsWindow();
        saveAs.Label1->setText(m_panel.programPath());
        saveAs.Label1->repaint();
    });
    if (status.isEmpty()) {
        return false;
    }
    m_panel.Label26->setText(status);
    return true;
}

void ProgramLibrary::showSaveAs() {
    另存窗口& window = saveAsWindow();
    window.show();
    window.raise();
}

void ProgramLibrary::showWorkingFolderList() {
    列工作目录文件名& window = workingFolderList();
    window.show();
    window.raise();
    window.显示工作目录文件();
}

另存窗口& ProgramLibrary::saveAsWindow() {
    if (!m_saveAs) {
        m_saveAs = std::make_unique<另存窗口>(m_panel);
    }
    return *m_saveAs;
}

void ProgramLibrary::unloadSaveAsWindow() {
    if (m_saveAs) {
        // Unloading may come from the window's own button, so it goes away once that returns.
        m_saveAs->hide();
        m_saveAs.release()->deleteLater();
    }
}

列工作目录文件名& ProgramLibrary::workingFolderList() {
    if (!m_list) {
        m_list = std::make_unique<列工作目录文件名>(m_panel);
    }
    return *m_list;
}

void ProgramLibrary::unloadWorkingFolderList() {
    if (m_list) {
        m_list->hide();
        m_list.release()->deleteLater();
    }
}

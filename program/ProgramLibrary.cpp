#include "program/ProgramLibrary.h"

#include "base/Paths.h"
#include "program/ClickableLabel.h"
#include "program/FolderBrowser.h"
#include "program/ProgramEditor.h"
#include "program/SaveAsWindow.h"
#include "program/WorkingFolderListWindow.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>

ProgramLibrary::ProgramLibrary(ProgramEditor& editor, QWidget* owner, ProgramLibraryWindows windows)
    : m_editor(editor), m_owner(owner), m_windows(std::move(windows)) {}

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

QString ProgramLibrary::programPath() const {
    return m_editor.programPath();
}

void ProgramLibrary::setProgramPath(const QString& path) {
    m_editor.setProgramPath(path);
}

void ProgramLibrary::releaseProgramPath() {
    setProgramPath(workingFolder());
}

bool ProgramLibrary::namesAProgramFile() const {
    const QString path = programPath();
    return !path.isEmpty() && !path.endsWith(QLatin1Char('/')) && !path.endsWith(QDir::separator());
}

void ProgramLibrary::loadByBrowsing() {
    const QString path = BrowseForPath(m_owner, QStringLiteral("\r\nPlease select a folder:"),
                                       programPath(), true, true);
    if (path.isEmpty()) {
        return;
    }
    loadProgram(path);
}

bool ProgramLibrary::loadProgram(const QString& path) {
    const QString status = m_editor.读取程序(path, [this, &path] {
        setProgramPath(path);
        m_editor.view().微泵程序->repaint();
        另存窗口& saveAs = saveAsWindow();
        saveAs.Label1->setText(programPath());
        saveAs.Label1->repaint();
    });
    if (status.isEmpty()) {
        return false;
    }
    m_editor.view().Label26->setText(status);
    return true;
}

bool ProgramLibrary::按照微泵程序的caption保存程序() {
    m_editor.读取输入值();
    const QString status = m_editor.保存程序(programPath());
    if (status.isEmpty()) {
        return false;
    }
    m_editor.view().Label26->setText(status);
    return true;
}

void ProgramLibrary::save() {
    if (namesAProgramFile()) {
        按照微泵程序的caption保存程序();
    } else {
        showSaveAs();
    }
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
        m_saveAs = m_windows.saveAs(*this);
    }
    return *m_saveAs;
}

void ProgramLibrary::unloadSaveAsWindow() {
    if (m_saveAs) {
        // Unloading may come from the window's own button or close box, so it goes away once
        // that returns.
        m_saveAs->hide();
        m_saveAs.release()->deleteLater();
    }
}

列工作目录文件名& ProgramLibrary::workingFolderList() {
    if (!m_list) {
        m_list = m_windows.workingFolderList(*this);
    }
    return *m_list;
}

void ProgramLibrary::unloadWorkingFolderList() {
    if (m_list) {
        m_list->hide();
        m_list.release()->deleteLater();
    }
}

#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class ProgramEditor;
class QWidget;
class 另存窗口;
class 列工作目录文件名;
class ProgramLibrary;

// Makes the library's windows when they are first referred to; the composition root gives
// these, so that it alone constructs windows.
struct ProgramLibraryWindows {
    std::function<std::unique_ptr<另存窗口>(ProgramLibrary&)> saveAs;
    std::function<std::unique_ptr<列工作目录文件名>(ProgramLibrary&)> workingFolderList;
};

// The program files as files: the working folder and its samples, load by browsing, save,
// save as, and the working-folder list. The current program is the program frame's caption.
class ProgramLibrary {
public:
    // owner parents the browse dialog; the windows are made on first use and unloaded by
    // the library (they must not outlive it).
    ProgramLibrary(ProgramEditor& editor, QWidget* owner, ProgramLibraryWindows windows);
    ~ProgramLibrary();

    // The sample programs installed beside the executable, in copying order.
    static const QStringList& sampleNames();

    // Creates the working folder (its last level only) when it is not there.
    void 创建工作文件夹();
    // Copies each sample that the working folder lacks; never overwrites. Returns the
    // samples that could not be copied.
    QStringList copySamples();

    // The current program path: the caption of the program frame.
    QString programPath() const;
    void setProgramPath(const QString& path);
    // After a program could not be read at start-up: the panel no longer claims that file
    // (the caption shows the working folder), so Save asks for a name instead of writing
    // the empty table over it.
    void releaseProgramPath();
    // Whether the caption names a file that Save may write.
    bool namesAProgramFile() const;

    // Menu "Load": browse for a program file and load it.
    void loadByBrowsing();
    // Loads path as the current program: the caption, the save-as window and the status
    // follow only when the whole file is good. Returns whether it was loaded.
    bool loadProgram(const QString& path);
    // Recomputes and saves under the caption; false after a failure shown to the operator.
    bool 按照微泵程序的caption保存程序();
    // Menu "Save": as above, or the save-as window when the caption names no file.
    void save();
    // Menu "Save as".
    void showSaveAs();
    // Menu of the working folder: the list window.
    void showWorkingFolderList();

    // The save-as window, loaded hidden when it is not loaded yet.
    另存窗口& saveAsWindow();
    bool isSaveAsWindowLoaded() const { return m_saveAs != nullptr; }
    void unloadSaveAsWindow();
    列工作目录文件名& workingFolderList();
    void unloadWorkingFolderList();

private:
    ProgramEditor& m_editor;
    QWidget* m_owner;
    ProgramLibraryWindows m_windows;
    std::unique_ptr<另存窗口> m_saveAs;
    std::unique_ptr<列工作目录文件名> m_list;
};

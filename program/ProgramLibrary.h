#pragma once

#include <QString>
#include <QStringList>
#include <memory>

class TessalyPanel;
class 另存窗口;
class 列工作目录文件名;

// The program files as files: the working folder and its samples, load by browsing, save,
// save as, and the working-folder list. The current program is the program frame's caption.
class ProgramLibrary {
public:
    explicit ProgramLibrary(TessalyPanel& panel);
    ~ProgramLibrary();

    // The sample programs installed beside the executable, in copying order.
    static const QStringList& sampleNames();

    // Creates the working folder (its last level only) when it is not there.
    void 创建工作文件夹();
    // Copies each sample that the working folder lacks; never overwrites. Returns the
    // samples that could not be copied.
    QStringList copySamples();

    // Menu "Load": browse for a program file and load it.
    void loadByBrowsing();
    // Loads path as the current program: the caption, the save-as window and the status
    // follow only when the whole file is good. Returns whether it was loaded.
    bool loadProgram(const QString& path);
    // Menu "Save as".
    void showSaveAs();
    // Menu of the working folder: the list window.
    void showWorkingFolderList();

    // The save-as window, loaded hidden when it is not loaded yet.
    另存窗口& saveAsWindow();
    bool isSaveAsWindowLoaded() const { return m_saveAs != nullptr; }
    void unloadSaveAsWindow();
    列工作目录文件名& workingFolderList();
    bool isWorkingFolderListLoaded() const { return m_list != nullptr; }
    void unloadWorkingFolderList();

private:
    TessalyPanel& m_panel;
    std::unique_ptr<另存窗口> m_saveAs;
    std::unique_ptr<列工作目录文件名> m_list;
};

#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class ProgramLibrary;

// Lists the files of the working folder; a double-click loads one.
class 列工作目录文件名 : public QWidget {
public:
    列工作目录文件名(QWidget& owner, ProgramLibrary& library);

    void 显示工作目录文件();
    void File1_DblClick();

    QListWidget* File1 = nullptr;
    QLabel* Label1 = nullptr;

private:
    ProgramLibrary& m_library;
};

#pragma once

#include <QWidget>

class QLabel;
class QListWidget;
class TessalyPanel;

// Lists the files of the working folder; a double-click loads one.
class 列工作目录文件名 : public QWidget {
public:
    explicit 列工作目录文件名(TessalyPanel& panel);

    void 显示工作目录文件();
    void File1_DblClick();

    QListWidget* File1 = nullptr;
    QLabel* Label1 = nullptr;

private:
    TessalyPanel& m_panel;
};

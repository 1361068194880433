#pragma once

#include <QWidget>

class ClickableLabel;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ProgramLibrary;

// The save-as window: a target path, the files that match it, and the button that saves the
// current program there. Closing it unloads it, so its next opening starts from the current
// program path again.
class 另存窗口 : public QWidget {
public:
    另存窗口(QWidget& owner, ProgramLibrary& library);

    void Form_Load();
    void Label1_Click();
    void Command1_Click();
    void 显示文件夹所有文件();

    ClickableLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QLineEdit* Text1 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Text2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    ProgramLibrary& m_library;
};

#include "program/SaveAsWindow.h"

#include "base/MessageBoxes.h"
#include "base/Twips.h"
#include "program/ClickableLabel.h"
#include "program/FileMatch.h"
#include "program/ProgramLibrary.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

另存窗口::另存窗口(QWidget& owner, ProgramLibrary& library)
    : QWidget(&owner, Qt::Window), m_library(library) {
    setObjectName(QStringLiteral("另存窗口"));
    setWindowTitle(QStringLiteral("Save AS"));
    resize(twips(7700), twips(4500));

    const QString defaultPath = library.programPath();
    Label1 = new ClickableLabel(defaultPath, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleDescription(QStringLiteral("Current program path"));
    Label1->setGeometry(twipsRect(120, 160, 6000, 300));
    Label1->onClick = [this] {
        Label1_Click();
    };

    Command1 = new QPushButton(QStringLiteral("Save As "), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(6240, 120, 1300, 380));

    Text1 = new QLineEdit(defaultPath, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Save as path"));
    Text1->setGeometry(twipsRect(120, 600, 7420, 330));

    Label2 = new QLabel(QStringLiteral("Files here"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(120, 1080, 3000, 270));

    Text2 = new QPlainTextEdit(this);
    Text2->setObjectName(QStringLiteral("Text2"));
    Text2->setAccessibleName(QStringLiteral("Matching files"));
    Text2->setReadOnly(true);
    Text2->setGeometry(twipsRect(120, 1400, 7420, 2900));

    QObject::connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    QObject::connect(Text1, &QLineEdit::textChanged, this, [this] { 显示文件夹所有文件(); });
    Form_Load();
}

void 另存窗口::Form_Load() {
    Label1->setText(m_library.programPath());
    Label1->repaint();
    Text1->setText(Label1->text());
    Text1->repaint();
    显示文件夹所有文件();
}

void 另存窗口::Label1_Click() {
    Text1->setText(Label1->text());
}

void 另存窗口::显示文件夹所有文件() {
    Text2->setPlainText(fileListText(matchingFileNames(Text1->text())));
}

void 另存窗口::Command1_Click() {
    const QString target = Text1->text();
    if (!matchingFileNames(target).isEmpty() &&
        showMessage(this, QStringLiteral("覆盖原来的文件吗?"), {}, MessageButtons::YesNo) ==
            MessageAnswer::No) {
        return;
    }
    const QString previous = m_library.programPath();
    m_library.setProgramPath(target);
    Label1->setText(m_library.programPath());
    Label1->repaint();
    if (!m_library.按照微泵程序的caption保存程序()) {
        // The program was not written there, so it is still the file it came from.
        m_library.setProgramPath(previous);
        Label1->setText(previous);
        return;
    }
    showMessage(this, QStringLiteral("File saved"));
    m_library.unloadSaveAsWindow();
}

void 另存窗口::closeEvent(QCloseEvent* event) {
    event->accept();
    m_library.unloadSaveAsWindow();
}

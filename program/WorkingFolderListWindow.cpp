#include "program/WorkingFolderListWindow.h"

#include "base/MessageBoxes.h"
#include "base/Paths.h"
#include "base/Twips.h"
#include "program/ProgramLibrary.h"

#include <QDir>
#include <QLabel>
#include <QListWidget>

列工作目录文件名::列工作目录文件名(QWidget& owner, ProgramLibrary& library)
    : QWidget(&owner, Qt::Window), m_library(library) {
    setObjectName(QStringLiteral("列工作目录文件名"));
    setWindowTitle(QStringLiteral("Form1"));
    resize(twips(5200), twips(5000));

    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    File1->setAccessibleName(QStringLiteral("Working folder files"));
    File1->setGeometry(twipsRect(120, 120, 4960, 4200));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAccessibleDescription(QStringLiteral("Picked file"));
    Label1->setGeometry(twipsRect(120, 4440, 4960, 300));

    QObject::connect(File1, &QListWidget::itemDoubleClicked, this, [this] { File1_DblClick(); });
}

void 列工作目录文件名::显示工作目录文件() {
    File1->clear();
    File1->addItems(QDir(workingFolder()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase));
}

void 列工作目录文件名::File1_DblClick() {
    const QListWidgetItem* item = File1->currentItem();
    if (item == nullptr) {
        return;
    }
    Label1->setText(workingFolder() + item->text());
    const QString path = Label1->text();
    if (showMessage(this, QStringLiteral("Load ") + path, {}, MessageButtons::YesNo) ==
        MessageAnswer::No) {
        return;
    }
    if (!m_library.loadProgram(path)) {
        return;
    }
    showMessage(this, QStringLiteral("File \r\n") + path + QStringLiteral("\r\n has been loaded."));
    hide();
}

#include "status/ShareStatusWindow.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

ShareStatusWindow::ShareStatusWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Share run status"));
    setObjectName(QStringLiteral("ShareStatusWindow"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(
        QStringLiteral("A read-only page in any browser shows the run as it goes: the step and its "
                       "countdown, the readings, the relays and the boards. Nothing can be "
                       "changed from the page."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    shareCheck = new QCheckBox(QStringLiteral("Share run status"), this);
    shareCheck->setObjectName(QStringLiteral("shareCheck"));
    layout->addWidget(shareCheck);

    thisComputer = new QRadioButton(QStringLiteral("This computer only"), this);
    thisComputer->setObjectName(QStringLiteral("thisComputer"));
    localNetwork = new QRadioButton(QStringLiteral("Local network"), this);
    localNetwork->setObjectName(QStringLiteral("localNetwork"));
    layout->addWidget(thisComputer);
    layout->addWidget(localNetwork);
    networkWarning = new QLabel(QStringLiteral("Anyone on the network who has the link can watch "
                                               "the run."),
                                this);
    networkWarning->setObjectName(QStringLiteral("networkWarning"));
    networkWarning->setWordWrap(true);
    networkWarning->setStyleSheet(QStringLiteral("color: #a00000;"));
    layout->addWidget(networkWarning);

    auto* form = new QFormLayout;
    port = new QSpinBox(this);
    port->setObjectName(QStringLiteral("port"));
    port->setRange(1, 65535);
    port->setAccessibleName(QStringLiteral("Status page port"));
    form->addRow(QStringLiteral("Port"), port);
    link = new QLineEdit(this);
    link->setObjectName(QStringLiteral("link"));
    link->setReadOnly(true);
    link->setMinimumWidth(420);
    link->setAccessibleName(QStringLiteral("Status page link"));
    form->addRow(QStringLiteral("Link"), link);
    layout->addLayout(form);

    auto* buttons = new QHBoxLayout;
    copyLink = new QPushButton(QStringLiteral("Copy link"), this);
    copyLink->setObjectName(QStringLiteral("copyLink"));
    newToken = new QPushButton(QStringLiteral("New token"), this);
    newToken->setObjectName(QStringLiteral("newToken"));
    closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("closeButton"));
    buttons->addWidget(copyLink);
    buttons->addWidget(newToken);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    state = new QLabel(this);
    state->setObjectName(QStringLiteral("state"));
    state->setWordWrap(true);
    state->setAccessibleDescription(QStringLiteral("Status page state"));
    layout->addWidget(state);
}

#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

// File > "Share run status...": whether the read-only status page is on, who can reach it,
// its port and its link. Only builds and lays out the controls; the status page drives them.
class ShareStatusWindow : public QWidget {
public:
    explicit ShareStatusWindow(QWidget* parent = nullptr);

    QCheckBox* shareCheck = nullptr;
    QRadioButton* thisComputer = nullptr;
    QRadioButton* localNetwork = nullptr;
    QLabel* networkWarning = nullptr;
    QSpinBox* port = nullptr;
    QLineEdit* link = nullptr;
    QPushButton* copyLink = nullptr;
    QPushButton* newToken = nullptr;
    QLabel* state = nullptr;
    QPushButton* closeButton = nullptr;
};

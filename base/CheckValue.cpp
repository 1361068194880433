#include "base/CheckValue.h"

#include <QCheckBox>

int checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void keepGreyedForCodeOnly(QCheckBox* box) {
    QObject::connect(box, &QCheckBox::stateChanged, box, [box](int state) {
        if (state != Qt::PartiallyChecked) {
            box->setTristate(false);
        }
    });
}

void setCheckValue(QCheckBox* box, int value) {
    if (value == 2) {
        box->setTristate(true);
        box->setCheckState(Qt::PartiallyChecked);
        return;
    }
    box->setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
    box->setTristate(false);
}

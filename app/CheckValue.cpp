#include "app/CheckValue.h"

#include <QCheckBox>

int checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked: return 1;
    case Qt::PartiallyChecked: return 2;
    default: return 0;
    }
}

void setCheckValue(QCheckBox* box, int value) {
    if (value == 2) {
        box->setCheckState(Qt::PartiallyChecked);
        // Greyed is a stored value only: the operator's clicks still toggle between 0 and 1.
        box->setTristate(false);
        return;
    }
    box->setCheckState(value == 1 ? Qt::Checked : Qt::Unchecked);
}

#pragma once

class QCheckBox;

// A check box's value as the program and its files count it: 0 unticked, 1 ticked, 2 greyed.
int checkValue(const QCheckBox* box);
// Sets the value; 2 shows the box greyed.
void setCheckValue(QCheckBox* box, int value);
// Greyed (2) is a stored value only: once the box leaves it, the operator's clicks toggle
// between 0 and 1 again. Connect this before any other handler of the box.
void keepGreyedForCodeOnly(QCheckBox* box);

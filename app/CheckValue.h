#pragma once

class QCheckBox;

// A check box's value as the program and its files count it: 0 unticked, 1 ticked, 2 greyed.
int checkValue(const QCheckBox* box);
// Sets the value; anything outside 0..2 is refused by the caller's checks, never here.
void setCheckValue(QCheckBox* box, int value);

#include "panel/TessalyPanel.h"

TessalyPanel::TessalyPanel(QWidget* parent) : QMainWindow(parent) {
    layOutMainPanel(*this, *this);
}

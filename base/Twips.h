#pragma once

#include <QRect>

// Window geometry is given in twips (1/1440 inch): 15 twips per pixel at 96 dpi.
// Converts to pixels for the primary screen's logical dpi.
int twips(int t);
QRect twipsRect(int left, int top, int width, int height);

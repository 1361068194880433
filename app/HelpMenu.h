#pragma once

#include <QObject>

class QString;
class TessalyPanel;

// The main panel's Copyright and Help items: the copyright box, and the two help files in the
// built-in viewer.
class HelpMenu : public QObject {
public:
    // Wires the three items; the panel outlives this object.
    explicit HelpMenu(TessalyPanel& panel);

private:
    void showCopyright();
    void openHelp(const QString& fileName);

    TessalyPanel& m_panel;
};

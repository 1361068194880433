#pragma once

#include "help/ChmFile.h"

#include <QTextBrowser>
#include <functional>

// A text browser whose pages, style sheets and images come from a help file. Links inside the
// file are followed (relative ones against the current page); links that point outside go to
// the external link handler and never replace the page.
class HelpBrowser : public QTextBrowser {
public:
    explicit HelpBrowser(QWidget* parent = nullptr);

    void setHelpFile(const ChmFile& file);
    // Called with links outside the help file; by default they open in the system's browser.
    void setExternalLinkHandler(std::function<void(const QUrl&)> handler);

    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    ChmFile m_file;
    std::function<void(const QUrl&)> m_external;
};

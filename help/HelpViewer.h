#pragma once

#include "help/ChmFile.h"

#include <QHash>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <functional>

class HelpBrowser;
class QLabel;
class QStackedWidget;
class QTextBrowser;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

// The built-in help window: the contents of a help file as a tree on the left, its pages on
// the right, back and forward above. A file that cannot be opened is reported inside the
// window, in plain words; nothing is thrown.
class HelpViewer : public QWidget {
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // Shows the help file in a window of its own: raises the window already showing that file,
    // or opens a new one that deletes itself when closed. Never fails; a file that cannot be
    // opened is explained in the window. Returns that window.
    static HelpViewer* showFile(const QString& path, QWidget* parent = nullptr);

    // Opens the file and shows its start page; false when it cannot be opened (or its start
    // page not read), and the window then says why.
    bool openFile(const QString& path);
    // Shows a page of the open file ("/sub/page.html", "sub/page.html#part").
    void showPage(const QString& objectPath);

    QString filePath() const { return m_file.path(); }
    const ChmFile& file() const { return m_file; }
    // The object path of the page shown ("/index.html"), empty when none.
    QString currentPage() const;
    QUrl currentUrl() const;
    // Empty while a file is shown; else the sentence the window shows.
    QString errorText() const { return m_errorText; }

    QTreeWidget* contentsTree() const { return m_tree; }
    QTextBrowser* browser() const;
    QToolButton* backButton() const { return m_back; }
    QToolButton* forwardButton() const { return m_forward; }
    // Links that point outside the file go here (default: the system's browser).
    void setExternalLinkHandler(std::function<void(const QUrl&)> handler);

private:
    void showError(const QString& text);
    void fillTree(const QList<HelpTopic>& topics, QTreeWidgetItem* parent);
    void selectEntryFor(const QUrl& url);

    ChmFile m_file;
    QString m_errorText;
    QStackedWidget* m_pages = nullptr;
    QTreeWidget* m_tree = nullptr;
    HelpBrowser* m_browser = nullptr;
    QLabel* m_error = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QHash<QString, QTreeWidgetItem*> m_entries; // topic key -> first entry that shows it
};

#include "help/HelpViewer.h"

#include "help/HelpBrowser.h"
#include "help/HelpLinks.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kLocalRole = Qt::UserRole;

QToolButton* historyButton(QWidget* parent, const QString& caption, QStyle::StandardPixmap icon,
                           const QKeySequence& key) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAccessibleName(caption);
    button->setShortcut(key);
    button->setEnabled(false);
    return button;
}

} // namespace

HelpViewer::HelpViewer(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpViewer"));
    resize(900, 620);

    m_back = historyButton(this, QStringLiteral("Back"), QStyle::SP_ArrowBack,
                           QKeySequence(Qt::ALT | Qt::Key_Left));
    m_forward = historyButton(this, QStringLiteral("Forward"), QStyle::SP_ArrowForward,
                              QKeySequence(Qt::ALT | Qt::Key_Right));
    m_back->setObjectName(QStringLiteral("helpBack"));
    m_forward->setObjectName(QStringLiteral("helpForward"));

    m_tree = new QTreeWidget;
    m_tree->setObjectName(QStringLiteral("helpContents"));
    m_tree->setAccessibleName(QStringLiteral("Help contents"));
    m_tree->setHeaderHidden(true);
    m_tree->setColumnCount(1);

    m_browser = new HelpBrowser;
    m_browser->setObjectName(QStringLiteral("helpPage"));
    m_browser->setAccessibleName(QStringLiteral("Help page"));

    auto* splitter = new QSplitter(Qt::Horizontal);
    splitter->addWidget(m_tree);
    splitter->addWidget(m_browser);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 3);
    splitter->setSizes({240, 660});

    m_error = new QLabel;
    m_error->setObjectName(QStringLiteral("helpError"));
    // File and folder names are shown as written, never read as markup.
    m_error->setTextFormat(Qt::PlainText);
    m_error->setWordWrap(true);
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_error->setMargin(24);

    m_pages = new QStackedWidget;
    m_pages->addWidget(splitter);
    m_pages->addWidget(m_error);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_back);
    buttons->addWidget(m_forward);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_pages, 1);

    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this,
            [this](const QUrl& url) { selectEntryFor(url); });
    // Signals are blocked while the tree follows the browser, so these see only the reader.
    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item && !item->data(0, kLocalRole).toString().isEmpty()) {
            showPage(item->data(0, kLocalRole).toString());
        }
    });
    connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && !item->data(0, kLocalRole).toString().isEmpty()) {
            showPage(item->data(0, kLocalRole).toString());
        }
    });
}

HelpViewer* HelpViewer::showFile(const QString& path, QWidget* parent) {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* viewer = dynamic_cast<HelpViewer*>(widget);
        if (viewer && viewer->m_errorText.isEmpty() &&
            QFileInfo(viewer->filePath()).absoluteFilePath() == wanted) {
            viewer->show();
            viewer->raise();
            viewer->activateWindow();
            return viewer;
        }
    }
    auto* viewer = new HelpViewer(parent);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->openFile(path);
    viewer->show();
    return viewer;
}

bool HelpViewer::openFile(const QString& path) {
    m_entries.clear();
    m_tree->clear();
    m_browser->clearHistory();
    m_browser->clear();
    m_browser->setHelpFile(ChmFile());
    if (!m_file.open(path)) {
        showError(m_file.errorString());
        return false;
    }
    const QFileInfo info(path);
    const QString start = m_file.startPage();
    if (start.isEmpty() || !m_file.read(start)) {
        const QString what = start.isEmpty()
                                 ? QStringLiteral("it holds no page to show")
                                 : QStringLiteral("its start page %1 could not be read").arg(start);
        showError(QStringLiteral("The help file %1 in %2 is damaged: %3.")
                      .arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()), what));
        m_file.close();
        return false;
    }
    m_errorText.clear();
    setWindowTitle(m_file.title().isEmpty() ? info.fileName() : m_file.title());
    m_browser->setHelpFile(m_file);
    {
        const QSignalBlocker blocker(m_tree);
        fillTree(m_file.contents(), nullptr);
    }
    m_pages->setCurrentIndex(0);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    showPage(start);
    return true;
}

void HelpViewer::showPage(const QString& objectPath) {
    const qsizetype hash = objectPath.indexOf(QLatin1Char('#'));
    const QString fragment = hash >= 0 ? objectPath.mid(hash + 1) : QString();
    m_browser->setSource(helpUrl(objectPath, fragment));
}

QString HelpViewer::currentPage() const {
    if (!m_errorText.isEmpty() || m_browser->source().isEmpty()) {
        return {};
    }
    return helpPathOf(m_browser->source()).value_or(QString());
}

QUrl HelpViewer::currentUrl() const {
    return m_browser->source();
}

QTextBrowser* HelpViewer::browser() const {
    return m_browser;
}

void HelpViewer::setExternalLinkHandler(std::function<void(const QUrl&)> handler) {
    m_browser->setExternalLinkHandler(std::move(handler));
}

void HelpViewer::showError(const QString& text) {
    m_errorText = text;
    m_error->setText(text);
    m_pages->setCurrentIndex(1);
    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    setWindowTitle(QFileInfo(m_file.path()).fileName());
}

void HelpViewer::fillTree(const QList<HelpTopic>& topics, QTreeWidgetItem* parent) {
    for (const HelpTopic& topic : topics) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, topic.name);
        if (!topic.local.isEmpty()) {
            item->setData(0, kLocalRole, topic.local);
            const qsizetype hash = topic.local.indexOf(QLatin1Char('#'));
            const QString key =
                helpTopicKey(topic.local, hash >= 0 ? topic.local.mid(hash + 1) : QString());
            if (!m_entries.contains(key)) {
                m_entries.insert(key, item);
            }
        }
        fillTree(topic.children, item);
    }
}

void HelpViewer::selectEntryFor(const QUrl& url) {
    const auto path = helpPathOf(url);
    QTreeWidgetItem* item = nullptr;
    if (path) {
        item = m_entries.value(helpTopicKey(*path, url.fragment()));
        if (!item) {
            item = m_entries.value(helpTopicKey(*path));
        }
    }
    const QSignalBlocker blocker(m_tree);
    m_tree->setCurrentItem(item);
    if (item) {
        m_tree->scrollToItem(item);
    } else {
        m_tree->clearSelection();
    }
}

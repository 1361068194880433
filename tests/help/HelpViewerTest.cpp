#include "help/HelpViewer.h"
#include "tests/harness/TestHarness.h"

#include <QFile>
#include <QLabel>
#include <QTextBrowser>
#include <QToolButton>
#include <QTreeWidget>

namespace {

const QString kFixture = QStringLiteral(TESSALY_HELP_FIXTURE);
const QString kSecond = QStringLiteral(TESSALY_HELP_SECOND);

// Clicks the link whose text is shown in the browser, as a reader would.
bool clickLink(QTextBrowser* browser, const QString& text) {
    const QTextCursor found = browser->document()->find(text);
    if (found.isNull()) {
        return false;
    }
    QTextCursor inside = found;
    inside.setPosition(found.selectionStart() + 1);
    browser->setTextCursor(inside);
    browser->ensureCursorVisible();
    const QPoint point = browser->cursorRect(inside).center();
    QTest::mouseClick(browser->viewport(), Qt::LeftButton, {}, point);
    return true;
}

QString currentEntry(const HelpViewer& viewer) {
    const QTreeWidgetItem* item = viewer.contentsTree()->currentItem();
    return item ? item->text(0) : QString();
}

} // namespace

class HelpViewerTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_viewer = std::make_unique<HelpViewer>();
        m_external.clear();
        m_viewer->setExternalLinkHandler([this](const QUrl& url) { m_external << url; });
        m_viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_viewer.get()));
    }
    void cleanup() { m_viewer.reset(); }

    void contentsTreeIsNested() {
        QVERIFY(m_viewer->openFile(kFixture));
        const QTreeWidget* tree = m_viewer->contentsTree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        const QTreeWidgetItem* start = tree->topLevelItem(0);
        QCOMPARE(start->text(0), QStringLiteral("Start"));
        QCOMPARE(start->childCount(), 2);
        QCOMPARE(start->child(0)->text(0), QStringLiteral("Details & more"));
        QCOMPARE(start->child(1)->text(0), QStringLiteral("Second section"));
        QCOMPARE(tree->topLevelItem(1)->text(0), QStringLiteral("中文帮助"));
    }

    void opensOnTheDefaultTopic() {
        QVERIFY(m_viewer->openFile(kFixture));
        QVERIFY(m_viewer->errorText().isEmpty());
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/index.html"));
        QVERIFY(m_viewer->browser()->toPlainText().contains(QLatin1String("Fixture start page")));
        QCOMPARE(m_viewer->windowTitle(), QStringLiteral("Fixture Help"));
        QCOMPARE(currentEntry(*m_viewer), QStringLiteral("Start"));
        QVERIFY(!m_viewer->backButton()->isEnabled());
    }

    // The second file's start page has the same path as the first's; it must still be read
    // from the second file, with the first file's tree and history gone.
    void anotherFileReplacesTheFirst() {
        QVERIFY(m_viewer->openFile(kFixture));
        m_viewer->showPage(QStringLiteral("/sub/details.html"));
        m_viewer->showPage(QStringLiteral("/index.html"));
        QVERIFY(m_viewer->openFile(kSecond));
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/index.html"));
        QVERIFY(m_viewer->browser()->toPlainText().contains(QLatin1String("Second file start")));
        QCOMPARE(m_viewer->contentsTree()->topLevelItemCount(), 0);
        QCOMPARE(m_viewer->windowTitle(), QStringLiteral("second.chm"));
        QVERIFY(!m_viewer->backButton()->isEnabled());
    }

    void followsLinksBackAndForward() {
        QVERIFY(m_viewer->openFile(kFixture));
        QVERIFY(clickLink(m_viewer->browser(), QStringLiteral("Read the details")));
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/sub/details.html"));
        QCOMPARE(currentEntry(*m_viewer), QStringLiteral("Details & more"));
        QVERIFY(m_viewer->backButton()->isEnabled());

        // A link relative to the page in the subfolder.
        QVERIFY(clickLink(m_viewer->browser(), QStringLiteral("Back to the start")));
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/index.html"));

        m_viewer->backButton()->click();
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/sub/details.html"));
        QVERIFY(m_viewer->forwardButton()->isEnabled());
        m_viewer->forwardButton()->click();
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/index.html"));
        QCOMPARE(currentEntry(*m_viewer), QStringLiteral("Start"));
        QVERIFY(!m_viewer->forwardButton()->isEnabled());
    }

    void anchorStaysOnThePage() {
        QVERIFY(m_viewer->openFile(kFixture));
        m_viewer->showPage(QStringLiteral("sub/details.html"));
        QVERIFY(clickLink(m_viewer->browser(), QStringLiteral("Jump to the second section")));
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/sub/details.html"));
        QCOMPARE(m_viewer->currentUrl().fragment(), QStringLiteral("second"));
        QCOMPARE(currentEntry(*m_viewer), QStringLiteral("Second section"));
    }

    void treeEntryShowsItsPageInChinese() {
        QVERIFY(m_viewer->openFile(kFixture));
        QTreeWidget* tree = m_viewer->contentsTree();
        tree->setCurrentItem(tree->topLevelItem(1));
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/sub/chinese.html"));
        const QString text = m_viewer->browser()->toPlainText();
        QVERIFY(text.contains(QStringLiteral("细胞培养控制器帮助")));
        QVERIFY(text.contains(QStringLiteral("点击“启动程序”开始运行。")));
    }

    void imageAndStyleSheetComeFromTheFile() {
        QVERIFY(m_viewer->openFile(kFixture));
        const QVariant image = m_viewer->browser()->document()->resource(
            QTextDocument::ImageResource, QUrl(QStringLiteral("images/mark.xpm")));
        const QImage picture = image.value<QImage>();
        QCOMPARE(picture.size(), QSize(8, 4));
        QCOMPARE(picture.pixelColor(0, 0), QColor(0xC0, 0x00, 0x00));
        QCOMPARE(picture.pixelColor(1, 1), QColor(Qt::white));
        const QTextCharFormat heading = m_viewer->browser()
                                            ->document()
                                            ->find(QStringLiteral("Fixture start page"))
                                            .charFormat();
        QCOMPARE(heading.foreground().color(), QColor(0x20, 0x40, 0x80));
    }

    void outsideLinkLeavesThePage() {
        QVERIFY(m_viewer->openFile(kFixture));
        QVERIFY(clickLink(m_viewer->browser(), QStringLiteral("An outside page")));
        QCOMPARE(m_external, QList<QUrl>{QUrl(QStringLiteral("https://example.invalid/outside"))});
        QCOMPARE(m_viewer->currentPage(), QStringLiteral("/index.html"));
    }

    void pageMissingFromTheFileIsExplained() {
        QVERIFY(m_viewer->openFile(kFixture));
        m_viewer->showPage(QStringLiteral("/sub/details.html"));
        QVERIFY(clickLink(m_viewer->browser(), QStringLiteral("A page that is not in the file")));
        QVERIFY(m_viewer->browser()->toPlainText().contains(
            QLatin1String("This page is not in the help file.\n/sub/missing.html")));
    }

    void missingFileIsReportedInTheWindow() {
        QTemporaryDir dir;
        QVERIFY(!m_viewer->openFile(dir.filePath(QStringLiteral("Help_English.chm"))));
        const QString expected =
            QStringLiteral("The help file Help_English.chm could not be found in %1.")
                .arg(QDir::toNativeSeparators(dir.path()));
        QCOMPARE(m_viewer->errorText(), expected);
        const auto* label = m_viewer->findChild<QLabel*>(QStringLiteral("helpError"));
        QVERIFY(label && label->isVisible());
        QCOMPARE(label->text(), expected);
        QCOMPARE(m_viewer->windowTitle(), QStringLiteral("Help_English.chm"));
    }

    // A good file after a damaged one, then a damaged one after a good one: the window always
    // shows what it holds.
    void damagedFileIsReportedInTheWindow() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Help_Chinese.chm"));
        QFile source(kFixture);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QFile truncated(path);
        QVERIFY(truncated.open(QIODevice::WriteOnly));
        truncated.write(source.read(source.size() - 100));
        truncated.close();
        QVERIFY(m_viewer->openFile(kFixture));
        QVERIFY(!m_viewer->openFile(path));
        QVERIFY(m_viewer->errorText().startsWith(
            QStringLiteral("The help file Help_Chinese.chm in %1 is damaged")
                .arg(QDir::toNativeSeparators(dir.path()))));
        QCOMPARE(m_viewer->contentsTree()->topLevelItemCount(), 0);
        QVERIFY(!m_viewer->contentsTree()->isVisible());
        QVERIFY(m_viewer->currentPage().isEmpty());
        QVERIFY(m_viewer->openFile(kFixture));
        QVERIFY(m_viewer->errorText().isEmpty());
        QVERIFY(m_viewer->contentsTree()->isVisible());
    }

    void controlsHaveAccessibleNames() {
        QCOMPARE(m_viewer->contentsTree()->accessibleName(), QStringLiteral("Help contents"));
        QCOMPARE(m_viewer->browser()->accessibleName(), QStringLiteral("Help page"));
        QCOMPARE(m_viewer->backButton()->accessibleName(), QStringLiteral("Back"));
        QCOMPARE(m_viewer->forwardButton()->accessibleName(), QStringLiteral("Forward"));
    }

    void showFileRaisesTheWindowOfThatFile() {
        HelpViewer* first = HelpViewer::showFile(kFixture);
        QVERIFY(first->errorText().isEmpty());
        QCOMPARE(HelpViewer::showFile(kFixture), first);
        QTemporaryDir dir;
        HelpViewer* missing = HelpViewer::showFile(dir.filePath(QStringLiteral("x.chm")));
        QVERIFY(missing != first);
        QVERIFY(first->testAttribute(Qt::WA_DeleteOnClose));
        first->close();
        missing->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

private:
    std::unique_ptr<HelpViewer> m_viewer;
    QList<QUrl> m_external;
};

TESSALY_TEST_MAIN(HelpViewerTest)
#include "HelpViewerTest.moc"

#include "app/AppRoot.h"
#include "base/Clock.h"
#include "base/Paths.h"
#include "help/HelpViewer.h"
#include "panel/TessalyPanel.h"
#include "tests/harness/TestHarness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QTreeWidget>

namespace {
HelpViewer* viewerShowing(const QString& fileName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* viewer = dynamic_cast<HelpViewer*>(w);
            viewer &&
            QFileInfo(viewer->filePath()).fileName().compare(fileName, Qt::CaseInsensitive) == 0) {
            return viewer;
        }
    }
    return nullptr;
}
} // namespace

// The Help items open the help files the build installs, found without regard to case.
class HelpMenuTest : public QObject {
    Q_OBJECT
private slots:
    void bothLanguagesOpenOnTheirContentsAndFollowLinks() {
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        root.panel().Help_English->trigger();
        HelpViewer* english = viewerShowing("Help_English.chm");
        QVERIFY(english);
        QCOMPARE(english->errorText(), QString());
        QVERIFY(english->contentsTree()->topLevelItemCount() >= 5);
        QCOMPARE(english->currentPage(), QStringLiteral("/en/index.html"));
        english->showPage(QStringLiteral("/en/running.html"));
        QVERIFY(english->browser()->toPlainText().contains("Pause"));

        root.panel().Help_Chinese->trigger();
        HelpViewer* chinese = viewerShowing("Help_Chinese.chm");
        QVERIFY(chinese && chinese != english);
        QCOMPARE(chinese->errorText(), QString());
        QVERIFY(chinese->browser()->toPlainText().contains(QStringLiteral("程序")));
    }

    // Without its help file the item still opens the viewer, which says what is missing.
    void aMissingHelpFileIsExplained() {
        QTemporaryDir empty;
        setProgramFolder(empty.path());
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        root.panel().Help_English->trigger();
        setProgramFolder(TestEnvironment::programFolder());
        HelpViewer* viewer = viewerShowing("Help_English.chm");
        QVERIFY(viewer);
        QVERIFY(viewer->errorText().contains("Help_English.chm"));
        QVERIFY(viewer->errorText().contains(empty.path()));
    }
};

TESSALY_TEST_MAIN(HelpMenuTest)
#include "HelpMenuTest.moc"

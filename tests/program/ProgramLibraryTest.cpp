#include "tests/harness/PanelFixture.h"

#include "program/ClickableLabel.h"
#include "program/FileMatch.h"
#include "program/FolderBrowser.h"
#include "program/SaveAsWindow.h"
#include "program/WorkingFolderListWindow.h"

#include <QAction>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

class ProgramLibraryTest : public QObject {
    Q_OBJECT
private:
    RecordingMessageBoxes& messages() { return TestEnvironment::instance().messages(); }

private slots:
    void init() {
        PanelFixture::clearWorkingFolder();
        messages().clear();
        setFolderBrowser({});
    }

    void workingFolderIsCreatedOnlyAtItsLastLevel() {
        PanelFixture f;
        f.create();
        f.library().创建工作文件夹();
        QVERIFY(QDir(workingFolder()).exists());
        PanelFixture::write(workingFolder() + "keep.TSY", "x");
        f.library().创建工作文件夹();
        QCOMPARE(PanelFixture::read(workingFolder() + "keep.TSY"), QByteArray("x"));
    }

    void samplesAreNeverOverwritten() {
        PanelFixture f;
        f.create();
        f.library().创建工作文件夹();
        PanelFixture::write(workingFolder() + "Test.TSY", "mine");
        QVERIFY(f.library().copySamples().isEmpty());
        QCOMPARE(PanelFixture::read(workingFolder() + "Test.TSY"), QByteArray("mine"));
        QVERIFY(QFile::exists(workingFolder() + "organoid_0.TSY"));
    }

    void matchingFileNamesListsLikeADirectoryLookup() {
        QDir().mkpath(workingFolder() + "sub");
        for (const char* name : {"b.TSY", "a.TSY", "notes.txt", "README"}) {
            PanelFixture::write(workingFolder() + name, "x");
        }
        QCOMPARE(matchingFileNames(workingFolder() + "*.TSY"), (QStringList{"a.TSY", "b.TSY"}));
        QCOMPARE(matchingFileNames(workingFolder() + "*.*"),
                 (QStringList{"README", "a.TSY", "b.TSY", "notes.txt"}));
        QCOMPARE(matchingFileNames(workingFolder() + "?.tsy"), (QStringList{"a.TSY", "b.TSY"}));
        QCOMPARE(matchingFileNames(workingFolder() + "a.TSY"), QStringList{"a.TSY"});
        QVERIFY(matchingFileNames(workingFolder() + "c.TSY").isEmpty());
        QVERIFY(matchingFileNames(workingFolder() + "sub").isEmpty()); // folders are not files
        QVERIFY(matchingFileNames(QString()).isEmpty());
        QCOMPARE(fileListText({"a.TSY", "b.TSY"}), QString("a.TSY\r\nb.TSY\r\n"));
        QCOMPARE(fileListText({}), QString());
    }

    void saveAsWindowStartsAtTheCurrentProgram() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        p.mnu将程序另存为->trigger();
        另存窗口& w = f.library().saveAsWindow();
        QVERIFY(w.isVisible());
        QCOMPARE(w.windowTitle(), QString("Save AS"));
        QCOMPARE(w.Label1->text(), f.programPath());
        QCOMPARE(w.Text1->text(), f.programPath());
        QCOMPARE(w.Text2->toPlainText(), QString("Demo_0.TSY\n"));
        QCOMPARE(w.Command1->text(), QString("Save As "));
        QCOMPARE(w.Label2->text(), QString("Files here"));
        w.Text1->setText(workingFolder() + "*.TSY");
        QCOMPARE(w.Text2->toPlainText().split('\n').size(), 6); // five samples and an empty line
        w.Label1_Click();
        QCOMPARE(w.Text1->text(), f.programPath());
    }

    void saveAsToANewNameSavesWithoutAskingAndCloses() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        p.Text4[2]->setText("6");
        f.library().showSaveAs();
        另存窗口* w = &f.library().saveAsWindow();
        const QString target = workingFolder() + "mine";
        w->Text1->setText(target);
        w->Command1_Click();
        QCOMPARE(messages().count(), 1);
        QCOMPARE(messages().last().text, QString("File saved"));
        QCOMPARE(f.programPath(), target);
        QVERIFY(p.Label26->text().startsWith("Saving Time: "));
        QVERIFY(!f.library().isSaveAsWindowLoaded());
        QVERIFY(PanelFixture::read(target).contains("\"6\""));
        QVERIFY(!QFile::exists(target + ".TSY"));
        p.看工作目录->trigger();
        const QList<QListWidgetItem*> found =
            f.library().workingFolderList().File1->findItems("mine", Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
    }

    void saveAsOverAnExistingFileAsksFirst() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QString demo = workingFolder() + "Demo_0.TSY";
        const QByteArray old = PanelFixture::read(demo);
        p.Text1[0]->setText("3");
        f.library().showSaveAs();
        另存窗口& w = f.library().saveAsWindow();
        messages().answerNext(MessageAnswer::No);
        w.Command1_Click();
        QCOMPARE(messages().count(), 1);
        QCOMPARE(messages().last().text, QString("覆盖原来的文件吗?"));
        QCOMPARE(messages().last().buttons, MessageButtons::YesNo);
        QCOMPARE(PanelFixture::read(demo), old);
        QVERIFY(f.library().isSaveAsWindowLoaded());
        QCOMPARE(f.programPath(), demo);

        messages().answerNext(MessageAnswer::Yes);
        w.Command1_Click();
        QCOMPARE(messages().count(), 3);
        QCOMPARE(messages().last().text, QString("File saved"));
        QVERIFY(PanelFixture::read(demo).startsWith("\"3\","));
    }

    void saveAsWithAWildcardAsksThenRefusesAndKeepsThePath() {
        PanelFixture f;
        f.start();
        const QString before = f.programPath();
        f.library().showSaveAs();
        另存窗口& w = f.library().saveAsWindow();
        w.Text1->setText(workingFolder() + "*.TSY");
        w.Command1_Click(); // the question is answered Yes
        QCOMPARE(messages().count(), 2);
        QCOMPARE(messages().shown().first().text, QString("覆盖原来的文件吗?"));
        QVERIFY(messages().last().text.contains("wildcards"));
        QCOMPARE(f.programPath(), before);
        QCOMPARE(w.Label1->text(), before);
        QVERIFY(f.library().isSaveAsWindowLoaded());
        QCOMPARE(QDir(workingFolder()).entryList({"\\*"}, QDir::Files).size(), 0);
    }

    void browsingLoadsThePickedFileOrNothingOnCancel() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        QString offeredTitle;
        QString offeredStart;
        QString answer;
        setFolderBrowser([&](QWidget*, const QString& title, const QString& start) {
            offeredTitle = title;
            offeredStart = start;
            return answer;
        });
        const QStringList before = PanelFixture::tableSnapshot(p);
        p.mnu调入程序->trigger();
        QCOMPARE(offeredTitle, QString("Please select a folder:"));
        QCOMPARE(offeredStart, workingFolder() + "Demo_0.TSY");
        QCOMPARE(PanelFixture::tableSnapshot(p), before);

        answer = workingFolder() + "organoid_0.TSY";
        f.library().saveAsWindow(); // loaded hidden; it must follow the new path
        p.mnu调入程序->trigger();
        QCOMPARE(f.programPath(), answer);
        QCOMPARE(f.library().saveAsWindow().Label1->text(), answer);
        QVERIFY(p.Label26->text().startsWith("Loading Time: "));
        QCOMPARE(p.Text1[1]->text(), QString("2"));
        QCOMPARE(messages().count(), 0);
    }

    void workingFolderListLoadsOnDoubleClickWithConfirmation() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        p.看工作目录->trigger();
        列工作目录文件名& list = f.library().workingFolderList();
        QVERIFY(list.isVisible());
        QCOMPARE(list.windowTitle(), QString("Form1"));
        QCOMPARE(list.File1->count(), 5);
        list.File1->setCurrentItem(list.File1->findItems("stemcell_0.TSY", Qt::MatchExactly)[0]);
        const QString path = workingFolder() + "stemcell_0.TSY";

        messages().answerNext(MessageAnswer::No);
        list.File1_DblClick();
        QCOMPARE(messages().last().text, "Load " + path);
        QCOMPARE(list.Label1->text(), path);
        QCOMPARE(f.programPath(), workingFolder() + "Demo_0.TSY");
        QVERIFY(list.isVisible());

        list.File1_DblClick();
        QCOMPARE(messages().count(), 3);
        QCOMPARE(messages().last().text, "File \r\n" + path + "\r\n has been loaded.");
        QCOMPARE(f.programPath(), path);
        QCOMPARE(p.Text2[3]->text(), QString("2"));
        QVERIFY(!list.isVisible());
    }

    // Closing the window is unloading it: opened again, it starts from the program loaded
    // since, so "Save As " cannot write that program over the file it was opened on.
    void closedSaveAsWindowFollowsTheNextProgram() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QString demo = workingFolder() + "Demo_0.TSY";
        const QByteArray demoBytes = PanelFixture::read(demo);
        p.mnu将程序另存为->trigger();
        QVERIFY(f.library().saveAsWindow().close());
        QVERIFY(!f.library().isSaveAsWindowLoaded());

        p.看工作目录->trigger();
        列工作目录文件名& list = f.library().workingFolderList();
        list.File1->setCurrentItem(list.File1->findItems("organoid_0.TSY", Qt::MatchExactly)[0]);
        list.File1_DblClick();
        const QString organoid = workingFolder() + "organoid_0.TSY";
        QCOMPARE(f.programPath(), organoid);

        p.mnu将程序另存为->trigger();
        另存窗口& w = f.library().saveAsWindow();
        QCOMPARE(w.Text1->text(), organoid);
        QCOMPARE(w.Label1->text(), organoid);
        w.Command1_Click(); // the overwrite question is answered Yes
        QCOMPARE(PanelFixture::read(demo), demoBytes);
    }

    void workingFolderListKeepsTheListOpenWhenTheFileIsBad() {
        PanelFixture f;
        f.start();
        PanelFixture::write(workingFolder() + "broken.TSY", PanelFixture::zeroLines(3));
        f.library().showWorkingFolderList();
        列工作目录文件名& list = f.library().workingFolderList();
        list.File1->setCurrentItem(list.File1->findItems("broken.TSY", Qt::MatchExactly)[0]);
        list.File1_DblClick();
        QCOMPARE(messages().count(), 2); // the question, then the reason
        QVERIFY(messages().last().text.contains("step 3 (line 4)"));
        QCOMPARE(f.programPath(), workingFolder() + "Demo_0.TSY");
        QVERIFY(list.isVisible());
    }
};

TESSALY_TEST_MAIN(ProgramLibraryTest)
#include "ProgramLibraryTest.moc"

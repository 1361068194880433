#include "tests/harness/PanelFixture.h"

#include "base/TimeText.h"
#include "base/Twips.h"
#include "program/SaveAsWindow.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

class MainPanelTest : public QObject {
    Q_OBJECT
private:
    RecordingMessageBoxes& messages() { return TestEnvironment::instance().messages(); }

private slots:
    void init() {
        PanelFixture::clearWorkingFolder();
        messages().clear();
        setProgramFolder(TestEnvironment::programFolder());
    }

    void captionMenuAndInitialStates() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        QCOMPARE(p.windowTitle(), QString("Dorvex-20230210"));
        QStringList bar;
        for (QAction* a : p.menuBar()->actions()) {
            bar << a->text();
        }
        QCOMPARE(bar, (QStringList{"&File", workingFolder() + "*.*", "Help", "Exit", "Video intro",
                                   "Copyright"}));
        QStringList file;
        for (QAction* a : p.mnuFile->actions()) {
            file << a->text();
        }
        QCOMPARE(file, (QStringList{"Load", "Save", "Save as", "Save as MP3", "Record runs",
                                    "Share run status...", "Exit"}));
        QVERIFY(p.mnuRecordRuns->isCheckable() && !p.mnuRecordRuns->isChecked());
        QCOMPARE(f.programPath(), workingFolder() + "Demo_0.TSY");
        QCOMPARE(p.当前状态->text(), QString("Standby"));
        QCOMPARE(p.Label27->text(), QString("00.mc"));
        QVERIFY(p.Label29->text().isEmpty());
        QCOMPARE(p.Frame2->title(), "Save current program as MP3 to " + exportFolder() + "*.MP3");
        QVERIFY(p.Frame2->isHidden());
        QCOMPARE(p.SelectPort[0]->currentText(), QString("Please select a port"));
        QVERIFY(!p.启动程序[1]->isEnabled() && !p.启动程序[2]->isEnabled() &&
                !p.启动程序[3]->isEnabled());
        QVERIFY(!p.Command4[1]->isEnabled() && !p.Command4[2]->isEnabled());
        QVERIFY(!p.Check1->isEnabled() && !p.Check2->isEnabled() && !p.Check3->isEnabled());
        for (const auto* images : {&p.Image1, &p.Image2, &p.Image3}) {
            QVERIFY((*images)[0]->isHidden() && (*images)[1]->isHidden());
        }
        QVERIFY(!p.Timer1->isActive() && !p.Timer2->isActive() && !p.Timer4->isActive());
        QVERIFY(p.Timer3->isActive());
        QCOMPARE(p.Timer1->interval(), 500);
        QCOMPARE(p.Timer2->interval(), 500);
        QCOMPARE(p.Timer3->interval(), 60000);
        QCOMPARE(p.Timer4->interval(), 100);
        QCOMPARE(p.Label28->text(), "0 min" + QString(40, ' ') + "1 min" + QString(40, ' ') +
                                        "2 min" + QString(40, ' ') + "3 min" + QString(40, ' ') +
                                        "4 min" + QString(40, ' ') + "5 min");
    }

    void stepTableStandsAtItsTwipsPositions() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        const auto at = [](QWidget* w) {
            return w->geometry().topLeft();
        };
        QCOMPARE(at(p.Text1[0]), QPoint(twips(600), twips(600)));
        QCOMPARE(at(p.Text5[19]), QPoint(twips(2640), twips(600 + 19 * 240)));
        QCOMPARE(at(p.Label1[9]), QPoint(twips(120), twips(600 + 9 * 240)));
        QCOMPARE(at(p.Label1[10]), QPoint(twips(240), twips(600 + 10 * 240)));
        QCOMPARE(at(p.Label1[20]), QPoint(twips(6600), twips(600)));
        QCOMPARE(at(p.Check6[25]), QPoint(twips(10560), twips(600 + 5 * 240)));
        QCOMPARE(at(p.Label22[39]), QPoint(twips(11040), twips(600 + 19 * 240)));
        QCOMPARE(at(p.Text1[40]), QPoint(twips(6960), twips(600 + 20 * 240)));
        QCOMPARE(p.Label1[39]->text(), QString("39"));
        QCOMPARE(p.Label1[40]->text(), QString("40"));
        QCOMPARE(p.Text3[7]->objectName(), QString("Text3_7"));
        QCOMPARE(p.Text2[25]->accessibleName(), QString("Step 25 minutes"));
        QCOMPARE(p.Check5[3]->accessibleName(), QString("Step 03 vacuum"));
        QCOMPARE(p.Label22[12]->accessibleDescription(), QString("Step 12 end time"));
        QVERIFY(p.Label22[12]->accessibleName().isEmpty());
        QCOMPARE(p.Text6[0]->accessibleName(), QString("Scale low"));
        QCOMPARE(p.实时数据[5]->accessibleDescription(), QString("D+ voltage"));
    }

    void rowFortyIsDisabledAndTakesNoPart() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        QVERIFY(!p.Text2[40]->isEnabled());
        QVERIFY(!p.Check4[40]->isEnabled());
        p.Text2[40]->setText("30");
        QCOMPARE(f.table().endSeconds[40], 0);
        QCOMPARE(p.Label18[1]->text(), QString("00:00:00"));
    }

    void firstStartCreatesTheFolderCopiesSamplesAndLoadsDemo() {
        QVERIFY(!QDir(workingFolder()).exists());
        PanelFixture f;
        TessalyPanel& p = f.start();
        QVERIFY(p.isVisible());
        for (const QString& name : ProgramLibrary::sampleNames()) {
            QCOMPARE(PanelFixture::read(workingFolder() + name),
                     PanelFixture::read(TestEnvironment::programFolder() + "/" + name));
        }
        QVERIFY(p.Label26->text().startsWith("Loading Time: "));
        QCOMPARE(p.Text3[0]->text(), QString("10"));
        QCOMPARE(f.table().clipName[0], QString("11.mc"));
        QVERIFY(f.table().endSeconds[40] > 0);
        QCOMPARE(p.Label18[1]->text(), p.Label22[39]->text());
        QCOMPARE(messages().count(), 0);
        QCOMPARE(p.size(), QSize(twips(17600), twips(10200)));
        QCOMPARE(f.clock.monotonicMs(), 200); // the load waits 200 ms before showing
    }

    void secondStartKeepsTheOperatorsEditedDemo() {
        QDir().mkpath(workingFolder());
        const QByteArray edited =
            PanelFixture::line("\"0\",\"2\",\"0\",\"4\",\"6\",0,1,0") + PanelFixture::zeroLines(39);
        PanelFixture::write(workingFolder() + "Demo_0.TSY", edited);
        PanelFixture f;
        TessalyPanel& p = f.start();
        QCOMPARE(PanelFixture::read(workingFolder() + "Demo_0.TSY"), edited);
        QCOMPARE(p.Text2[0]->text(), QString("2"));
        QCOMPARE(f.table().clipName[0], QString("46.mc"));
        QCOMPARE(p.Label18[1]->text(), QString("00:02:00"));
        QVERIFY(QFile::exists(workingFolder() + "Test.TSY"));
    }

    void missingSamplesAndUnreadableDemoAreSaidOnceAndThePanelStartsEmpty() {
        QTemporaryDir emptyProgramFolder;
        setProgramFolder(emptyProgramFolder.path());
        PanelFixture f;
        TessalyPanel& p = f.start();
        QCOMPARE(messages().count(), 1);
        const MessageRequest& box = messages().last();
        QVERIFY(box.text.contains("Demo_0.TSY"));
        QVERIFY(box.text.contains("tumorcell_0.TSY"));
        QVERIFY(box.text.contains("empty program"));
        QCOMPARE(box.icon, MessageIcon::Warning);
        QVERIFY(p.Label26->text().isEmpty());
        QCOMPARE(p.Label18[1]->text(), QString("00:00:00"));
        QVERIFY(p.isVisible());
    }

    // The empty table must not be saved over a program that merely failed to load.
    void saveAfterAFailedStartUpLoadAsksForANameAndKeepsTheFile() {
        QDir().mkpath(workingFolder());
        const QString demo = workingFolder() + "Demo_0.TSY";
        const QByteArray damaged =
            PanelFixture::line("\"1\",\"2\",\"3\",\"4\",\"5\",1,0,0") + PanelFixture::zeroLines(38);
        PanelFixture::write(demo, damaged);
        PanelFixture f;
        TessalyPanel& p = f.start();
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(demo));
        QVERIFY(!f.programPath().contains("Demo_0.TSY"));

        p.mnu保存程序->trigger();
        QVERIFY(f.library().isSaveAsWindowLoaded());
        QVERIFY(f.library().saveAsWindow().isVisible());
        QCOMPARE(PanelFixture::read(demo), damaged);
        QCOMPARE(messages().count(), 1);
        QVERIFY(p.Label26->text().isEmpty());
    }

    void typingNormalizesAtOnce() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        QLineEdit* minutes = p.Text2[3];
        minutes->selectAll();
        QTest::keyClicks(minutes, "75");
        QCOMPARE(minutes->text(), QString("59"));
        minutes->selectAll();
        QTest::keyClicks(minutes, "-7");
        QCOMPARE(minutes->text(), QString("7"));
        minutes->selectAll();
        QTest::keyClick(minutes, Qt::Key_Delete);
        QCOMPARE(minutes->text(), QString("0"));
        p.Text1[3]->setText("2.9"); // pasted
        QCOMPARE(p.Text1[3]->text(), QString("2"));
        p.Text4[3]->setText("x");
        QCOMPARE(p.Text4[3]->text(), QString("0"));
        QCOMPARE(p.Label22[3]->text(), QString("02:00:00"));
    }

    void typingSevenMinutesMovesEveryLaterEndTimeAndTheTotal() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        QStringList before;
        for (int i = 0; i < kStepCount; ++i) {
            before << p.Label22[i]->text();
        }
        const qint32 total = f.table().endSeconds[40];
        p.Text2[25]->selectAll();
        QTest::keyClicks(p.Text2[25], "7");
        QCOMPARE(p.Text2[25]->text(), QString("7"));
        for (int i = 0; i < 25; ++i) {
            QCOMPARE(p.Label22[i]->text(), before[i]);
        }
        for (int i = 25; i < kStepCount; ++i) {
            QCOMPARE(p.Label22[i]->text(), SecondsToHms(f.table().endSeconds[i]));
            QCOMPARE(f.table().endSeconds[i], total + 420);
        }
        QCOMPARE(p.Label18[1]->text(), SecondsToHms(total + 420));
    }

    void checkBoxClickRecomputesFlags() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        QTest::mouseClick(p.Check5[8], Qt::LeftButton, {}, QPoint(4, p.Check5[8]->height() / 2));
        QCOMPARE(f.table().vacuum[8], 1);
        p.Check5[8]->setChecked(false);
        QCOMPARE(f.table().vacuum[8], 0);
    }

    void loadingShowsNormalizedFieldsTicksAndTimes() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QString path = workingFolder() + "full.TSY";
        PanelFixture::write(path, PanelFixture::line("\"12\",\"59\",\"59\",\"9\",\"9\",1,1,1") +
                                      PanelFixture::line("\"0\",\"75\",\"0\",\"3\",\"7\",2,0,0") +
                                      PanelFixture::zeroLines(38));
        const QString status = f.editor().读取程序(path);
        QVERIFY(status.startsWith("Loading Time: "));
        QCOMPARE(p.Text1[0]->text(), QString("12"));
        QVERIFY(p.Check4[0]->isChecked() && p.Check5[0]->isChecked() && p.Check6[0]->isChecked());
        QCOMPARE(f.table().clipName[0], QString("99.mc"));
        QCOMPARE(p.Label22[0]->text(), QString("12:59:59"));
        QCOMPARE(p.Text2[1]->text(), QString("59"));
        QCOMPARE(p.Check4[1]->checkState(), Qt::PartiallyChecked);
        QCOMPARE(f.table().laser[1], 2);
        QCOMPARE(p.Label22[2]->text(), QString("13:58:59"));
        // Writing it back gives the normalized file.
        QVERIFY(!f.editor().保存程序(path).isEmpty());
        QVERIFY(PanelFixture::read(path).contains("\"0\",\"59\",\"0\",\"3\",\"7\",2,0,0\r\n"));
    }

    void saveLoadSaveGivesIdenticalBytes() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        p.Text3[30]->setText("44");
        p.Check6[30]->setChecked(true);
        const QString a = workingFolder() + "a.TSY";
        const QString b = workingFolder() + "b.TSY";
        QVERIFY(f.editor().保存程序(a).startsWith("Saving Time: "));
        const QStringList shown = PanelFixture::tableSnapshot(p);
        PanelFixture g;
        TessalyPanel& q = g.create();
        QVERIFY(!g.editor().读取程序(a).isEmpty());
        QCOMPARE(PanelFixture::tableSnapshot(q), shown);
        QVERIFY(!g.editor().保存程序(b).isEmpty());
        QCOMPARE(PanelFixture::read(b), PanelFixture::read(a));
    }

    void badFilesLeaveThePanelCaptionAndStatusAsTheyWere_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("where");
        QTest::newRow("39 lines") << PanelFixture::zeroLines(38) << "step 39 (line 40)";
        QTest::newRow("bad check value")
            << PanelFixture::zeroLines(12) +
                   PanelFixture::line("\"5\",\"5\",\"5\",\"5\",\"5\",0,0,9") +
                   PanelFixture::zeroLines(26)
            << "step 13 (line 14)";
    }
    void badFilesLeaveThePanelCaptionAndStatusAsTheyWere() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, where);
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QString bad = workingFolder() + "bad.TSY";
        PanelFixture::write(bad, PanelFixture::line("\"1\",\"1\",\"1\",\"1\",\"1\",1,1,1") + bytes);
        // The first line is good and different, so a half-done load would show.
        const QStringList before = PanelFixture::tableSnapshot(p);
        const QString caption = f.programPath();
        const QString status = p.Label26->text();
        QVERIFY(!f.library().loadProgram(bad));
        QCOMPARE(PanelFixture::tableSnapshot(p), before);
        QCOMPARE(f.programPath(), caption);
        QCOMPARE(p.Label26->text(), status);
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(bad));
        QVERIFY2(messages().last().text.contains(where), qPrintable(messages().last().text));
    }

    void loadingAFolderOrAMissingFileChangesNothing() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QStringList before = PanelFixture::tableSnapshot(p);
        QVERIFY(!f.library().loadProgram(workingFolder()));
        QVERIFY(!f.library().loadProgram(workingFolder() + "gone.TSY"));
        QCOMPARE(PanelFixture::tableSnapshot(p), before);
        QCOMPARE(messages().count(), 2);
    }

    void saveMenuWritesUnderTheCaption() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        p.Text5[0]->setText("8");
        f.clock.advanceMs(5000);
        p.mnu保存程序->trigger();
        QVERIFY(p.Label26->text().startsWith("Saving Time: "));
        QVERIFY(PanelFixture::read(workingFolder() + "Demo_0.TSY")
                    .startsWith("\"0\",\"0\",\"10\",\"1\",\"8\","));
    }

    void failedSaveKeepsTheFileAndStatusAndSaysWhy() {
        PanelFixture f;
        TessalyPanel& p = f.start();
        const QString status = p.Label26->text();
        const QString target = workingFolder() + "missing-folder/P.TSY";
        f.library().setProgramPath(target);
        QVERIFY(!f.library().按照微泵程序的caption保存程序());
        QCOMPARE(p.Label26->text(), status);
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(target));
        QCOMPARE(messages().last().icon, MessageIcon::Critical);
    }

    void scaleFieldsSetTheChartScale() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        p.Text6[1]->setText("50");
        QCOMPARE(f.root->chartScale().scaleHigh, 50.0f);
        QCOMPARE(f.root->chartScale().gridStep, 5.0f);
        p.Text6[0]->setText("10x");
        QCOMPARE(f.root->chartScale().scaleLow, 10.0f);
        QCOMPARE(f.root->chartScale().gridStep, 4.0f);
    }

    void flatLookRemovesStepFieldFrames() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        QVERIFY(p.Text1[0]->hasFrame());
        界面扁平化(p);
        QVERIFY(!p.Text1[0]->hasFrame());
        QVERIFY(!p.Text5[39]->hasFrame());
        QVERIFY(!p.Text6[1]->hasFrame());
        QCOMPARE(p.Picture1[0]->frameShape(), QFrame::NoFrame);
    }

    void everyExitRunsTheSequenceOnceAndEndsTheProcess() {
        for (int way = 0; way < 3; ++way) {
            PanelFixture f;
            TessalyPanel& p = f.start();
            p.Timer1->start();
            f.library().showSaveAs();
            QVERIFY(f.library().isSaveAsWindowLoaded());
            if (way == 0) {
                p.mnuExit->trigger();
            } else if (way == 1) {
                p.exitsoftware->trigger();
            } else {
                p.close();
            }
            QCOMPARE(f.processEnds, 1);
            QVERIFY(!p.Timer1->isActive());
            QVERIFY(!f.library().isSaveAsWindowLoaded());
            QVERIFY(!p.isVisible());
            p.close(); // the panel's own unload does not start the sequence again
            QCOMPARE(f.processEnds, 1);
        }
    }

    void copyrightBoxIsTitledWithoutIcon() {
        PanelFixture f;
        TessalyPanel& p = f.create();
        p.版权->trigger();
        QCOMPARE(messages().count(), 1);
        QCOMPARE(messages().last().title, QString("Dorvex"));
        QCOMPARE(messages().last().icon, MessageIcon::None);
        QCOMPARE(messages().last().buttons, MessageButtons::Ok);
        QVERIFY(messages().last().text.contains("Copyright"));
    }
};

TESSALY_TEST_MAIN(MainPanelTest)
#include "MainPanelTest.moc"

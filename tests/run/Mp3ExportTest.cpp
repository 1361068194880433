#include "run/Mp3Export.h"
#include "base/Clock.h"
#include "base/TimeText.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTimer>
#include <thread>

namespace {
QByteArray clipBytes(const QString& name, int size) {
    const QByteArray unit = name.toLatin1() + '#';
    return unit.repeated(size / int(unit.size()) + 1).left(size);
}

QStringList lines(const QListWidget* list) {
    QStringList texts;
    for (int k = 0; k < list->count(); ++k) {
        texts << list->item(k)->text();
    }
    return texts;
}

// Stand-ins for the panel controls the export drives, over temporary source and export folders.
struct ExportRig {
    QWidget owner;
    // The export frame and the step fields it reads.
    struct Controls : ExportControlsView, StepTableView {
    } controls;
    ProgramTable table;
    ManualClock clock;
    QTemporaryDir sources;
    QTemporaryDir home;
    QString out = home.filePath("@TSY2023MP3") + "/";
    std::unique_ptr<Mp3Export> exporter;

    ExportRig() {
        owner.setWindowTitle("Dorvex-20230210");
        controls.Frame2 = new QGroupBox(&owner);
        controls.Frame2->hide();
        controls.List1 = new QListWidget(controls.Frame2);
        controls.Label31 = new QLabel(controls.Frame2);
        controls.Timer4 = new QTimer(&owner);
        controls.Timer4->setInterval(100);
        for (int i = 0; i < kStepRows; ++i) {
            controls.Label1[i] = new QLabel(QString("%1").arg(i, 2, 10, QChar('0')), &owner);
            for (auto* texts : {&controls.Text1, &controls.Text2, &controls.Text3, &controls.Text4,
                                &controls.Text5}) {
                (*texts)[i] = new QLineEdit("0", &owner);
            }
        }
        exporter = std::make_unique<Mp3Export>(
            controls, controls, [this]() -> const ProgramTable& { return recomputed(); }, clock,
            &owner, sources.path(), out);
    }

    const ProgramTable& recomputed() {
        ProgramSteps steps;
        for (int i = 0; i < kStepCount; ++i) {
            steps[i].texts = {controls.Text1[i]->text(), controls.Text2[i]->text(),
                              controls.Text3[i]->text(), controls.Text4[i]->text(),
                              controls.Text5[i]->text()};
        }
        table.recompute(steps);
        return table;
    }

    void setStep(int i, QStringList texts) {
        for (auto* field : {&controls.Text1, &controls.Text2, &controls.Text3, &controls.Text4,
                            &controls.Text5}) {
            (*field)[i]->setText(texts.takeFirst());
        }
    }

    QByteArray addClip(const QString& name, int size = 3001) {
        const QByteArray bytes = clipBytes(name, size);
        QFile f(sources.filePath(name));
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() ? bytes
                                                                              : QByteArray();
    }

    // "Save as MP3", waiting for the folder to be ready.
    void start() {
        exporter->Save_as_MP3_Click();
        waitForWorker();
    }
    void waitForWorker() {
        QDeadlineTimer deadline(20000);
        while (exporter->workerBusy() && !deadline.hasExpired()) {
            QTest::qWait(1);
        }
    }

    // Ticks as Timer4 would, letting each join finish; the number of ticks the export took.
    int runToEnd() {
        int ticks = 0;
        while (exporter->isExporting() && ticks < 200) {
            exporter->Timer4_Timer();
            ++ticks;
            waitForWorker();
        }
        return ticks;
    }

    QStringList exported() const { return QDir(out).entryList(QDir::Files | QDir::Hidden); }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// Holds each join until opened, counting how many were started.
struct JoinGate {
    std::atomic<int> started{0};
    std::atomic<bool> open{false};

    Mp3Export::Joiner joiner() {
        return [this](const StepJoin& job, const std::atomic<bool>& cancel) {
            ++started;
            while (!open && !cancel) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return joinStep(job, cancel);
        };
    }
};
} // namespace

class Mp3ExportTest : public QObject {
    Q_OBJECT
private:
    RecordingMessageBoxes& messages() { return TestEnvironment::instance().messages(); }

private slots:
    void init() { messages().clear(); }

    void programExportsOneCompleteFilePerNonEmptyStep() {
        ExportRig rig;
        const QByteArray a = rig.addClip("A00.MC", 417), t37 = rig.addClip("37.MC"),
                         c37 = rig.addClip("C37.MC", 9001), t50 = rig.addClip("50.mc"),
                         c91 = rig.addClip("C91.MC", 5003);
        rig.addClip("37.mc", 77); // the loop clip; the export takes the exact name
        rig.setStep(12, {"0", "1", "30", "3", "7"});
        rig.setStep(13, {"0", "0", "25", "5", "0"});
        rig.setStep(20, {"2", "0", "0", "9", "1"});
        rig.setStep(39, {"0", "0", "1", "3", "7"});
        QSignalSpy ended(rig.exporter.get(), &Mp3Export::exportEnded);

        rig.start();
        QVERIFY(!rig.controls.Frame2->isHidden());
        QVERIFY(rig.controls.Timer4->isActive());
        // Each written step takes two ticks (start its join, take the file); the others one.
        QCOMPARE(rig.runToEnd(), 44);
        QVERIFY(!rig.controls.Timer4->isActive());
        QCOMPARE(rig.controls.Label31->text(), QString("39"));
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].toBool(), true);
        QCOMPARE(
            lines(rig.controls.List1),
            (QStringList{GeneralDateText(rig.clock.now()),
                         "Clean old files in " + rig.out.chopped(1), rig.out + "12.MP3  Created!",
                         rig.out + "13.MP3  Created!", rig.out + "20.MP3  Created!",
                         rig.out + "39.MP3  Created!", "All MP3 files created"}));
        QCOMPARE(rig.exported(), (QStringList{"12.MP3", "13.MP3", "20.MP3", "39.MP3"}));
        QCOMPARE(rig.read(rig.out + "12.MP3"), a + t37 + t37 + t37 + c37);
        QCOMPARE(rig.read(rig.out + "13.MP3"), a + t50 + t50 + t50);
        QCOMPARE(rig.read(rig.out + "20.MP3"), a + c91.repeated(120));
        QCOMPARE(rig.read(rig.out + "39.MP3"), a);
        QCOMPARE(messages().count(), 0);
    }

    void emptyProgramEndsAfterFortyTicksAndOldFilesGo() {
        ExportRig rig;
        QDir().mkpath(rig.out + "keep");
        for (const char* name : {"07.MP3", ".07.MP3.part-1-1", "keep/inner.MP3"}) {
            QFile(rig.out + QString(name)).open(QIODevice::WriteOnly);
        }
        rig.start();
        QVERIFY(rig.exported().isEmpty());
        QVERIFY(QFile::exists(rig.out + "keep/inner.MP3"));
        QCOMPARE(rig.runToEnd(), 40);
        QCOMPARE(rig.controls.List1->count(), 3);
        QCOMPARE(rig.controls.List1->item(2)->text(), QString("All MP3 files created"));
    }

    void unpreparableFolderIsNamedAndNothingStarts() {
        ExportRig rig;
        const QString folder = rig.out.chopped(1);
        QFile(folder).open(QIODevice::WriteOnly); // a file where the folder should be
        QSignalSpy ended(rig.exporter.get(), &Mp3Export::exportEnded);
        rig.start();
        QVERIFY(!rig.controls.Timer4->isActive());
        QVERIFY(!rig.exporter->isExporting());
        QCOMPARE(ended.size(), 1);
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(folder));
        QCOMPARE(messages().last().title, QString("Dorvex-20230210"));
        QCOMPARE(rig.controls.List1->count(), 2);
        QVERIFY(rig.controls.List1->item(1)->text().contains(folder));
    }

    void failedStepStopsTheExportWithALineAndABox_data() {
        QTest::addColumn<bool>("missingSource");
        QTest::newRow("missing source clip") << true;
        QTest::newRow("file cannot be written") << false;
    }
    void failedStepStopsTheExportWithALineAndABox() {
        QFETCH(bool, missingSource);
        ExportRig rig;
        rig.addClip("A00.MC");
        rig.addClip("37.MC");
        rig.setStep(2, {"0", "0", "10", "3", "7"});
        rig.setStep(5, {"0", "0", "10", missingSource ? "4" : "3", "7"});
        rig.setStep(9, {"0", "0", "10", "3", "7"});
        QDir().mkpath(rig.out + (missingSource ? "x" : "05.MP3")); // a folder stays when cleaning
        QSignalSpy ended(rig.exporter.get(), &Mp3Export::exportEnded);
        rig.start();
        rig.runToEnd();

        const QString line =
            missingSource
                ? "Step 05 not written: source clip 47.MC is missing from " + rig.sources.path()
                : "Step 05 not written: " + rig.out + "05.MP3 cannot be written: Is a directory";
        QCOMPARE(rig.controls.List1->item(rig.controls.List1->count() - 1)->text(), line);
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.startsWith(line));
        QCOMPARE(messages().last().icon, MessageIcon::Critical);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0][0].toBool(), false);
        QCOMPARE(rig.exported(), QStringList{"02.MP3"});
        // Stopped for good: further ticks start nothing.
        rig.exporter->Timer4_Timer();
        QVERIFY(!rig.exporter->workerBusy());
        QVERIFY(!rig.controls.Timer4->isActive());
    }

    void tickWaitsForTheRunningJoinAndNeverStartsASecond() {
        ExportRig rig;
        const QByteArray a = rig.addClip("A00.MC"), c = rig.addClip("C11.MC", 1 << 17);
        rig.setStep(0, {"12", "0", "0", "1", "1"}); // 720 minute clips
        JoinGate gate;
        rig.exporter->setJoiner(gate.joiner());
        rig.start();
        rig.exporter->Timer4_Timer();
        for (int k = 0; k < 5; ++k) {
            QTest::qWait(20);
            rig.exporter->Timer4_Timer();
        }
        QCOMPARE(gate.started.load(), 1);
        QVERIFY(rig.exporter->workerBusy());
        QCOMPARE(rig.exporter->exportIndex(), qint16(0));
        QCOMPARE(rig.controls.List1->count(), 2);
        QVERIFY(rig.exported().filter(QRegularExpression("^\\d\\d\\.MP3$")).isEmpty());

        gate.open = true;
        // One more waiting tick, one that takes the file, then the 39 empty steps.
        QCOMPARE(rig.runToEnd(), 41);
        QCOMPARE(gate.started.load(), 1);
        QCOMPARE(rig.exported(), QStringList{"00.MP3"});
        QFile file(rig.out + "00.MP3");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.size(), a.size() + 720 * c.size());
        QCOMPARE(file.read(a.size()), a);
        for (int k = 0; k < 720; ++k) {
            QCOMPARE(file.read(c.size()), c);
        }
    }

    void startingOverOrClosingDuringAJoinLeavesNoPartialFile() {
        ExportRig rig;
        const QByteArray a = rig.addClip("A00.MC");
        rig.setStep(0, {"0", "0", "1", "0", "0"});
        JoinGate gate;
        rig.exporter->setJoiner(gate.joiner());
        rig.start();
        rig.exporter->Timer4_Timer();
        QTRY_COMPARE(gate.started.load(), 1);

        rig.start();
        QVERIFY(!rig.exporter->workerBusy());
        QCOMPARE(rig.controls.List1->count(), 2);
        QVERIFY(rig.exported().isEmpty());
        QSignalSpy ended(rig.exporter.get(), &Mp3Export::exportEnded);
        gate.open = true;
        rig.runToEnd();
        QCOMPARE(ended.size(), 1);
        QCOMPARE(rig.read(rig.out + "00.MP3"), a);
        QCOMPARE(messages().count(), 0);

        gate.open = false;
        rig.start();
        rig.exporter->Timer4_Timer();
        QTRY_COMPARE(gate.started.load(), 3);
        rig.exporter.reset();
        QVERIFY(rig.exported().isEmpty());
    }

    void okHidesTheFrameWhileTheTimerDrivenExportGoesOn() {
        ExportRig rig;
        rig.owner.show();
        rig.addClip("A00.MC");
        rig.addClip("99.MC");
        rig.setStep(4, {"0", "0", "30", "9", "9"});
        QObject::connect(rig.controls.Timer4, &QTimer::timeout, rig.exporter.get(),
                         [&rig] { rig.exporter->Timer4_Timer(); });
        rig.start();
        QVERIFY(rig.controls.Frame2->isVisible());
        rig.exporter->结束MP3输出_Click();
        QVERIFY(rig.controls.Frame2->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!rig.exporter->isExporting(), 15000);
        QCOMPARE(rig.controls.List1->item(3)->text(), QString("All MP3 files created"));
        QCOMPARE(rig.exporter->检查文件是否存在(rig.out + "04.MP3"), QString("Created!"));
        QCOMPARE(rig.exporter->检查文件是否存在(rig.out + "05.MP3"), QString("Writing!"));
    }
};

TESSALY_TEST_MAIN(Mp3ExportTest)
#include "Mp3ExportTest.moc"

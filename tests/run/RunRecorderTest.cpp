#include "tests/harness/RunFixture.h"

#include "program/ProgramFile.h"
#include "run/RunRecorder.h"

#include <QDir>
#include <QRegularExpression>
#include <csignal>
#include <sys/resource.h>

namespace {

RecordingMessageBoxes& messages() {
    return TestEnvironment::instance().messages();
}

// The run engine on a bare panel, recording into a fresh folder.
struct RecordFixture : RunFixture {
    QString folder = TestEnvironment::instance().home() + "/records-" +
                     QString::number(QDateTime::currentMSecsSinceEpoch()) + "/";
    LiveReading reading;
    RunRecorder recorder{reading, *editor, *runEngine, clock, panel.get(), folder};

    RecordFixture() {
        recorder.setEnabled(true);
        engine().onEvent = [this](RunEngine::Event e) {
            recorder.runEvent(e);
        };
        engine().afterTick = [this] {
            recorder.sampleReadings();
        };
    }

    QStringList files() const { return QDir(folder).entryList(QDir::Files, QDir::Name); }
    QStringList lines(const QString& name) const {
        QFile f(folder + name);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n')
                                           : QStringList();
    }
    // The events of a record other than the readings, in order.
    static QStringList events(const QStringList& lines) {
        QStringList found;
        for (const QString& line : lines) {
            const QStringList cells = line.split('\t');
            if (!line.startsWith('#') && cells.size() > 3 && cells[3] != "event" &&
                cells[3] != "readings") {
                found << cells[3];
            }
        }
        return found;
    }
};

} // namespace

class RunRecorderTest : public QObject {
    Q_OBJECT
private slots:
    void init() { messages().clear(); }

    void aRunLeavesOneRecordOfItsEventsInOrder() {
        RecordFixture f;
        f.step(0, 0, 0, 2, 1, 2, 1);
        f.step(1, 0, 0, 2, 3, 4);
        f.reading = frames::Reading{};
        f.reading->values[frames::Voltage] = 5000.3;
        f.reading->values[frames::DMinus] = 2688;
        f.press(RunEngine::Start);
        f.run(1500);
        f.press(RunEngine::Pause);
        f.run(1000);
        f.press(RunEngine::Contin);
        f.recorder.deviceEvent("relay", "1 close failed: error 8021");
        f.run(2000);
        f.press(RunEngine::Stopp);
        QCOMPARE(f.files().size(), 1);
        const QStringList lines = f.lines(f.files()[0]);
        QCOMPARE(RecordFixture::events(lines),
                 (QStringList{"start", "step", "pause", "continue", "relay", "step", "stop"}));
        const QString firstLine =
            QString::fromLatin1(formatProgramFile(f.editor->currentSteps()).split('\r')[0]);
        QVERIFY(lines.contains("# program_line\t01\t" + firstLine));
        QVERIFY(lines.contains(RunRecorder::columns().join('\t')));
        const QStringList step0 =
            lines.filter(QRegularExpression("^\\d+\t[^\t]+\t0\tstep\t"))[0].split('\t');
        QCOMPARE(step0.mid(2, 8), (QStringList{"0", "step", "1", "2", "12.mc", "1", "0", "0"}));
        const QStringList readings = lines.filter("\treadings\t");
        QVERIFY(readings.size() >= 5);
        QCOMPARE(readings[0].split('\t')[10], QString("5000.3"));
        QCOMPARE(readings[0].split('\t')[16], QString("2688"));
        QCOMPARE(readings[0].split('\t')[11], QString("0"));
        QVERIFY(lines.filter("\trelay\t")[0].endsWith("1 close failed: error 8021"));
        QCOMPARE(messages().count(), 0);
    }

    // A lost board is no reading: its cells are empty, not a measured 0.
    void noReadingLeavesTheCellsEmpty() {
        RecordFixture f;
        f.step(0, 0, 0, 30, 1, 2);
        f.press(RunEngine::Start);
        f.run(1000);
        f.reading = frames::Reading{};
        f.run(1000);
        f.press(RunEngine::Stopp);
        const QStringList readings = f.lines(f.files()[0]).filter("\treadings\t");
        QVERIFY(readings.size() >= 2);
        const QStringList before = readings.first().split('\t');
        const QStringList after = readings.last().split('\t');
        for (int k = 10; k < 17; ++k) {
            QVERIFY2(before[k].isEmpty(), qPrintable(readings.first()));
            QCOMPARE(after[k], QString("0"));
        }
    }

    void itemOffWritesNothingAndTwoStartsInOneSecondGetTwoFiles() {
        RecordFixture f;
        f.recorder.setEnabled(false);
        f.press(RunEngine::Start);
        f.run(1000);
        f.press(RunEngine::Stopp);
        QVERIFY(f.files().isEmpty());
        f.recorder.setEnabled(true);
        for (int k = 0; k < 2; ++k) {
            f.press(RunEngine::Start);
            f.press(RunEngine::Stopp);
        }
        const QStringList files = f.files();
        QCOMPARE(files.size(), 2);
        QVERIFY(files[1].endsWith("_2.tsv"));
        QCOMPARE(RunRecorder(f.reading, *f.editor, f.engine(), f.clock, nullptr).enabled(),
                 true); // remembered
    }

    void aFullDiskStopsTheRecordingWithOneBoxAndTheRunGoesOn() {
        RecordFixture f;
        f.step(0, 0, 0, 3, 1, 1);
        f.step(1, 0, 0, 3, 2, 2);
        f.press(RunEngine::Start);
        const QString path = f.recorder.recordPath();
        QVERIFY(!path.isEmpty());
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = static_cast<rlim_t>(QFileInfo(path).size() + 40);
        setrlimit(RLIMIT_FSIZE, &limited);
        f.run(5000);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY(f.recorder.recordPath().isEmpty());
        QCOMPARE(f.engine().stepIndex, 1);
        QTRY_COMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(path));
    }

    // A resumed run adds to its record, ending a line a crash cut short first; a record that
    // is gone or not a record is left alone, and a new one starts, said once.
    void aResumedRunGoesOnInItsRecordOrANewOne() {
        RecordFixture f;
        f.step(0, 0, 0, 3, 1, 1);
        f.press(RunEngine::Start);
        const QString path = f.recorder.recordPath();
        f.recorder.programExits();
        QFile cut(path);
        QVERIFY(cut.open(QIODevice::Append) && cut.write("2\t2026-12-07T18:0") > 0);
        cut.close();
        f.recorder.resumeRecord(path, 75);
        f.engine().resume(f.engine().position());
        QCOMPARE(f.recorder.recordPath(), path);
        const QStringList lines = f.lines(QFileInfo(path).fileName());
        QVERIFY(lines.contains("2\t2026-12-07T18:0"));
        QCOMPARE(RecordFixture::events(lines).mid(RecordFixture::events(lines).indexOf("exit")),
                 (QStringList{"exit", "resume", "step"}));
        QCOMPARE(messages().count(), 0);

        const QString foreign = TestEnvironment::instance().home() + "/notes.txt";
        QFile notes(foreign);
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("lab notes\n") > 0);
        notes.close();
        for (const QString& bad : {foreign, TestEnvironment::instance().home() + "/gone.tsv"}) {
            messages().clear();
            f.recorder.resumeRecord(bad, 75);
            QVERIFY(!f.recorder.recordPath().isEmpty() && f.recorder.recordPath() != bad);
            QTRY_COMPARE(messages().count(), 1);
            QVERIFY(messages().last().text.contains("cannot be continued"));
        }
        QVERIFY(notes.open(QIODevice::ReadOnly));
        QCOMPARE(notes.readAll(), QByteArray("lab notes\n"));
    }
};

TESSALY_TEST_MAIN(RunRecorderTest)
#include "RunRecorderTest.moc"

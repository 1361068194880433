// A run ended by SIGKILL in a child process is offered at the next start and continued where it
// stood; a run ended on purpose is not offered; a program file that changed is not continued.
#include "app/AppRoot.h"
#include "program/ProgramFile.h"
#include "program/ProgramLibrary.h"
#include "run/JournalFile.h"
#include "run/RunEngine.h"
#include "run/RunJournal.h"
#include "run/RunRecorder.h"
#include "status/StatusFeed.h"
#include "status/StatusSnapshot.h"
#include "tests/harness/ConnectBoards.h"
#include "tests/harness/RunFixture.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

namespace {

const QDateTime kChildStart(QDate(2026, 12, 7), QTime(8, 0, 0));
constexpr const char* kChildMode = "--run-until-killed";

RecordingMessageBoxes& messages() {
    return TestEnvironment::instance().messages();
}

// Four steps of 4, 4, 10 and 4 s; the third has the laser and the vacuum pump on.
QString writeProgram(const QString& name) {
    ProgramSteps steps;
    const int seconds[4] = {4, 4, 10, 4};
    for (int i = 0; i < 4; ++i) {
        steps[i].texts = {"0", "0", QString::number(seconds[i]), QString::number(i + 1), "1"};
    }
    steps[1].flags = {1, 0, 0};
    steps[2].flags = {1, 1, 0};
    const QString path = TestEnvironment::instance().home() + "/" + name;
    return writeProgramFile(path, steps) ? QString() : path;
}

// Where the child stood when it was killed, as its engine had it.
struct Killed {
    int cycle = 0, step = 0;
    qint64 elapsedS = 0, runS = 0;
};

// The child: runs the program, cycling, into the third step of its second cycle (and pauses
// there 5 s when asked), says where it stands, and waits to be killed.
int runUntilKilled(const QString& program, bool pause) {
    RecordingMessageBoxes boxes;
    setMessageBoxService(&boxes);
    ManualClock clock(kChildStart);
    RecordingPlayer player;
    AppRoot root(clock, [&player]() -> ClipPlayer& { return player; });
    root.recorder().setEnabled(true);
    if (!root.library().loadProgram(program)) {
        return 2;
    }
    root.panel().Check7->setChecked(true);
    RunEngine& engine = root.runEngine();
    engine.启动程序_Click(RunEngine::Start);
    while (
        !(engine.state().cycle == 2 && engine.state().step == 2 && engine.state().elapsedS >= 12)) {
        clock.advanceMs(500);
        engine.Timer1_Timer();
        if (engine.state().cycle > 2) {
            return 3;
        }
    }
    if (pause) {
        engine.启动程序_Click(RunEngine::Pause);
        clock.advanceMs(5000);
        engine.Timer2_Timer();
    }
    std::printf("%d %d %lld %lld\n", engine.state().cycle, engine.state().step,
                static_cast<long long>(engine.state().elapsedS),
                static_cast<long long>(engine.runSeconds()));
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}

Killed killChildRun(const QString& program, bool pause) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {kChildMode, program, pause ? "pause" : "run"});
    Killed k;
    if (child.waitForReadyRead(30000)) {
        const QList<QByteArray> f = child.readLine().trimmed().split(' ');
        if (f.size() == 4) {
            k = {f[0].toInt(), f[1].toInt(), f[2].toLongLong(), f[3].toLongLong()};
        }
    }
    child.kill();
    child.waitForFinished(5000);
    return k;
}

std::optional<RunJournalEntry> journalNow() {
    QFile file(RunJournal::defaultPath());
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const std::optional<QByteArray> newest = JournalFile::newestEntry(file.readAll());
    return newest ? decodeJournalEntry(*newest) : std::nullopt;
}

// The offers shown since the last clear.
QList<MessageRequest> offers() {
    QList<MessageRequest> found;
    for (const MessageRequest& r : messages().shown()) {
        if (r.title == "Continue the run") {
            found << r;
        }
    }
    return found;
}

struct Rig {
    ManualClock clock{kChildStart.addDays(1)};
    RecordingPlayer player;
    AppRoot root{clock, [this]() -> ClipPlayer& {
                     return player;
                 }};
    Rig() {
        root.endProcess = [] {
        };
    }
    RunEngine& engine() { return root.runEngine(); }
    // Start-up, then the offer from the event loop.
    void start() {
        root.Form_Load();
        QTest::qWait(50);
    }
    void tick(int seconds) {
        for (int k = 0; k < 2 * seconds; ++k) {
            clock.advanceMs(500);
            engine().Timer1_Timer();
        }
    }
};

} // namespace

class RunResumeTest : public QObject {
    Q_OBJECT
private slots:
    void init() { messages().clear(); }

    void aKilledRunContinuesWhereItStoodWithItsRecord() {
        const QString program = writeProgram("killed.TSY");
        const Killed killed = killChildRun(program, false);
        QCOMPARE(killed.cycle, 2);
        QCOMPARE(killed.step, 2);
        const QStringList records =
            QDir(QDir::homePath() + "/@TSY2022/records").entryList(QDir::Files);
        QCOMPARE(records.size(), 1);

        BoardSimulator sim;
        QVERIFY(sim.running());
        Rig rig;
        messages().answerNext(MessageAnswer::Continue);
        rig.start();
        QCOMPARE(offers().size(), 1);
        QCOMPARE(offers()[0].buttons, MessageButtons::ContinueDiscard);
        QVERIFY2(offers()[0].text.contains(program) &&
                     offers()[0].text.contains("Cycle 2, step 02, 00:00:0"),
                 qPrintable(offers()[0].text));
        const RunState& state = rig.engine().state();
        QCOMPARE(state.phase, RunState::Phase::Running);
        QCOMPARE(state.cycle, killed.cycle);
        QCOMPARE(state.step, killed.step);
        QCOMPARE(state.elapsedS, killed.elapsedS);
        QCOMPARE(rig.engine().runSeconds(), killed.runS);
        QCOMPARE(rig.root.library().programPath(), program);
        // The status page shows it like any other run, with its resume event.
        const QByteArray json = statusJson(rig.root.statusFeed().snapshot());
        QVERIFY2(json.contains("\"resume\"") && json.contains("\"running\""), json.constData());

        // Connect tells the board the step's relays.
        connectSimulatedBoards(rig.root.panel());
        QTRY_COMPARE_WITH_TIMEOUT(
            sim.laterLines(),
            (QStringList{"relay 1 closed (laser on)", "relay 2 closed (vacuum pump on)"}), 5000);
        rig.tick(18 - static_cast<int>(killed.elapsedS) + 1);
        QCOMPARE(rig.engine().state().step, 3);
        QTRY_COMPARE_WITH_TIMEOUT(sim.laterLines().size(), 4, 5000);

        // The same record goes on, with the downtime.
        const QString record = rig.root.recorder().recordPath();
        QCOMPARE(QFileInfo(record).fileName(), records[0]);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QCOMPARE(text.count("# run record"), 1);
        const qint64 downtime = 86400 - killed.runS;
        const QRegularExpression resume(
            QString("^%1\t2026-12-08T08:00:00[^\t]*\t2\tresume\t.*\tthe program was down %2 s")
                .arg(killed.runS)
                .arg(downtime),
            QRegularExpression::MultilineOption);
        QVERIFY2(text.contains(resume), qPrintable(text.right(2000)));
        rig.root.exitSoftware();
        QVERIFY(!journalNow()->isOpenRun());
    }

    void aKilledPauseContinuesPaused() {
        const QString program = writeProgram("paused.TSY");
        const Killed killed = killChildRun(program, true);
        QCOMPARE(killed.step, 2);
        Rig rig;
        messages().answerNext(MessageAnswer::Continue);
        rig.start();
        QCOMPARE(rig.engine().state().phase, RunState::Phase::Paused);
        QVERIFY(rig.root.panel().启动程序[RunEngine::Contin]->isEnabled());
        QVERIFY(!rig.root.panel().启动程序[RunEngine::Start]->isEnabled());
        rig.clock.advanceMs(7000);
        rig.engine().启动程序_Click(RunEngine::Contin);
        rig.tick(2);
        QCOMPARE(rig.engine().state().elapsedS, killed.elapsedS + 2);
        QCOMPARE(rig.engine().state().cycle, 2);
    }

    // Stopp, the program's end and Exit close the journal; a run kept open is in it.
    void endsOnPurposeLeaveNoOpenRun() {
        const QString program = writeProgram("ends.TSY");
        for (const char* way : {"Stopp", "end", "Exit"}) {
            Rig rig;
            rig.start();
            QVERIFY(rig.root.library().loadProgram(program));
            rig.engine().启动程序_Click(RunEngine::Start);
            rig.tick(5);
            QVERIFY2(journalNow() && journalNow()->isOpenRun() && journalNow()->position.step == 1,
                     way);
            if (QByteArray(way) == "Stopp") {
                rig.engine().启动程序_Click(RunEngine::Stopp);
            } else if (QByteArray(way) == "end") {
                rig.tick(20);
                QCOMPARE(rig.engine().state().phase, RunState::Phase::Stopped);
            } else {
                rig.root.exitSoftware();
            }
            QVERIFY2(journalNow() && !journalNow()->isOpenRun(), way);
        }
        QVERIFY(offers().isEmpty());
    }

    // A program file that is not the one that ran is never continued; Discard closes the run.
    // A damaged journal offers nothing.
    void aChangedOrGoneProgramOffersOnlyDiscard() {
        const QString program = writeProgram("changed.TSY");
        QByteArray openJournal;
        {
            Rig rig;
            QVERIFY(rig.root.library().loadProgram(program));
            rig.engine().启动程序_Click(RunEngine::Start);
            rig.tick(3);
            QFile file(RunJournal::defaultPath());
            QVERIFY(file.open(QIODevice::ReadOnly));
            openJournal = file.readAll();
        }
        const auto crashWith = [](const QByteArray& bytes) {
            QFile file(RunJournal::defaultPath());
            return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
        };
        const ParsedProgram parsed = readProgramFile(program);
        QVERIFY(parsed.steps);
        ProgramSteps changed = *parsed.steps;
        changed[2].flags = {0, 1, 0};
        QVERIFY(!writeProgramFile(program, changed));
        for (const char* file : {"changed", "gone"}) {
            if (QByteArray(file) == "gone") {
                QVERIFY(QFile::remove(program));
            }
            QVERIFY(crashWith(openJournal));
            messages().clear();
            messages().answerNext(MessageAnswer::Continue);
            Rig rig;
            rig.start();
            QCOMPARE(offers().size(), 1);
            QCOMPARE(offers()[0].buttons, MessageButtons::Discard);
            QVERIFY2(offers()[0].text.contains(QByteArray(file) == "gone" ? "is gone"
                                                                          : "not the program"),
                     qPrintable(offers()[0].text));
            QCOMPARE(rig.engine().state().phase, RunState::Phase::Stopped);
            QVERIFY(!journalNow()->isOpenRun());
        }
        QVERIFY(crashWith(openJournal.left(JournalFile::kHeaderBytes + 20)));
        messages().clear();
        Rig rig;
        rig.start();
        QVERIFY(offers().isEmpty());
    }
};

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == kChildMode) {
        // HOME and the data folder come from the parent's environment.
        QApplication app(argc, argv);
        TestEnvironment::configureApplication("RunResumeTest");
        return runUntilKilled(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]) == "pause");
    }
    TestEnvironment environment("RunResumeTest");
    QApplication app(argc, argv);
    TestEnvironment::configureApplication("RunResumeTest");
    RunResumeTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RunResumeTest.moc"

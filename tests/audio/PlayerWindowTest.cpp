// The player window and its playback engine over the real library: requests, captions and
// labels, message boxes and the sound itself from SDL's disk driver output.
#include "audio/PlayerOnFirstUse.h"
#include "audio/frmMemory.h"
#include "tests/harness/AudioTestSupport.h"
#include "tests/harness/TestHarness.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>

using namespace audiotest;

namespace {

// Holds every load just before its channel starts, while set.
std::atomic<bool> g_holdPlay{false};
// Set while a load waits at the gate.
std::atomic<bool> g_heldAtPlay{false};
decltype(&BASS_ChannelPlay) g_realPlay = nullptr;

BOOL BASS_CALLBACK heldPlay(DWORD handle, BOOL restart) {
    while (g_holdPlay.load()) {
        g_heldAtPlay = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    g_heldAtPlay = false;
    return g_realPlay(handle, restart);
}

// The program's library with a gate before each channel starts.
BassLoad gatedLibrary(const QString& folder) {
    BassLoad load = loadBassApi(folder);
    if (load.api) {
        g_realPlay = load.api->ChannelPlay;
        load.api->ChannelPlay = heldPlay;
    }
    return load;
}

// Passes of a channel as the library counts them.
std::atomic<int> g_passes{0};
void BASS_CALLBACK countPass(HSYNC, DWORD, DWORD, DWORD) {
    ++g_passes;
}
std::atomic<int> g_laterPasses{0};
void BASS_CALLBACK countLaterPass(HSYNC, DWORD, DWORD, DWORD) {
    ++g_laterPasses;
}

// Notes the thread and owner of every box, then lets the harness record and answer it.
class CheckedBoxes final : public MessageBoxService {
public:
    MessageAnswer show(QWidget* parent, const MessageRequest& request) override {
        if (QThread::currentThread() != QCoreApplication::instance()->thread()) {
            offThread = true;
            return MessageAnswer::Ok;
        }
        owners.append(parent);
        return TestEnvironment::instance().messages().show(parent, request);
    }

    std::atomic<bool> offThread{false};
    QList<QWidget*> owners;
};

RecordingMessageBoxes& boxes() {
    return TestEnvironment::instance().messages();
}

QString home(const QString& name) {
    return TestEnvironment::instance().home() + QLatin1Char('/') + name;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// True when this process holds a descriptor open on the file.
bool heldOpen(const QString& path) {
    const QString target = QFileInfo(path).absoluteFilePath();
    const auto links =
        QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::AllEntries | QDir::System);
    for (const QFileInfo& link : links) {
        if (link.symLinkTarget() == target) {
            return true;
        }
    }
    return false;
}

// Waits without running the event loop.
template <typename Done> bool spinUntil(Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

float positionSeconds(DWORD channel) {
    return api().ChannelBytes2Seconds(channel, api().ChannelGetPosition(channel));
}

constexpr std::size_t kTail = 4410; // a tenth of a second

// Lets the output grow by `frames`, then reads it.
std::vector<std::int16_t> outputAfter(const DiskCapture& capture, std::size_t frames) {
    const std::size_t target = capture.frames() + frames;
    [&] {
        QTRY_VERIFY_WITH_TIMEOUT(capture.frames() >= target, 20000);
    }();
    return capture.samples();
}

// The tone of one side over the last tenth of a second of the output.
double tailHz(const std::vector<std::int16_t>& out, int side) {
    return toneHz(out, side, frameCount(out) - kTail, kTail);
}
int tailPeak(const std::vector<std::int16_t>& out, int side) {
    return peak(out, side, frameCount(out) - kTail, kTail);
}

} // namespace

class PlayerWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<DiskCapture> m_capture;
    std::unique_ptr<frmMemory> m_player;
    CheckedBoxes m_boxes;
    int m_endings = 0;

    // A player writing its sound to a fresh capture; delayMs 1 runs about twice as fast as
    // real time.
    frmMemory& open(const char* name, int delayMs = 1) {
        m_capture = std::make_unique<DiskCapture>(QString::fromLatin1(name), delayMs);
        PlayerSetup setup;
        setup.loadLibrary = gatedLibrary;
        setup.endProgram = [this](int) {
            ++m_endings;
        };
        m_player = std::make_unique<frmMemory>(setup);
        return *m_player;
    }

    // Plays a clip and waits until it sounds.
    void playAndWait(frmMemory& player, const QString& name) {
        player.播放一个指定文件(name);
        QTRY_VERIFY(!player.busy());
        QTRY_VERIFY(player.tmrBASS->isActive());
    }

    void verifyTail(double leftHz, double rightHz) {
        const auto out = outputAfter(*m_capture, 22050);
        QVERIFY2(std::abs(tailHz(out, 0) - leftHz) < 2,
                 qPrintable(QString::number(tailHz(out, 0))));
        if (rightHz == 0) {
            QCOMPARE(tailPeak(out, 1), 0);
        } else {
            QVERIFY2(std::abs(tailHz(out, 1) - rightHz) < 2,
                     qPrintable(QString::number(tailHz(out, 1))));
        }
    }

private slots:
    void initTestCase() {
        qputenv("SDL_AUDIODRIVER", "disk");
        setMessageBoxService(&m_boxes);
    }
    void cleanupTestCase() { setMessageBoxService(&boxes()); }
    void init() {
        boxes().clear();
        m_boxes.owners.clear();
        m_boxes.offThread = false;
        g_holdPlay = false;
        m_endings = 0;
    }
    void cleanup() {
        g_holdPlay = false;
        m_player.reset();
        QVERIFY(!m_boxes.offThread);
        QCOMPARE(m_endings, 0);
    }

    void fileNameHelpers() {
        QCOMPARE(frmMemory::GetFileName(QStringLiteral("C:\\x\\00.mc")), QStringLiteral("00.mc"));
        QCOMPARE(frmMemory::GetFileName(QStringLiteral("00.mc")), QStringLiteral("00.mc"));
        QCOMPARE(frmMemory::GetFileName(QStringLiteral("/opt/tessaly/37.mc")),
                 QStringLiteral("37.mc"));
        QCOMPARE(frmMemory::GetFileName(QStringLiteral("a/b\\c.mc")), QStringLiteral("c.mc"));
        QCOMPARE(frmMemory::RPP(QStringLiteral("C:\\")), QStringLiteral("C:\\"));
        QCOMPARE(frmMemory::RPP(QStringLiteral("/opt/x/")), QStringLiteral("/opt/x/"));
        QCOMPARE(frmMemory::RPP(QStringLiteral("/opt/x")),
                 QStringLiteral("/opt/x") + QDir::separator());

        writeFile(home(QStringLiteral("plain.mc")), "x");
        writeFile(home(QStringLiteral(".hidden.mc")), "x");
        QVERIFY(frmMemory::FileExists(home(QStringLiteral("plain.mc"))));
        QVERIFY(!frmMemory::FileExists(home(QStringLiteral(".hidden.mc"))));
        QVERIFY(!frmMemory::FileExists(TestEnvironment::instance().home()));
        QVERIFY(!frmMemory::FileExists(home(QStringLiteral("absent.mc"))));
    }

    // The program's own way in: the first request creates the window, which sets up the
    // library, and a relative clip name is found in the program folder.
    void firstRequestCreatesTheWindowAndLoopsTheClip() {
        DiskCapture capture(QStringLiteral("first"));
        QDir::setCurrent(TestEnvironment::instance().home());
        PlayerOnFirstUse holder;
        QVERIFY(holder.existing() == nullptr);
        holder.provider()().播放一个指定文件(QStringLiteral("37.mc"));
        frmMemory* player = holder.existing();
        QVERIFY(player != nullptr);
        QVERIFY(player->initialized());
        QVERIFY(player->isHidden());
        QCOMPARE(player->windowTitle(), QStringLiteral("播放内存音乐文件"));
        QCOMPARE(QDir::currentPath(), QDir(TestEnvironment::programFolder()).absolutePath());
        QCOMPARE(player->lblDXVer->text(), QStringLiteral("DX Version: 9"));
        QCOMPARE(player->lblFilePath->text(), QStringLiteral("文件: 37.mc"));

        QTRY_COMPARE(player->cmdOpenPlay->text(), QStringLiteral("播放中... 点击开启另一音乐文件"));
        QTRY_VERIFY(player->tmrBASS->isActive());
        const qint64 size = QFileInfo(QStringLiteral("37.mc")).size();
        const int kbps = static_cast<int>(std::nearbyint(size * 8 / 10.0 / 1000));
        QTRY_COMPARE(player->lblBitsPS->text(),
                     QStringLiteral("Kbp/s: %1 [average kbp/s for vbr mp3s]").arg(kbps));
        QCOMPARE(player->lblDur->text(), QStringLiteral("总计时: 10.0 seconds / 00:00:10"));
        QCOMPARE(player->lblFreq->text(), QStringLiteral("频率: 44100 Hz, 16 bits, Stereo"));
        QCOMPARE(player->lblBPS->text(), QStringLiteral("Bytes/s: 176400"));
        QTRY_VERIFY(player->lblPos->text().contains(
            QRegularExpression(QStringLiteral("^当前位置: [1-9]\\d*\\.\\d seconds$"))));
        QVERIFY(player->lblMins->text().contains(
            QRegularExpression(QStringLiteral("^当前时间: 00:00:(0\\d|10)$"))));

        // Past the end of the first pass it still sounds: the clip loops.
        const auto start = capture.frames();
        QTRY_VERIFY_WITH_TIMEOUT(capture.frames() >= start + 441000 + 44100, 30000);
        const auto out = capture.samples();
        const std::size_t first = firstSound(out);
        QVERIFY(frameCount(out) > first + 441000 + kTail);
        QVERIFY(std::abs(toneHz(out, 0, first + 441000, kTail) - 300) < 2);
        QVERIFY(std::abs(toneHz(out, 1, first + 441000, kTail) - 700) < 2);
        QCOMPARE(boxes().count(), 0);
    }

    // Stopping the left and then the right pump: the second request comes while the first
    // loads. It waits, in one slot a later request takes over, and sounds as soon as that load
    // ends, without a message: the latest request is always the one heard.
    void latestRequestDuringALoadSoundsWhenItEnds() {
        frmMemory& player = open("waiting");
        g_holdPlay = true;
        player.播放一个指定文件(QStringLiteral("37.mc"));
        QVERIFY(player.busy());
        player.播放一个指定文件(QStringLiteral("05.mc"));
        player.播放一个指定文件(QStringLiteral("90.mc"));
        player.Command1->click();
        QCOMPARE(player.cmd.FileName, QStringLiteral("37.mc"));
        QCOMPARE(player.lblFilePath->text(), QStringLiteral("文件: 37.mc"));
        QCOMPARE(player.Command1->text(), QStringLiteral("Command1"));
        g_holdPlay = false;
        QTRY_COMPARE(player.cmd.FileName, QStringLiteral("90.mc"));
        QTRY_VERIFY(!player.busy());
        QTRY_VERIFY(player.tmrBASS->isActive());
        QCOMPARE(player.lblFilePath->text(), QStringLiteral("文件: 90.mc"));
        verifyTail(900, 0);
        QCOMPARE(boxes().count(), 0);
    }

    // Requests far faster than clips load, in bursts, missing and empty files among them:
    // nothing crashes or sticks, what sounds afterwards is the last request, and no descriptor
    // is left open.
    void aStormOfRequestsEndsWithTheLastOneSounding() {
        frmMemory& player = open("storm");
        writeFile(home(QStringLiteral("empty.mc")), {});
        playAndWait(player, QStringLiteral("00.mc"));
        const auto descriptors = [] {
            return QDir(QStringLiteral("/proc/self/fd"))
                .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .size();
        };
        const qsizetype before = descriptors();
        const QStringList names = {QStringLiteral("37.mc"),           QStringLiteral("90.mc"),
                                   home(QStringLiteral("empty.mc")),  QStringLiteral("05.mc"),
                                   home(QStringLiteral("absent.mc")), QStringLiteral("00.mc")};
        int requests = 0;
        for (int burst = 0; burst < 100; ++burst) {
            for (int k = 0; k < 100; ++k, ++requests) {
                player.播放一个指定文件(names[(burst * 7 + k) % names.size()]);
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(requests, 10000);
        player.播放一个指定文件(QStringLiteral("90.mc"));
        QTRY_COMPARE_WITH_TIMEOUT(player.cmd.FileName, QStringLiteral("90.mc"), 20000);
        QTRY_VERIFY(!player.busy());
        QTRY_VERIFY(player.tmrBASS->isActive());
        verifyTail(900, 0);
        QCOMPARE(descriptors(), before);
        QCOMPARE(boxes().count(), 0);
    }

    // A load that finishes while the window is still busy elsewhere, and a new request that
    // comes before the window has seen its reports: its playing caption and timer start must
    // not land on the new load.
    void reportsOfAnOvertakenLoadAreDropped() {
        frmMemory& player = open("overtaken");
        player.播放一个指定文件(QStringLiteral("37.mc"));
        // Not letting the window's thread run its queue meanwhile.
        QVERIFY(spinUntil([&] { return !player.busy(); }));
        g_holdPlay = true;
        player.播放一个指定文件(QStringLiteral("90.mc"));
        QVERIFY(spinUntil([] { return g_heldAtPlay.load(); }));
        QCoreApplication::processEvents();
        QCOMPARE(player.cmdOpenPlay->text(), QStringLiteral("播放中... 点击开启另一音乐文件"));
        QVERIFY(!player.tmrBASS->isActive());
        QCOMPARE(player.lblDur->text(), QStringLiteral("总计时: 0.0 秒 / 00:00:00"));
        g_holdPlay = false;
        QTRY_VERIFY(player.tmrBASS->isActive());
        QTRY_COMPARE(player.lblDur->text(), QStringLiteral("总计时: 10.0 seconds / 00:00:10"));
        verifyTail(900, 0);
    }

    void sameFileAgainRestartsIt() {
        frmMemory& player = open("restart"); // about twice real time
        playAndWait(player, QStringLiteral("37.mc"));
        const DWORD first = player.currentChannel();
        QTRY_VERIFY_WITH_TIMEOUT(positionSeconds(first) >= 3.0f, 20000);
        const float before = positionSeconds(first);
        player.播放一个指定文件(QStringLiteral("37.mc"));
        QTRY_VERIFY(!player.busy());
        const DWORD second = player.currentChannel();
        QVERIFY(second != 0 && second != first);
        const float after = positionSeconds(second);
        QVERIFY2(after >= 0 && after < before,
                 qPrintable(QStringLiteral("%1 then %2").arg(double(before)).arg(double(after))));
    }

    // Nothing to load: nothing is created or left open, no box, and the sound goes on, with
    // the position display stopped and the load caption left as it was.
    void nothingToLoadKeepsTheSoundPlaying_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("empty file") << "empty";
        QTest::newRow("missing file") << "missing";
        QTest::newRow("folder") << "folder";
    }
    void nothingToLoadKeepsTheSoundPlaying() {
        QFETCH(QString, kind);
        const QString path = home(QStringLiteral("nothing-") + kind);
        QFile::remove(path);
        if (kind == QLatin1String("empty")) {
            writeFile(path, {});
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        }
        frmMemory& player = open("nothing");
        playAndWait(player, QStringLiteral("37.mc"));
        const DWORD playing = player.currentChannel();

        player.播放一个指定文件(path);
        QTRY_VERIFY(!player.busy());
        QCOMPARE(player.currentChannel(), playing);
        QVERIFY(!player.tmrBASS->isActive());
        QCOMPARE(player.cmdOpenPlay->text(), QStringLiteral("文件读入中..."));
        QCOMPARE(QFileInfo::exists(path), kind != QLatin1String("missing"));
        QVERIFY(!heldOpen(path));
        verifyTail(300, 700);
        QCOMPARE(boxes().count(), 0);
    }

    // A program's end hands over an empty name and then, at once, the idle clip: the empty
    // request must not keep the loader busy, or the pumps would go on at the last step's levels.
    void nothingToLoadLeavesTheNextRequestHeard() {
        frmMemory& player = open("empty-then-idle");
        playAndWait(player, QStringLiteral("37.mc"));
        player.播放一个指定文件(QString());
        QVERIFY(!player.busy());
        playAndWait(player, QStringLiteral("90.mc"));
        verifyTail(900, 0);
    }

    // Data neither decoder takes: the box carries the library's own code, on the window's
    // thread, and the old sound is gone.
    void undecodableDataShowsTheLibraryErrorThenSilence() {
        const QString path = home(QStringLiteral("garbage.mc"));
        writeFile(path, QByteArray("this is no sound file\n").repeated(500));
        frmMemory& player = open("garbage");
        playAndWait(player, QStringLiteral("37.mc"));

        player.播放一个指定文件(path);
        QTRY_COMPARE(boxes().count(), 1);
        QCOMPARE(boxes().last().text, QStringLiteral("没法从内存中读取数据\r\n(error code: 41)"));
        QCOMPARE(boxes().last().title, QStringLiteral("Error"));
        QCOMPARE(boxes().last().icon, MessageIcon::Warning);
        QCOMPARE(m_boxes.owners.value(0), &player);
        QTRY_VERIFY(!player.busy());
        QCOMPARE(player.currentChannel(), DWORD{0});
        QVERIFY(!player.tmrBASS->isActive());
        QVERIFY(!heldOpen(path));
        const auto out = outputAfter(*m_capture, 22050);
        QCOMPARE(tailPeak(out, 0), 0);
        QCOMPARE(tailPeak(out, 1), 0);
    }

    // With end notification on, every pass through the end brings one "End..." box; turning it
    // off stops them.
    void endNotificationShowsOneBoxPerPass() {
        const auto mp3 = loopMp3(2, 8, 11025); // a quarter of a second
        const QString path = home(QStringLiteral("short.mc"));
        writeFile(path, QByteArray(reinterpret_cast<const char*>(mp3.data()),
                                   static_cast<qsizetype>(mp3.size())));
        frmMemory& player = open("ends");
        player.chkSYNC->setChecked(true);
        g_holdPlay = true;
        player.播放一个指定文件(path);
        QTRY_VERIFY(player.currentChannel() != 0);
        const DWORD channel = player.currentChannel();
        // Our own count of passes, registered before the channel starts.
        g_passes = 0;
        const HSYNC counter = api().ChannelSetSync(channel, BASS_SYNC_END, 0, countPass, 0);
        QVERIFY(counter != 0);
        g_holdPlay = false;
        QTRY_VERIFY_WITH_TIMEOUT(boxes().count() >= 4, 20000);
        verifyTail(200, 800);

        player.chkSYNC->setChecked(false);
        QVERIFY(api().ChannelRemoveSync(channel, counter));
        // Three more passes, and every report from before them has been delivered.
        g_laterPasses = 0;
        QVERIFY(api().ChannelSetSync(channel, BASS_SYNC_END, 0, countLaterPass, 0) != 0);
        QTRY_VERIFY_WITH_TIMEOUT(g_laterPasses >= 3, 20000);
        QCoreApplication::processEvents();

        const int passes = g_passes;
        const int shown = boxes().count();
        QVERIFY2(std::abs(shown - passes) <= 1,
                 qPrintable(QStringLiteral("%1 boxes, %2 passes").arg(shown).arg(passes)));
        for (int i = 0; i < shown; ++i) {
            QCOMPARE(boxes().shown()[i].text, QStringLiteral("End..."));
            QCOMPARE(boxes().shown()[i].title, QStringLiteral("SYNCtest"));
            QCOMPARE(boxes().shown()[i].icon, MessageIcon::Information);
            QCOMPARE(m_boxes.owners[i], &player);
        }
    }

    void embeddedSoundPlaysFromCommand1() {
        frmMemory& player = open("embedded");
        player.Command1->click();
        QCOMPARE(player.lblFilePath->text(), QStringLiteral("文件: 从资源文件中播放“"));
        QCOMPARE(player.Command1->text(), QStringLiteral("文件读入中..."));
        QTRY_COMPARE(player.Command1->text(), QStringLiteral("从内存中在播放"));
        QTRY_COMPARE(player.lblDur->text(), QStringLiteral("总计时: 2.0 seconds / 00:00:02"));
        QVERIFY(player.tmrBASS->isActive());
        verifyTail(400, 600);
        QCOMPARE(boxes().count(), 0);
    }

    void stepZeroAndTestNameButtons() {
        frmMemory& player = open("buttons");
        player.setStepZeroClip([] { return QStringLiteral("90.mc"); });
        player.cmdOpenPlay->click();
        QCOMPARE(player.cmd.FileName, QStringLiteral("90.mc"));
        QTRY_VERIFY(player.tmrBASS->isActive());
        verifyTail(900, 0);

        player.Text1[0]->setText(QStringLiteral("3"));
        player.Text1[1]->setText(QStringLiteral("7"));
        player.Command2->click();
        QCOMPARE(player.Label1->text(), QStringLiteral("37.mp3"));
    }

    // Set-up failures show their box and end the program: each in a process of its own.
    void setUpFailuresEndTheProgram_data() {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("driver");
        QTest::addColumn<QString>("box");
        const QString critical = QString::number(static_cast<int>(MessageIcon::Critical));
        const QString warning = QString::number(static_cast<int>(MessageIcon::Warning));
        QTest::newRow("library file missing") << home(QStringLiteral("no-library")) << "dummy"
                                              << critical + "\tBASS.DLL\tBASS.DLL does not exists";
        QTest::newRow("wrong version")
            << QStringLiteral(WRONG_VERSION_BASS_DIR) << "dummy"
            << critical + "\tIncorrect BASS.DLL\tBASS version 2.2 was not loaded";
        QTest::newRow("entry point missing")
            << QStringLiteral(PARTIAL_BASS_DIR) << "dummy"
            << critical + "\tIncorrect BASS.DLL\tBASS version 2.2 was not loaded";
        QTest::newRow("no sound output")
            << TestEnvironment::programFolder() << "no-such-driver"
            << warning + "\tError\tCouldn't Initialize Digital Output\\r\\n(error code: 3)";
    }
    void setUpFailuresEndTheProgram() {
        QFETCH(QString, folder);
        QFETCH(QString, driver);
        QFETCH(QString, box);
        QVERIFY(QDir().mkpath(folder));
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SDL_AUDIODRIVER"), driver);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(PLAYER_START_PROBE), {folder});
        QVERIFY(probe.waitForFinished(60000));
        const QString out = QString::fromUtf8(probe.readAllStandardOutput());
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 1);
        QCOMPARE(out, QStringLiteral("box\t") + box + QLatin1Char('\n'));
    }
};

TESSALY_TEST_MAIN(PlayerWindowTest)
#include "PlayerWindowTest.moc"

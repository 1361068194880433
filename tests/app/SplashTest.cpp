#include "app/AppRoot.h"
#include "app/StartUp.h"
#include "base/Clock.h"
#include "base/Twips.h"
#include "intro/InstalledFiles.h"
#include "intro/IntroWindow.h"
#include "panel/TessalyPanel.h"
#include "tests/harness/TestHarness.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

// Records what the splash asks of its player; the test says whether it is playing.
class FakePlayer final : public VideoPlayer {
public:
    struct Log {
        QStringList files;
        bool muted = false;
        State state = Playing;
        bool released = false;
    };
    explicit FakePlayer(Log& log) : m_log(log) {}
    QWidget* widget() override { return &m_widget; }
    void setFileName(const QString& name) override { m_log.files << name; }
    void play() override { m_log.state = Playing; }
    void stop() override { m_log.state = Stopped; }
    State playState() const override { return m_log.state; }
    void setMute(bool mute) override { m_log.muted = mute; }
    bool isMuted() const override { return m_log.muted; }
    void release() override {
        m_log.state = Stopped;
        m_log.released = true;
    }

private:
    Log& m_log;
    QWidget m_widget;
};

// A folder holding every installed file, as empty files.
void fillInstalledFolder(const QString& folder) {
    for (const InstalledFile& file : installedFiles()) {
        QFile f(QDir(folder).filePath(file.name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
}

struct SplashRig {
    ManualClock clock;
    QTemporaryDir folder;
    FakePlayer::Log player;
    int handOvers = 0;
    int closedEarly = 0;
    std::unique_ptr<片头> splash;

    explicit SplashRig(qint64 clockStartMs = 0) {
        clock.advanceMs(clockStartMs);
        fillInstalledFolder(folder.path());
    }
    void load() {
        片头::Services s;
        s.clock = &clock;
        s.folder = folder.path();
        s.player = std::make_unique<FakePlayer>(player);
        s.handOver = [this] {
            ++handOvers;
        };
        s.closedBeforeHandOver = [this] {
            ++closedEarly;
        };
        splash = std::make_unique<片头>(std::move(s));
        splash->start();
    }
    // One second of the splash's life: the check on even seconds, then the hand-over timer.
    // Returns the second at which the hand-over happened, or 0.
    int runSeconds(int seconds) {
        for (int t = 1; t <= seconds; ++t) {
            clock.advanceMs(1000);
            if (t % 2 == 0 && splash->检查文件是否齐全->isActive()) {
                splash->检查文件是否齐全_Timer();
            }
            if (splash->Timer1->isActive()) {
                splash->Timer1_Timer();
            }
            if (handOvers > 0) {
                return t;
            }
        }
        return 0;
    }
};

} // namespace

class SplashTest : public QObject {
    Q_OBJECT
private slots:
    void theInstalledFileListReadsAndADamagedOneDoesNot() {
        QCOMPARE(installedFiles().size(), std::size_t{119});
        QCOMPARE(installedFiles().front().name, QString("Dorvex.mp4"));
        QCOMPARE(installedFiles().back().step, 133);
        QCOMPARE(parseInstalledFiles("# comment\n2\tDorvex.mp4\tmp4\n").size(), std::size_t{1});
        QVERIFY(parseInstalledFiles("2\tDorvex.mp4\tmp4\n3\tKelmira.mp4\tvideo\n").empty());
        QVERIFY(parseInstalledFiles("x\tDorvex.mp4\tmp4\n").empty());
    }

    void progressTexts() {
        QCOMPARE(progressText(2), QStringLiteral("Loading.2-2%"));
        QCOMPARE(progressText(19), QStringLiteral("Loading.19-15%"));
        QCOMPARE(progressText(107), QStringLiteral("Loading.107-82%"));
        QCOMPARE(progressText(130), QStringLiteral("Loading.130-99%"));
        QCOMPARE(progressText(132), QStringLiteral("Loading.132-99%"));
        QCOMPARE(progressText(133), QStringLiteral("Loading.133-100%"));
    }

    // Names match without regard to case; a folder, a hidden file or a broken link under an
    // installed name counts as missing.
    void lookupIgnoresCaseButNotKind() {
        QTemporaryDir dir;
        fillInstalledFolder(dir.path());
        QDir d(dir.path());
        QVERIFY(d.rename("Kelmira.mp4", "KELMIRA.MP4"));
        QVERIFY(checkInstalledFiles(installedNamesIn(dir.path())).complete());
        QCOMPARE(findIgnoringCase(dir.path(), "kelmira.mp4"), d.filePath("KELMIRA.MP4"));

        QVERIFY(d.remove("Help.CHM"));
        QVERIFY(d.mkdir("help.chm"));
        InstalledFileCheck check = checkInstalledFiles(installedNamesIn(dir.path()));
        QCOMPARE(check.lastFoundStep, 4);
        QCOMPARE(*check.missing, ReleaseHook::Chm);

        QVERIFY(d.rmdir("help.chm"));
        QVERIFY(QFile::link(d.filePath("nowhere"), d.filePath("Help.CHM")));
        QVERIFY(!checkInstalledFiles(installedNamesIn(dir.path())).complete());
        QVERIFY(findIgnoringCase(dir.path(), "Help.chm").isEmpty());
    }

    // The export source 57.MC differs from the loop clip 57.mc only in case, but is no loop
    // clip: with the clip gone the check stops before it.
    void anExportSourceDoesNotStandInForItsLoopClip() {
        QTemporaryDir dir;
        fillInstalledFolder(dir.path());
        QDir d(dir.path());
        QVERIFY(d.rename("57.mc", "57.MC"));
        const InstalledFileCheck check = checkInstalledFiles(installedNamesIn(dir.path()));
        QCOMPARE(progressText(check.lastFoundStep), QString("Loading.64-49%"));
        QCOMPARE(*check.missing, ReleaseHook::Files);
        QVERIFY(d.rename("57.MC", "57.Mc"));
        QVERIFY(checkInstalledFiles(installedNamesIn(dir.path())).complete());
    }

    void allFilesPresentHandsOverAtTheFirstTickAfterTenSeconds() {
        SplashRig rig;
        rig.load();
        QVERIFY(rig.splash->isVisible());
        QVERIFY(rig.player.muted);
        QCOMPARE(rig.player.files, QStringList{"Kelmira.mp4"});
        QCOMPARE(rig.runSeconds(2), 0);
        QVERIFY(!rig.splash->检查文件是否齐全->isActive());
        QCOMPARE(rig.splash->通知信息->text(), QStringLiteral("Loading.133-100%"));
        QCOMPARE(rig.splash->ProgressBar1->value(), 133);
        // At exactly 10 s the splash still shows.
        QCOMPARE(rig.runSeconds(8), 0);
        QCOMPARE(rig.runSeconds(5), 1);
        QVERIFY(!rig.splash->isVisible());
        QVERIFY(!rig.splash->Timer1->isActive());
        QCOMPARE(rig.splash->height(), twips(8400));
        QVERIFY(rig.splash->通知信息->isHidden());
        QVERIFY(rig.splash->ProgressBar1->isHidden());
        // Stopped and its decoders let go, not kept for the whole run.
        QCOMPARE(rig.player.state, VideoPlayer::Stopped);
        QVERIFY(rig.player.released);
    }

    // The check stops at the file before the missing one, repeats, gives up after 15 s, and
    // the logo video restarts whenever it has stopped after the first 10 s.
    void aMissingClipIsGivenUpAfterFifteenSeconds() {
        SplashRig rig;
        QVERIFY(QFile::remove(QDir(rig.folder.path()).filePath("57.mc")));
        rig.load();
        rig.runSeconds(10);
        QCOMPARE(rig.splash->通知信息->text(), QStringLiteral("Loading.64-49%"));
        QCOMPARE(rig.splash->ProgressBar1->value(), 64);
        QVERIFY(rig.splash->检查文件是否齐全->isActive());
        QCOMPARE(rig.player.files.size(), 1);
        rig.player.state = VideoPlayer::Stopped;
        QCOMPARE(rig.runSeconds(1), 0);
        QCOMPARE(rig.player.files, (QStringList{"Kelmira.mp4", "Kelmira.mp4"}));
        QCOMPARE(rig.runSeconds(1), 0);
        QCOMPARE(rig.player.files.size(), 2);
        const int handOverAt = 12 + rig.runSeconds(10);
        QCOMPARE(handOverAt, 16);
        QCOMPARE(rig.splash->通知信息->text(), QStringLiteral("Loading.64-49%"));
    }

    // A millisecond count past 2^32 (where a 32-bit tick count wraps) changes nothing.
    void elapsedTimeSurvivesTheThirtyTwoBitWrap() {
        SplashRig rig((qint64(1) << 32) - 3000);
        rig.load();
        QCOMPARE(rig.runSeconds(20), 11);
    }

    void closingTheSplashEndsTheProgramWithoutAPanel() {
        SplashRig rig;
        rig.load();
        rig.runSeconds(4);
        QVERIFY(rig.splash->close());
        QCOMPARE(rig.closedEarly, 1);
        QVERIFY(!rig.splash->Timer1->isActive());
        QVERIFY(!rig.splash->检查文件是否齐全->isActive());
        QCOMPARE(rig.runSeconds(20), 0);
    }

    // In splash size the buttons lie below the window and take no input.
    void buttonsOnlyInTheVideoWindow() {
        SplashRig rig;
        rig.load();
        for (QPushButton* b :
             {rig.splash->Play1_Kelmira, rig.splash->Play2_Dorvex, rig.splash->Play3_Varnol}) {
            QVERIFY(b->geometry().top() >= rig.splash->height());
            QVERIFY(!b->isEnabled());
        }
        rig.splash->showAsVideoWindow();
        for (QPushButton* b :
             {rig.splash->Play1_Kelmira, rig.splash->Play2_Dorvex, rig.splash->Play3_Varnol}) {
            QVERIFY(rig.splash->rect().contains(b->geometry()));
            QVERIFY(b->isEnabled());
        }
        QVERIFY(!rig.splash->Timer1->isActive());
        QVERIFY(!rig.splash->检查文件是否齐全->isActive());
        rig.splash->Play3_Varnol->click();
        QCOMPARE(rig.player.files.last(), QStringLiteral("Varnol.mp4"));
    }

    // The video window after the hand-over shows the released player stopped: a video plays
    // only when its button is pressed, and closing the window lets the player go again.
    void theVideoWindowAfterTheHandOverWaitsForItsButtons() {
        SplashRig rig;
        rig.load();
        QCOMPARE(rig.runSeconds(11), 11);
        QVERIFY(rig.player.released);
        rig.player = {};
        rig.player.state = VideoPlayer::Stopped;
        rig.splash->showAsVideoWindow();
        QVERIFY(rig.splash->WindowsMediaPlayer1->widget()->isVisible());
        QVERIFY(rig.player.files.isEmpty());
        QCOMPARE(rig.player.state, VideoPlayer::Stopped);
        const QList<std::pair<QPushButton*, QString>> buttons = {
            {rig.splash->Play1_Kelmira, "Kelmira.mp4"},
            {rig.splash->Play2_Dorvex, "Dorvex.mp4"},
            {rig.splash->Play3_Varnol, "Varnol.mp4"}};
        for (const auto& [button, file] : buttons) {
            rig.player.state = VideoPlayer::Stopped;
            button->click();
            QCOMPARE(rig.player.files.last(), file);
            QCOMPARE(rig.player.state, VideoPlayer::Playing);
        }
        QVERIFY(!rig.player.released);
        QVERIFY(rig.splash->close());
        QVERIFY(rig.player.released);
        QCOMPARE(rig.closedEarly, 0);
    }

    // The panel is built at the hand-over; "Video intro" shows the intro window again, loading
    // it anew (unmuted, logo playing) once the operator has closed it.
    void startUpBuildsThePanelAtTheHandOverAndReloadsTheVideoWindow() {
        ManualClock clock;
        QTemporaryDir folder;
        fillInstalledFolder(folder.path());
        FakePlayer::Log player;
        int panels = 0;
        StartUp::Factories f;
        f.videoPlayer = [&player] {
            return std::make_unique<FakePlayer>(player);
        };
        f.mainPanel = [&] {
            ++panels;
            return std::make_unique<AppRoot>(clock, AppRoot::Sound::None);
        };
        StartUp startUp(clock, folder.path(), std::move(f));
        int ended = 0;
        startUp.endProcess = [&ended] {
            ++ended;
        };
        startUp.Main();
        for (int t = 1; t <= 11; ++t) {
            clock.advanceMs(1000);
            QCOMPARE(panels, 0);
            if (t % 2 == 0 && startUp.intro()->检查文件是否齐全->isActive()) {
                startUp.intro()->检查文件是否齐全_Timer();
            }
            startUp.intro()->Timer1_Timer();
        }
        QCOMPARE(panels, 1);
        QVERIFY(startUp.root()->panel().isVisible());
        QVERIFY(startUp.root()->panel().Timer3->isActive());
        QVERIFY(!startUp.intro()->isVisible());

        QAction* video = startUp.root()->panel().video;
        QVERIFY(video->isEnabled());
        video->trigger();
        QVERIFY(startUp.intro()->isVisible());
        QVERIFY(startUp.intro()->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(startUp.intro() == nullptr);
        QCOMPARE(ended, 0);
        player = {};
        player.muted = false;
        video->trigger();
        QVERIFY(startUp.intro()->isVisible());
        QCOMPARE(startUp.intro()->height(), twips(8400));
        QCOMPARE(player.files, QStringList{"Kelmira.mp4"});
        QVERIFY(!player.muted);
        QVERIFY(!startUp.intro()->Timer1->isActive());
    }

    void terminationDuringTheSplashEndsWithoutAPanel() {
        ManualClock clock;
        FakePlayer::Log player;
        StartUp::Factories f;
        f.videoPlayer = [&player] {
            return std::make_unique<FakePlayer>(player);
        };
        f.mainPanel = [] {
            return std::unique_ptr<AppRoot>();
        };
        StartUp startUp(clock, QDir::tempPath(), std::move(f));
        int ended = 0;
        startUp.endProcess = [&ended] {
            ++ended;
        };
        startUp.Main();
        startUp.terminate();
        QCOMPARE(ended, 1);
        QVERIFY(!startUp.intro()->Timer1->isActive());
        QVERIFY(startUp.root() == nullptr);
    }
};

TESSALY_TEST_MAIN(SplashTest)
#include "SplashTest.moc"

#include "base/Paths.h"
#include "intro/QtVideoPlayer.h"
#include "intro/VideoFrameView.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QScopeGuard>
#include <QSlider>
#include <QWidget>

// The video player and its helper process on the built videos: a video that ends reads stopped
// (the splash then starts it again), and a file that cannot be played, or a helper that is
// missing or dies, leaves the picture and a stopped player, never a crash.
class VideoPlayerTest : public QObject {
    Q_OBJECT

    static void showMuted(QtVideoPlayer& player) {
        player.setMute(true);
        player.widget()->resize(320, 200);
        player.widget()->show();
    }

private slots:
    void initTestCase() { QDir::setCurrent(TestEnvironment::programFolder()); }

    void theLogoVideoEndsStoppedAndPlaysAgain() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        showMuted(player);
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Playing, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 20000);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Playing, 10000);
        player.stop();
        QCOMPARE(player.playState(), VideoPlayer::Stopped);
    }

    // Frames reach the plain view; after the hand-over's release the next video still plays.
    void framesAreShownAndAReleasedPlayerPlaysAgain() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        showMuted(player);
        auto* view = player.widget()->findChild<VideoFrameView*>();
        QVERIFY(view != nullptr);
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!view->image().isNull(), 10000);
        player.release();
        QCOMPARE(player.playState(), VideoPlayer::Stopped);
        QVERIFY(view->image().isNull());
        player.setFileName(QStringLiteral("Dorvex.mp4"));
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Playing, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(!view->image().isNull(), 10000);
        player.stop();
    }

    // The video window after the hand-over shows the released player: its empty video area at
    // the start, not the picture that stands in where videos cannot be played.
    void aReleasedPlayerShowsItsEmptyVideoArea() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        showMuted(player);
        auto* view = player.widget()->findChild<VideoFrameView*>();
        auto* picture = player.widget()->findChild<QLabel*>();
        auto* position = player.widget()->findChild<QSlider*>();
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!view->image().isNull(), 10000);
        // As at the hand-over: the logo has played to its end.
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 20000);
        QVERIFY(position->value() > 0);
        player.release();
        QVERIFY(view->isVisible());
        QVERIFY(!picture->isVisible());
        QCOMPARE(position->value(), 0);
    }

    // A hidden, released player (the splash after its hand-over) holds no decoded picture; shown
    // again where no video plays, the picture is back.
    void aHiddenReleasedPlayerLetsGoOfItsPicture() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        player.widget()->show();
        auto* picture = player.widget()->findChild<QLabel*>();
        QVERIFY(!picture->pixmap().isNull());
        player.release();
        QVERIFY(!picture->pixmap().isNull());
        player.widget()->hide();
        player.release();
        QVERIFY(picture->pixmap().isNull());
        player.widget()->show();
        QVERIFY(picture->isVisible());
        QVERIFY(!picture->pixmap().isNull());
    }

    // The helper ends with the release; one that dies mid-video leaves a stopped player with its
    // picture, and the next video starts a new one.
    void theHelperEndsWithTheReleaseAndIsStartedAnewAfterDying() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        showMuted(player);
        auto* picture = player.widget()->findChild<QLabel*>();
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!picture->isVisible(), 10000);
        QPointer<QProcess> helper = player.widget()->findChild<QProcess*>();
        QVERIFY(helper != nullptr);
        helper->kill();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 10000);
        QVERIFY(picture->isVisible());

        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!picture->isVisible(), 10000);
        helper = player.widget()->findChild<QProcess*>();
        QVERIFY(helper != nullptr && helper->state() == QProcess::Running);
        bool endedByItself = false;
        connect(helper, &QProcess::finished, this, [&](int code, QProcess::ExitStatus status) {
            endedByItself = code == 0 && status == QProcess::NormalExit;
        });
        player.release();
        QTRY_VERIFY_WITH_TIMEOUT(helper.isNull(), 10000);
        QVERIFY(endedByItself);
    }

    void aMissingHelperLeavesThePicture() {
        QTemporaryDir empty;
        setProgramFolder(empty.path());
        const auto restore =
            qScopeGuard([] { setProgramFolder(TestEnvironment::programFolder()); });
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        player.widget()->show();
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 10000);
        QVERIFY(player.widget()->findChild<QLabel*>()->isVisible());
        // The splash asks again while the video reads stopped: that stays quiet too.
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        QCOMPARE(player.playState(), VideoPlayer::Stopped);
    }

    void framesKeepTheirProportionsCentred() {
        QCOMPARE(fittedRect(QSize(160, 90), QRect(0, 0, 320, 320)), QRect(0, 70, 320, 180));
        QCOMPARE(fittedRect(QSize(100, 100), QRect(10, 0, 300, 100)), QRect(110, 0, 100, 100));
        QVERIFY(fittedRect(QSize(), QRect(0, 0, 10, 10)).isEmpty());
    }

    void aFileThatCannotBePlayedReadsStopped() {
        QTemporaryDir dir;
        QFile bad(dir.filePath("Varnol.mp4"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        player.widget()->show();
        auto* picture = player.widget()->findChild<QLabel*>();
        player.setFileName(bad.fileName());
        QCOMPARE(player.playState(), VideoPlayer::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 10000);
        // Where videos cannot be played (no decoder) the picture stays, after the release too.
        QVERIFY(picture->isVisible());
        player.release();
        QVERIFY(picture->isVisible());
    }
};

TESSALY_TEST_MAIN(VideoPlayerTest)
#include "VideoPlayerTest.moc"

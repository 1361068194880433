#include "app/QtVideoPlayer.h"
#include "base/Paths.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QWidget>

// The Qt Multimedia player on the built videos: a video that ends reads stopped (the splash
// then starts it again), and a file that cannot be played leaves the picture and a stopped
// player, never a crash.
class VideoPlayerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QDir::setCurrent(TestEnvironment::programFolder()); }

    void theLogoVideoEndsStoppedAndPlaysAgain() {
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        player.setMute(true);
        player.widget()->resize(320, 200);
        player.widget()->show();
        player.setFileName(QStringLiteral("Kelmira.mp4"));
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Playing, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 20000);
        player.play();
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Playing, 10000);
        player.stop();
        QCOMPARE(player.playState(), VideoPlayer::Stopped);
    }

    void aFileThatCannotBePlayedReadsStopped() {
        QTemporaryDir dir;
        QFile bad(dir.filePath("Varnol.mp4"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write(QByteArray(4096, 'x'));
        bad.close();
        QtVideoPlayer player(QStringLiteral("Dorvex.jpg"));
        player.widget()->show();
        player.setFileName(bad.fileName());
        QCOMPARE(player.playState(), VideoPlayer::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(player.playState(), VideoPlayer::Stopped, 10000);
    }
};

TESSALY_TEST_MAIN(VideoPlayerTest)
#include "VideoPlayerTest.moc"

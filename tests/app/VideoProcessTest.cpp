#include "intro/VideoProcess.h"
#include "tests/harness/TestHarness.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>

// The program's side of the video helper, against scripted helpers: what comes over the pipe in
// pieces is read whole, and what cannot be read ends the helper instead of being misread.
class VideoProcessTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString helper(const QByteArray& script) {
        const QString path = m_dir.filePath(QStringLiteral("helper%1.sh").arg(m_scripts++));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            return {};
        }
        file.write("#!/bin/sh\n" + script);
        file.setPermissions(file.permissions() | QFile::ExeOwner);
        return path;
    }
    int m_scripts = 0;

private slots:
    // A frame's pixels split across writes, with a new file asked for in between, arrive as one
    // frame, and the lines after it still read.
    void aFrameInPiecesArrivesWhole() {
        VideoProcess video(helper("printf 'frame 2 1\\n\\001\\002\\003'\n"
                                  "read line\n"
                                  "printf '\\004\\005\\006\\007\\010state playing\\n'\n"
                                  "read line\n"),
                           nullptr);
        QSignalSpy frames(&video, &VideoProcess::frameArrived);
        video.start();
        QTest::qWait(200);
        video.setSource(QStringLiteral("/videos/next.mp4"));
        QTRY_COMPARE(frames.count(), 1);
        const QImage frame = frames.at(0).at(0).value<QImage>();
        QCOMPARE(frame.size(), QSize(2, 1));
        QCOMPARE(frame.pixel(0, 0), 0xff030201u);
        QCOMPARE(frame.pixel(1, 0), 0xff070605u);
        QTRY_COMPARE(video.state(), VideoProtocol::State::Playing);
        QVERIFY(!video.failed());
    }

    // A frame no screen has cannot be skipped safely: the helper is ended and reads failed.
    void anUnreadableFrameEndsTheHelper() {
        VideoProcess video(helper("printf 'frame 100000 100000\\n'\nexec sleep 30\n"), nullptr);
        video.start();
        QTRY_VERIFY(video.ended());
        QVERIFY(video.failed());
        QVERIFY(!video.missing());
    }
};

TESSALY_TEST_MAIN(VideoProcessTest)
#include "VideoProcessTest.moc"

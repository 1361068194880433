// The clip files of the program folder, decoded with the library's own decoder.
#include "audio/bass/Decoder.h"
#include "tests/harness/AudioTestSupport.h"
#include "tests/harness/TestHarness.h"

#include <QFileInfo>

using namespace audiotest;
using tessaly::bass::openMpegAudio;

namespace {

std::span<const unsigned char> bytes(const QByteArray& data) {
    return {reinterpret_cast<const unsigned char*>(data.constData()),
            static_cast<std::size_t>(data.size())};
}

// The first frame of a tagged file holds "Info" (or "Xing") and the LAME extension.
bool hasLameTag(const QByteArray& mp3) {
    const QByteArray head = mp3.left(200);
    return (head.contains("Info") || head.contains("Xing")) && head.contains("LAME");
}

std::vector<std::int16_t> decode(const QByteArray& mp3, std::size_t frames) {
    auto decoder = openMpegAudio(bytes(mp3));
    if (!decoder) {
        return {};
    }
    std::vector<std::int16_t> pcm(frames * 2);
    pcm.resize(decoder->read(pcm.data(), frames) * 2);
    return pcm;
}

QString digits(int left, int right) {
    return QString::number(left) + QString::number(right);
}

} // namespace

class ClipFilesTest : public QObject {
    Q_OBJECT
private slots:
    void everyClipIsThereWithItsExactName() {
        const QString folder = TestEnvironment::programFolder() + QLatin1Char('/');
        QStringList names{QStringLiteral("A00.MC")};
        for (int l = 0; l < 10; ++l) {
            for (int r = 0; r < 10; ++r) {
                names << digits(l, r) + QStringLiteral(".mc")
                      << digits(l, r) + QStringLiteral(".MC")
                      << QStringLiteral("C") + digits(l, r) + QStringLiteral(".MC");
            }
        }
        for (const QString& name : names) {
            QVERIFY2(QFileInfo(folder + name).isFile(), qPrintable(name));
            QVERIFY2(!QFileInfo::exists(folder + name + QStringLiteral(".part")), qPrintable(name));
        }
    }

    // Every loop clip: tagged, exactly ten seconds, the left level's tone on the left and the
    // right level's on the right.
    void loopClipsCarryBothLevels() {
        for (int l = 0; l < 10; ++l) {
            for (int r = 0; r < 10; ++r) {
                const QString name = digits(l, r) + QStringLiteral(".mc");
                const QByteArray mp3 = clip(name);
                QVERIFY2(hasLameTag(mp3), qPrintable(name));
                const auto decoder = openMpegAudio(bytes(mp3));
                QVERIFY2(decoder, qPrintable(name));
                QCOMPARE(decoder->length(), std::uint64_t{441000});
                QCOMPARE(decoder->rate(), 44100);
                QCOMPARE(decoder->channels(), 2);
                const auto pcm = decode(mp3, 22050);
                const int levels[2] = {l, r};
                for (int side = 0; side < 2; ++side) {
                    const QString what = name + QStringLiteral(" side ") + QString::number(side);
                    if (levels[side] == 0) {
                        QVERIFY2(peak(pcm, side, 0, 22050) == 0, qPrintable(what));
                    } else {
                        const double hz = toneHz(pcm, side, 0, 22050);
                        QVERIFY2(std::abs(hz - levels[side] * 100) < 1.0,
                                 qPrintable(what + QStringLiteral(": ") + QString::number(hz)));
                    }
                }
            }
        }
    }

    void exportSourcesHaveNoTagAndTheirLength_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("leftHz");
        QTest::addColumn<int>("rightHz");
        QTest::newRow("lead-in") << "A00.MC" << 1.0 << 0 << 0;
        QTest::newRow("ten seconds") << "28.MC" << 10.0 << 200 << 800;
        QTest::newRow("ten seconds silent") << "00.MC" << 10.0 << 0 << 0;
        QTest::newRow("one minute") << "C64.MC" << 60.0 << 600 << 400;
        QTest::newRow("one minute, right only") << "C09.MC" << 60.0 << 0 << 900;
    }
    void exportSourcesHaveNoTagAndTheirLength() {
        QFETCH(QString, name);
        QFETCH(double, seconds);
        QFETCH(int, leftHz);
        QFETCH(int, rightHz);
        const QByteArray mp3 = clip(name);
        QVERIFY(!hasLameTag(mp3));
        const auto decoder = openMpegAudio(bytes(mp3));
        QVERIFY(decoder);
        // Untrimmed: the encoder's delay and padding stay, less than two MP3 frames in all.
        const double decoded = static_cast<double>(decoder->length()) / 44100;
        QVERIFY2(decoded >= seconds && decoded < seconds + 2304.0 / 44100,
                 qPrintable(QString::number(decoded)));
        const auto pcm = decode(mp3, 44100);
        const int expected[2] = {leftHz, rightHz};
        for (int side = 0; side < 2; ++side) {
            if (expected[side] == 0) {
                QCOMPARE(peak(pcm, side, 0, 44100), 0);
            } else {
                QVERIFY(std::abs(toneHz(pcm, side, 4410, 22050) - expected[side]) < 1.0);
            }
        }
    }

    // A byte-wise join decodes as one stream exactly as long as its parts: no tag frame turns
    // into an extra frame of silence in the middle.
    void byteWiseJoinsAddNothing() {
        const QStringList parts{QStringLiteral("A00.MC"), QStringLiteral("37.MC"),
                                QStringLiteral("C37.MC"), QStringLiteral("00.MC")};
        QByteArray joined;
        std::uint64_t sum = 0;
        for (const QString& part : parts) {
            const QByteArray mp3 = clip(part);
            sum += openMpegAudio(bytes(mp3))->length();
            joined += mp3;
        }
        const auto decoder = openMpegAudio(bytes(joined));
        QVERIFY(decoder);
        QCOMPARE(decoder->length(), sum);
    }
};

TESSALY_TEST_MAIN(ClipFilesTest)
#include "ClipFilesTest.moc"

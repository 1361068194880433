// The icon container and the video-script reader of the artwork generator.
#include "tests/harness/TestHarness.h"
#include "tools/imagegen/IcoFile.h"
#include "tools/imagegen/VideoScript.h"

#include <QBuffer>
#include <QImageReader>

using namespace tessaly::imagegen;

namespace {

// A square image with a transparent left half and distinct colours in the right half.
QImage sample(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            image.setPixel(x, y, x < size / 2 ? qRgba(0, 0, 0, 0) : qRgba(x, y, size - 1, 255));
        }
    }
    return image;
}

} // namespace

class ImagegenTest : public QObject {
    Q_OBJECT

private slots:
    void iconReadsBackEverySizeAndPixel() {
        const QList<int> sizes{16, 24, 32, 48, 64, 128, 256};
        QList<QImage> images;
        for (const int size : sizes) {
            images.append(sample(size));
        }
        QByteArray bytes = icoFile(images);
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer, "ico");
        QCOMPARE(reader.imageCount(), sizes.size());
        for (int i = 0; i < sizes.size(); ++i) {
            QVERIFY(reader.jumpToImage(i));
            const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(read.size(), QSize(sizes[i], sizes[i]));
            QCOMPARE(read, images[i]); // the 256 entry is PNG, the others DIBs: both exact
        }
    }

    void iconRefusesImagesTheFormatCannotHold() {
        QCOMPARE(icoFile({}), QByteArray());
        QCOMPARE(icoFile({QImage(32, 16, QImage::Format_ARGB32)}), QByteArray());
        QCOMPARE(icoFile({sample(512)}), QByteArray());
    }

    void scriptGivesTheCardItsTextAndLook() {
        QString error;
        const auto script = parseVideoScript(QStringLiteral("# comment\n"
                                                            "title = Dorvex\n"
                                                            "subtitle =  Cell-culture system \n"
                                                            "\n"
                                                            "accent = #102030\n"
                                                            "mark = drop\n"
                                                            "duration = 6.0\n"
                                                            "tones = 220 330\n"),
                                             error);
        QVERIFY2(script.has_value(), qPrintable(error));
        QCOMPARE(script->title, QStringLiteral("Dorvex"));
        QCOMPARE(script->subtitle, QStringLiteral("Cell-culture system"));
        QCOMPARE(script->footer, QString());
        QCOMPARE(script->accent, QColor(0x10, 0x20, 0x30));
        QCOMPARE(script->mark, Mark::Drop);
    }

    void scriptWithAFaultIsRefusedWithItsReason_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no title") << QStringLiteral("subtitle = x\n") << QStringLiteral("no title");
        QTest::newRow("not a pair") << QStringLiteral("title = x\nsubtitle\n")
                                    << QStringLiteral("line 2: expected \"key = value\"");
        QTest::newRow("bad colour") << QStringLiteral("title = x\naccent = teal-ish\n")
                                    << QStringLiteral("accent is not a colour");
        QTest::newRow("bad mark") << QStringLiteral("title = x\nmark = star\n")
                                  << QStringLiteral("mark must be ring, dish or drop");
    }
    void scriptWithAFaultIsRefusedWithItsReason() {
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QString error;
        QVERIFY(!parseVideoScript(text, error).has_value());
        QCOMPARE(error, reason);
    }
};

TESSALY_TEST_MAIN(ImagegenTest)
#include "ImagegenTest.moc"

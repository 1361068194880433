#include "help/ChmFile.h"
#include "help/ChmStructure.h"
#include "tests/harness/TestHarness.h"

#include <QFile>
#include <QRandomGenerator>
#include <QtEndian>

namespace {

const QString kFixture = QStringLiteral(TESSALY_HELP_FIXTURE);
const QString kSources = QStringLiteral(TESSALY_HELP_FIXTURE_SOURCE);

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// One #SYSTEM record: code, length, data.
QByteArray record(quint16 code, const QByteArray& data) {
    QByteArray out(4, '\0');
    qToLittleEndian<quint16>(code, out.data());
    qToLittleEndian<quint16>(static_cast<quint16>(data.size()), out.data() + 2);
    return out + data;
}

template <typename T> void put(QByteArray& bytes, qsizetype offset, T value) {
    qToLittleEndian<T>(value, bytes.data() + offset);
}

} // namespace

class ChmFileTest : public QObject {
    Q_OBJECT
private slots:
    void parsesSystemEntries() {
        const QByteArray data = QByteArray("\x03\0\0\0", 4) + record(9, "compiler\0") +
                                record(2, QByteArray("sub\\start.html\0", 15)) +
                                record(3, "帮助 Help\0") + record(0, "toc.hhc\0") +
                                record(4, QByteArray("\x04\x08\0\0", 4));
        const ChmSystemInfo info = parseChmSystem(data);
        QCOMPARE(info.defaultTopic, QStringLiteral("/sub/start.html"));
        QCOMPARE(info.title, QStringLiteral("帮助 Help"));
        QCOMPARE(info.contentsFile, QStringLiteral("/toc.hhc"));
        QCOMPARE(info.language, 0x0804u);
    }

    // An entry that claims more bytes than are left ends the reading there.
    void damagedSystemStopsAtTheDamage() {
        QByteArray data =
            QByteArray("\x03\0\0\0", 4) + record(3, "Title\0") + record(2, "index.html\0");
        put<quint16>(data, 4 + 4 + 6 + 2, 0xFFFF); // the second entry's length
        const ChmSystemInfo info = parseChmSystem(data);
        QCOMPARE(info.title, QStringLiteral("Title"));
        QVERIFY(info.defaultTopic.isEmpty());
        QVERIFY(parseChmSystem(QByteArray("\x03\0\0\0\x02\0", 6)).defaultTopic.isEmpty());
    }

    void startPageFallsBack_data() {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QStringList>("objects");
        QTest::addColumn<QString>("start");
        const QStringList all = {"/a.css", "/Index.HTML", "/sub/b.htm", "/sub/c.html"};
        QTest::newRow("default topic, any case") << "/SUB/C.html" << all << "/sub/c.html";
        QTest::newRow("missing topic: first contents page") << "/gone.html" << all << "/sub/b.htm";
        QTest::newRow("no contents page: index")
            << "" << QStringList{"/a.css", "/x.html", "/Index.HTML"} << "/Index.HTML";
        QTest::newRow("no index: first page") << "" << QStringList{"/a.css", "/x.htm"} << "/x.htm";
        QTest::newRow("no page at all") << "" << QStringList{"/a.css"} << "";
    }
    void startPageFallsBack() {
        QFETCH(QString, topic);
        QFETCH(QStringList, objects);
        QFETCH(QString, start);
        const QList<HelpTopic> contents = {
            {QStringLiteral("Heading"), QString(), {{QStringLiteral("B"), "sub/b.htm#x", {}}}}};
        QCOMPARE(chooseStartPage(topic, contents, objects), start);
    }

    void opensTheFixture() {
        ChmFile chm;
        QVERIFY2(chm.open(kFixture), qPrintable(chm.errorString()));
        QCOMPARE(chm.error(), ChmFile::Error::None);
        QCOMPARE(chm.title(), QStringLiteral("Fixture Help"));
        QCOMPARE(chm.startPage(), QStringLiteral("/index.html"));
        QCOMPARE(chm.contentsFile(), QStringLiteral("/contents.hhc"));
        QStringList objects = chm.objects();
        objects.sort();
        QCOMPARE(objects,
                 QStringList({"/_#_README_#_", "/contents.hhc", "/images/mark.xpm", "/index.html",
                              "/style.css", "/sub/chinese.html", "/sub/details.html"}));
        QCOMPARE(chm.contents().size(), 2);
    }

    // Pages come out byte for byte, whatever the case of the path asked for.
    void readsObjectsWhole() {
        ChmFile chm;
        QVERIFY(chm.open(kFixture));
        for (const char* name : {"sub/chinese.html", "images/mark.xpm", "index.html"}) {
            QCOMPARE(chm.read(QString::fromLatin1(name).toUpper()),
                     readAll(kSources + QLatin1Char('/') + QLatin1String(name)));
        }
        QVERIFY(!chm.read(QStringLiteral("/sub/missing.html")));
        QVERIFY(!chm.read(QString(600, QLatin1Char('a'))));
    }

    void copiesShareTheOpenFile() {
        ChmFile copy;
        {
            ChmFile chm;
            QVERIFY(chm.open(kFixture));
            copy = chm;
        }
        QVERIFY(copy.read(QStringLiteral("/index.html")).has_value());
    }

    void missingFileSaysWhere() {
        QTemporaryDir dir;
        ChmFile chm;
        QVERIFY(!chm.open(dir.filePath(QStringLiteral("Help_English.chm"))));
        QCOMPARE(chm.error(), ChmFile::Error::NotFound);
        QCOMPARE(chm.errorString(),
                 QStringLiteral("The help file Help_English.chm could not be found in %1.")
                     .arg(QDir::toNativeSeparators(dir.path())));
        QVERIFY(!chm.isOpen());
    }

    void folderIsNotAFile() {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("Help_English.chm")));
        ChmFile chm;
        QVERIFY(!chm.open(dir.filePath(QStringLiteral("Help_English.chm"))));
        QCOMPARE(chm.error(), ChmFile::Error::NotAFile);
        QVERIFY(chm.errorString().contains(QLatin1String("is a folder")));
    }

    void damagedFilesAreReported_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray good = readAll(kFixture);
        QVERIFY(good.size() > 1000);
        const qsizetype control = good.indexOf("LZXC") - 4;
        const qsizetype reset = good.indexOf(QByteArray("\x08\0\0\0\x28\0\0\0", 8)) - 8;
        const qsizetype directory = good.indexOf("ITSP");
        QVERIFY(control > 0 && reset > 0 && directory > 0);

        QByteArray random(4096, '\0');
        QRandomGenerator generator(20240607);
        generator.fillRange(reinterpret_cast<quint32*>(random.data()), random.size() / 4);
        QTest::newRow("empty") << QByteArray() << "the file is empty";
        QTest::newRow("random bytes") << random << "it is not a compiled help file";
        QTest::newRow("cut in half") << good.left(good.size() / 2) << "it is cut short";
        QTest::newRow("last byte missing") << good.chopped(1) << "it is cut short";

        // Fields libchm divides by or decodes with; a zero divisor (windows per reset, block
        // length) crashes it unless refused first.
        QByteArray window = good;
        put<quint32>(window, control + 16, 0x100); // 8 MiB, beyond the LZX decoder
        QTest::newRow("window size") << window << "its compressed part is damaged";
        QByteArray perReset = good;
        put<quint32>(perReset, control + 20, 0);
        QTest::newRow("windows per reset") << perReset << "its compressed part is damaged";
        QByteArray blockLength = good;
        put<quint64>(blockLength, reset + 32, 0);
        QTest::newRow("block length") << blockLength << "its compressed part is damaged";
        QByteArray blockOffset = good;
        put<quint64>(blockOffset, reset + 0x28, ~0ULL);
        QTest::newRow("block offset") << blockOffset << "its compressed part is damaged";
        QByteArray chunkLength = good;
        put<quint32>(chunkLength, directory + 0x10, 0);
        QTest::newRow("chunk length") << chunkLength << "its list of pages is damaged";
        // libchm follows the listing chain until it ends; a chunk naming itself as the next one
        // made it list the same pages until memory ran out.
        QByteArray circle = good;
        const qsizetype listing = good.indexOf("PMGL");
        QVERIFY(listing > directory);
        put<quint32>(circle, listing + 0x10,
                     qFromLittleEndian<quint32>(good.data() + directory + 0x20));
        QTest::newRow("listing in a circle") << circle << "its list of pages is damaged";
        QByteArray directoryOffset = good;
        put<quint64>(directoryOffset, 0x48, ~0ULL - 8);
        QTest::newRow("directory offset") << directoryOffset << "it is cut short";
    }
    void damagedFilesAreReported() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Help_Chinese.chm"));
        QVERIFY(writeAll(path, bytes));
        ChmFile chm;
        QVERIFY(!chm.open(path));
        QCOMPARE(chm.error(), ChmFile::Error::Damaged);
        QCOMPARE(chm.errorString(),
                 QStringLiteral("The help file Help_Chinese.chm in %1 is damaged or is not a help "
                                "file: %2.")
                     .arg(QDir::toNativeSeparators(dir.path()), reason));
    }

    // Random damage anywhere: the file is refused as damaged, or it opens and reads what it
    // can; never a crash, never a read outside the file (the sanitizer build watches).
    void randomDamageNeverCrashes() {
        const QByteArray good = readAll(kFixture);
        ChmFile intact;
        QVERIFY(intact.open(kFixture));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("damaged.chm"));
        QRandomGenerator generator(7);
        int refused = 0;
        int opened = 0;
        for (int round = 0; round < 400; ++round) {
            QByteArray bytes = good;
            const int flips = generator.bounded(1, 9);
            for (int i = 0; i < flips; ++i) {
                bytes[generator.bounded(bytes.size())] = static_cast<char>(generator.bounded(256));
            }
            QVERIFY(writeAll(path, bytes));
            ChmFile chm;
            if (!chm.open(path)) {
                QCOMPARE(chm.error(), ChmFile::Error::Damaged);
                ++refused;
                continue;
            }
            ++opened;
            for (const QString& object : intact.objects()) {
                chm.read(object);
            }
        }
        // Both ways were taken, so the check neither refuses everything nor nothing.
        QVERIFY(refused > 0);
        QVERIFY(opened > 0);
    }
};

TESSALY_TEST_MAIN(ChmFileTest)
#include "ChmFileTest.moc"

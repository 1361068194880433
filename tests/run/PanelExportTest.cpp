#include "tests/harness/RootFixture.h"

#include "base/Paths.h"
#include "run/Mp3Export.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QListWidget>
#include <QSignalSpy>

namespace {
QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

// The export as the operator starts it from the menu, over the installed clip files.
class PanelExportTest : public QObject {
    Q_OBJECT
private slots:
    void menuExportWritesTheJoinedClipsOfTheOnlyStep() {
        RootFixture f;
        TessalyPanel& p = f.p();
        QDir().mkpath(exportFolder());
        QFile stale(exportFolder() + "03.MP3");
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.close();
        f.step(12, 0, 0, 25, 5, 0);
        QVERIFY(p.Save_as_MP3->isEnabled());
        QSignalSpy ended(&f.root.mp3Export(), &Mp3Export::exportEnded);
        p.Save_as_MP3->trigger();
        QVERIFY(p.Frame2->isVisibleTo(&p));
        QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 30000);
        QCOMPARE(ended.first().first().toBool(), true);
        QVERIFY(!p.Timer4->isActive());

        QCOMPARE(QDir(exportFolder()).entryList(QDir::Files), QStringList{"12.MP3"});
        const QString folder = programFolder() + "/";
        const QByteArray ten = readFile(folder + "50.MC");
        QVERIFY(!ten.isEmpty());
        QCOMPARE(readFile(exportFolder() + "12.MP3"),
                 readFile(folder + "A00.MC") + ten + ten + ten);

        QStringList lines;
        for (int k = 0; k < p.List1->count(); ++k) {
            lines << p.List1->item(k)->text();
        }
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[1], "Clean old files in " + exportFolder().chopped(1));
        QCOMPARE(lines[2], exportFolder() + "12.MP3  Created!");
        QCOMPARE(lines[3], QString("All MP3 files created"));
        QTest::mouseClick(p.结束MP3输出, Qt::LeftButton);
        QVERIFY(!p.Frame2->isVisibleTo(&p));
    }
};

TESSALY_TEST_MAIN(PanelExportTest)
#include "PanelExportTest.moc"

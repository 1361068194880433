#include "run/ExportSources.h"
#include "run/FileJoin.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>

namespace {
QStringList repeat(const QString& name, int n) {
    QStringList names;
    for (int k = 0; k < n; ++k) {
        names << name;
    }
    return names;
}

// Distinct, order-revealing bytes for each file.
QByteArray content(const QString& name, qint64 size) {
    const QByteArray unit = name.toLatin1() + '|';
    return unit.repeated(int(size / unit.size() + 1)).left(size);
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
} // namespace

class ExportSourcesTest : public QObject {
    Q_OBJECT
private slots:
    void sourceListFollowsTheStepTime_data() {
        QTest::addColumn<StepTexts>("step");
        QTest::addColumn<QStringList>("expected");
        const QString a = "A00.MC";
        QTest::newRow("1 s: lead-in alone") << StepTexts{"0", "0", "1", "3", "7"} << QStringList{a};
        QTest::newRow("11 s") << StepTexts{"0", "0", "11", "3", "7"} << QStringList{a, "37.MC"};
        QTest::newRow("12 s: remainder clip first")
            << StepTexts{"0", "0", "12", "3", "7"} << QStringList{a, "37.MC", "37.MC"};
        QTest::newRow("25 s") << StepTexts{"0", "0", "25", "5", "0"}
                              << (QStringList{a} + repeat("50.MC", 3));
        QTest::newRow("1 min 30 s")
            << StepTexts{"0", "1", "30", "3", "7"}
            << (QStringList{a} + repeat("37.MC", 3) + QStringList{"C37.MC"});
        QTest::newRow("2 h") << StepTexts{"2", "0", "0", "9", "1"}
                             << (QStringList{a} + repeat("C91.MC", 120));
        QTest::newRow("longest step")
            << StepTexts{"12", "59", "59", "0", "4"}
            << (QStringList{a} + repeat("04.MC", 6) + repeat("C04.MC", 59 + 720));
    }
    void sourceListFollowsTheStepTime() {
        QFETCH(StepTexts, step);
        QFETCH(QStringList, expected);
        QCOMPARE(exportSourceList(step), expected);
    }

    void sourceNamesMatchExactlyFirstThenIgnoringCase() {
        QTemporaryDir dir;
        for (const char* name : {"37.mc", "37.MC", "a00.mc", "c37.Mc"}) {
            write(dir.filePath(name), name);
        }
        QDir(dir.path()).mkdir("C99.MC");
        QCOMPARE(findSourceFile(dir.path(), "37.MC"), dir.filePath("37.MC"));
        QCOMPARE(findSourceFile(dir.path(), "37.mc"), dir.filePath("37.mc"));
        QCOMPARE(findSourceFile(dir.path(), "A00.MC"), dir.filePath("a00.mc"));
        QCOMPARE(findSourceFile(dir.path(), "C37.MC"), dir.filePath("c37.Mc"));
        QVERIFY(findSourceFile(dir.path(), "C99.MC").isEmpty()); // a folder is no clip
        QVERIFY(findSourceFile(dir.path(), "44.MC").isEmpty());
    }

    void joinWritesTheExactConcatenationWithoutHoldingIt_data() {
        QTest::addColumn<CopyMethod>("method");
        QTest::newRow("kernel copy") << CopyMethod::Fastest;
        QTest::newRow("read and write") << CopyMethod::ReadWrite;
    }
    void joinWritesTheExactConcatenationWithoutHoldingIt() {
        QFETCH(CopyMethod, method);
        QTemporaryDir dir;
        const QByteArray lead = content("lead", 417), big = content("big", 2621447);
        write(dir.filePath("lead"), lead);
        write(dir.filePath("big"), big);
        write(dir.filePath("empty"), {});
        const QStringList sources{dir.filePath("lead"), dir.filePath("big"), dir.filePath("empty"),
                                  dir.filePath("lead"), dir.filePath("big")};
        std::atomic<bool> cancel{false};
        JoinOutcome outcome = joinFiles(sources, dir.filePath("out.MP3"), cancel, method);
        QVERIFY(outcome.complete());
        QCOMPARE(read(dir.filePath("out.MP3")), lead + big + lead + big);
        QCOMPARE(outcome.bytes, 2 * (lead.size() + big.size()));

        // 50 copies of 2.5 MiB: the peak memory must not grow by anything like the file.
        const long before = peakRssKb();
        outcome =
            joinFiles(repeat(dir.filePath("big"), 50), dir.filePath("out.MP3"), cancel, method);
        QVERIFY(outcome.complete());
        QCOMPARE(QFileInfo(dir.filePath("out.MP3")).size(), 50 * big.size());
        QVERIFY2(peakRssKb() - before < 16 * 1024,
                 qPrintable(QString::number(peakRssKb() - before)));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 4);
    }

    void failedJoinLeavesNoFileAndSaysWhy_data() {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<CopyMethod>("method");
        QTest::addColumn<JoinStatus>("status");
        QTest::newRow("missing source")
            << "missing" << CopyMethod::Fastest << JoinStatus::SourceFailed;
        QTest::newRow("full, kernel copy")
            << "full" << CopyMethod::Fastest << JoinStatus::WriteFailed;
        QTest::newRow("full, read and write")
            << "full" << CopyMethod::ReadWrite << JoinStatus::WriteFailed;
        QTest::newRow("cancelled") << "cancel" << CopyMethod::Fastest << JoinStatus::Cancelled;
    }
    void failedJoinLeavesNoFileAndSaysWhy() {
        QFETCH(QString, failure);
        QFETCH(CopyMethod, method);
        QFETCH(JoinStatus, status);
        QTemporaryDir dir;
        write(dir.filePath("clip"), content("clip", 1 << 20));
        write(dir.filePath("out.MP3"), "earlier export");
        QStringList sources = repeat(dir.filePath("clip"), 4);
        if (failure == "missing") {
            sources.insert(2, dir.filePath("gone"));
        }
        std::atomic<bool> cancel{failure == "cancel"};
        // A file size limit makes the write fail half way, as a full disk would.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        if (failure == "full") {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limited = saved;
            limited.rlim_cur = 3 << 20;
            setrlimit(RLIMIT_FSIZE, &limited);
        }
        const JoinOutcome outcome = joinFiles(sources, dir.filePath("out.MP3"), cancel, method);
        setrlimit(RLIMIT_FSIZE, &saved);

        QCOMPARE(outcome.status, status);
        QCOMPARE(outcome.source, failure == "missing" ? dir.filePath("gone") : QString());
        QCOMPARE(outcome.reason.isEmpty(), failure == "cancel");
        QCOMPARE(read(dir.filePath("out.MP3")), QByteArray("earlier export"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
    }
};

TESSALY_TEST_MAIN(ExportSourcesTest)
#include "ExportSourcesTest.moc"

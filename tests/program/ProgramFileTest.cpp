#include "program/ProgramFile.h"
#include "program/ProgramTable.h"
#include "tests/harness/TestHarness.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QByteArray zeroLine() {
    return QByteArrayLiteral("\"0\",\"0\",\"0\",\"0\",\"0\",0,0,0\r\n");
}

QByteArray zeroProgram(int lines = kStepCount) {
    return zeroLine().repeated(lines);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

ProgramSteps sampleSteps() {
    ProgramSteps steps;
    steps[0] = {{"0", "1", "30", "5", "3"}, {1, 0, 0}};
    steps[1] = {{"12", "59", "59", "9", "9"}, {1, 1, 1}};
    steps[39] = {{"0", "0", "7", "2", "0"}, {0, 2, 0}};
    return steps;
}

// Limits the size of files this process may write, so a save fails as on a full disk.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class ProgramFileTest : public QObject {
    Q_OBJECT
private:
    QString folder() const { return TestEnvironment::instance().home() + "/files/"; }

private slots:
    void init() {
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
    }

    void formatWritesQuotedTextsBareFlagsAndCrLf() {
        const QByteArray bytes = formatProgramFile(sampleSteps());
        const QList<QByteArray> lines = bytes.split('\n');
        QCOMPARE(lines.size(), 41); // 40 lines, each ended, so the last piece is empty
        QCOMPARE(lines[0], QByteArray("\"0\",\"1\",\"30\",\"5\",\"3\",1,0,0\r"));
        QCOMPARE(lines[1], QByteArray("\"12\",\"59\",\"59\",\"9\",\"9\",1,1,1\r"));
        QCOMPARE(lines[39], QByteArray("\"0\",\"0\",\"7\",\"2\",\"0\",0,2,0\r"));
        QCOMPARE(lines[40], QByteArray());
    }

    void allZeroProgramIsFortyZeroLines() {
        QCOMPARE(formatProgramFile(ProgramSteps{}), zeroProgram());
    }

    void parseThenFormatGivesTheSameBytes() {
        const QByteArray bytes = formatProgramFile(sampleSteps());
        const ParsedProgram parsed = parseProgramFile(bytes);
        QVERIFY(parsed.steps.has_value());
        QCOMPARE(*parsed.steps, sampleSteps());
        QCOMPARE(formatProgramFile(*parsed.steps), bytes);
    }

    void installedSamplesAreFortyValidCrLfLines_data() {
        QTest::addColumn<QString>("name");
        for (const char* name :
             {"Demo_0.TSY", "organoid_0.TSY", "stemcell_0.TSY", "Test.TSY", "tumorcell_0.TSY"}) {
            QTest::newRow(name) << QString::fromLatin1(name);
        }
    }
    void installedSamplesAreFortyValidCrLfLines() {
        QFETCH(QString, name);
        const QByteArray bytes = readAll(TestEnvironment::programFolder() + "/" + name);
        QCOMPARE(bytes.count("\r\n"), 40);
        QCOMPARE(bytes.count('\n'), 40);
        for (char c : bytes) {
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        }
        const ParsedProgram parsed = parseProgramFile(bytes);
        QVERIFY(parsed.steps.has_value());
        // Already normalized, so the file is written back unchanged and holds a real program.
        QCOMPARE(formatProgramFile(*parsed.steps), bytes);
        ProgramTable table;
        table.recompute(*parsed.steps);
        QVERIFY(table.endSeconds[kStepCount] > 0);
        for (const StepInput& step : *parsed.steps) {
            for (int f = 0; f < kStepTextFields; ++f) {
                QCOMPARE(normalizeStepText(step.texts[f], kStepFieldMaximum[f]), step.texts[f]);
            }
        }
    }

    void readerTakesFieldsNotLines() {
        // Line ends are only separators: eight fields per step however the lines fall.
        QByteArray bytes = "\"0\",\"1\",\"2\",\"3\",\"4\"\r\n1,0\n1\r";
        bytes += zeroProgram(39);
        const ParsedProgram parsed = parseProgramFile(bytes);
        QVERIFY(parsed.steps.has_value());
        QCOMPARE((*parsed.steps)[0].texts, (std::array<QString, 5>{"0", "1", "2", "3", "4"}));
        QCOMPARE((*parsed.steps)[0].flags, (std::array<int, 3>{1, 0, 1}));
    }

    void quotedFieldsRunToTheClosingQuote() {
        QByteArray bytes = "\"1,5\",\" 7\",\"x\" ,\"\",9,  1 ,0,2\r\n";
        bytes += zeroProgram(39);
        const ParsedProgram parsed = parseProgramFile(bytes);
        QVERIFY(parsed.steps.has_value());
        QCOMPARE((*parsed.steps)[0].texts, (std::array<QString, 5>{"1,5", " 7", "x", "", "9"}));
        QCOMPARE((*parsed.steps)[0].flags, (std::array<int, 3>{1, 0, 2}));
    }

    void linesAfterTheFortiethAreIgnored() {
        const ParsedProgram parsed =
            parseProgramFile(zeroProgram() + "\"5\",\"5\",\"5\",\"5\",\"5\",7,7,7\r\ngarbage");
        QVERIFY(parsed.steps.has_value());
        QCOMPARE(*parsed.steps, ProgramSteps{});
    }

    void badFilesNameTheStepAtFault_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("step");
        QTest::addColumn<QString>("reasonPart");
        QTest::newRow("39 lines") << zeroProgram(39) << 39 << "missing";
        QTest::newRow("empty file") << QByteArray() << 0 << "missing";
        QTest::newRow("line cut short") << zeroProgram(10) + "\"0\",\"0\",\"0\"\r\n"
                                        << 10 << "missing";
        QTest::newRow("check value 3")
            << zeroProgram(4) + "\"0\",\"0\",\"0\",\"0\",\"0\",0,3,0\r\n" + zeroProgram(35) << 4
            << "vacuum";
        QTest::newRow("check value text")
            << zeroProgram(7) + "\"0\",\"0\",\"0\",\"0\",\"0\",yes,0,0\r\n" + zeroProgram(32) << 7
            << "laser";
        QTest::newRow("check value fraction")
            << zeroProgram(2) + "\"0\",\"0\",\"0\",\"0\",\"0\",0,0,1.5\r\n" + zeroProgram(37) << 2
            << "signal";
        QTest::newRow("negative check value")
            << zeroProgram(0) + "\"0\",\"0\",\"0\",\"0\",\"0\",-1,0,0\r\n" + zeroProgram(39) << 0
            << "laser";
        QTest::newRow("empty check value")
            << zeroProgram(5) + "\"0\",\"0\",\"0\",\"0\",\"0\",,0,0\r\n" + zeroProgram(34) << 5
            << "laser";
        QTest::newRow("unclosed quote swallows the rest") << zeroProgram(20) + "\"7,0,0\r\n"
                                                          << 20 << "missing";
    }
    void badFilesNameTheStepAtFault() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, step);
        QFETCH(QString, reasonPart);
        const ParsedProgram parsed = parseProgramFile(bytes);
        QVERIFY(!parsed.steps.has_value());
        QCOMPARE(parsed.error.step, step);
        QVERIFY2(parsed.error.reason.contains(reasonPart), qPrintable(parsed.error.reason));
        const QString message = parsed.error.message("/x/P.TSY");
        QVERIFY(message.contains("/x/P.TSY"));
        QVERIFY(message.contains(QString("step %1 (line %2)").arg(step).arg(step + 1)));
    }

    void readingAMissingFileOrAFolderFails() {
        ParsedProgram parsed = readProgramFile(folder() + "none.TSY");
        QVERIFY(!parsed.steps.has_value());
        QVERIFY(parsed.error.message(folder() + "none.TSY").contains("does not exist"));
        parsed = readProgramFile(folder());
        QVERIFY(!parsed.steps.has_value());
        QVERIFY(parsed.error.reason.contains("folder"));
    }

    void writeCreatesAndReplacesWhole() {
        const QString path = folder() + "P.TSY";
        writeAll(path, QByteArray(5000, 'x'));
        QVERIFY(!writeProgramFile(path, sampleSteps()).has_value());
        QCOMPARE(readAll(path), formatProgramFile(sampleSteps()));
        // No temporary file is left beside it.
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{"P.TSY"});
    }

    void writeUnderANameWithoutExtensionUsesItAsItIs() {
        QVERIFY(!writeProgramFile(folder() + "plain", sampleSteps()).has_value());
        QVERIFY(QFile::exists(folder() + "plain"));
    }

    void failedWriteLeavesTheOldFileByteIdentical() {
        const QString path = folder() + "P.TSY";
        const QByteArray old = zeroProgram();
        writeAll(path, old);
        std::optional<QString> reason;
        {
            FileSizeLimit limit(100); // as if the disk filled up mid-write
            reason = writeProgramFile(path, sampleSteps());
        }
        QVERIFY(reason.has_value());
        QVERIFY(!reason->isEmpty());
        QCOMPARE(readAll(path), old);
        QCOMPARE(QDir(folder()).entryList(QDir::Files), QStringList{"P.TSY"});
    }

    void writeIntoAMissingFolderFails() {
        const std::optional<QString> reason =
            writeProgramFile(folder() + "no/such/P.TSY", sampleSteps());
        QVERIFY(reason.has_value());
    }

    void writeIntoAReadOnlyFolderFails() {
        if (geteuid() == 0) {
            QSKIP("Folder permissions do not bind root; the file-size limit test covers this");
        }
        const QString path = folder() + "P.TSY";
        writeAll(path, zeroProgram());
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::ExeOwner);
        const std::optional<QString> reason = writeProgramFile(path, sampleSteps());
        QFile::setPermissions(folder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(reason.has_value());
        QCOMPARE(readAll(path), zeroProgram());
    }

    void wildcardNamesAreRefused() {
        QVERIFY(writeProgramFile(folder() + "*.TSY", sampleSteps()).has_value());
        QVERIFY(QDir(folder()).entryList(QDir::Files).isEmpty());
    }
};

TESSALY_TEST_MAIN(ProgramFileTest)
#include "ProgramFileTest.moc"

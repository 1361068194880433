#include "run/JournalFile.h"
#include "run/RunJournalEntry.h"
#include "tests/harness/TestHarness.h"

#include <QFile>

namespace {

RunJournalEntry sampleEntry(int step) {
    RunJournalEntry e;
    e.position.phase = RunState::Phase::Paused;
    e.position.cycle = 3;
    e.position.step = step;
    e.position.runS = 86400 * 5 + 17;
    e.position.cycleS = 1234;
    e.position.pauseS = 9;
    e.position.cycling = true;
    e.position.started = QDateTime(QDate(2026, 12, 2), QTime(8, 0, 0));
    e.position.cycleStarted = QDateTime(QDate(2026, 12, 7), QTime(7, 40, 3));
    e.programPath = "/home/lab/@TSY2022/week 3\n%20 100%.TSY";
    e.programDigest = QByteArray(64, 'a');
    e.stepS = 61;
    e.written = QDateTime(QDate(2026, 12, 7), QTime(8, 0, 20));
    e.recordPath = "/home/lab/@TSY2022/records/2026-12-02_08-00-00.tsv";
    return e;
}

// The file after the given entries were written to a new journal.
QByteArray journalBytes(const QString& path, const QList<QByteArray>& entries) {
    QFile::remove(path);
    JournalFile journal;
    QString reason;
    if (!journal.open(path, &reason)) {
        return {};
    }
    for (const QByteArray& entry : entries) {
        if (!journal.write(entry, &reason)) {
            return {};
        }
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class RunJournalTest : public QObject {
    Q_OBJECT
private slots:
    void anEntryReadsBackAsWritten() {
        const RunJournalEntry e = sampleEntry(12);
        QCOMPARE(decodeJournalEntry(encodeJournalEntry(e)), std::optional<RunJournalEntry>(e));
        RunJournalEntry closed = e;
        closed.position.phase = RunState::Phase::Stopped;
        closed.recordPath.clear();
        const std::optional<RunJournalEntry> back = decodeJournalEntry(encodeJournalEntry(closed));
        QVERIFY(back && !back->isOpenRun() && back->recordPath.isEmpty());
    }

    // Anything but a whole entry of this version is refused, never read in part.
    void anEntryThatIsNotWholeOrConsistentIsRefused() {
        const QByteArray good = encodeJournalEntry(sampleEntry(12));
        const QList<std::pair<QByteArray, QByteArray>> edits = {
            {"tessaly run journal 1", "tessaly run journal 2"},
            {"state paused", "state sleeping"},
            {"step 12", "step 40"},
            {"step 12", "step +12"},
            {"cycle 3", "cycle 0"},
            {"cycle 3", "cycle 99999999999"},
            {"run_s 432017", "run_s -1"},
            {"digest aaaa", "digest AAAA"},
            {"cycling 1", "cycling 2"},
            {"written 2026-12-07T08:00:20", "written -"},
            {"record ", "recorded "},
        };
        for (const auto& [from, to] : edits) {
            QByteArray bad = good;
            QVERIFY2(bad.contains(from), from.constData());
            bad.replace(from, to);
            QVERIFY2(!decodeJournalEntry(bad), to.constData());
        }
        QVERIFY(!decodeJournalEntry(good + "more\n"));
        QVERIFY(!decodeJournalEntry(good.left(good.size() - 1)));
        QVERIFY(!decodeJournalEntry({}));
    }

    // A write cut at any byte leaves the entry before it; only a whole write gives its own.
    void aWriteCutAtAnyByteLeavesThePreviousEntry() {
        const QString path = TestEnvironment::instance().home() + "/cut.journal";
        const QList<QByteArray> entries = {encodeJournalEntry(sampleEntry(1)),
                                           encodeJournalEntry(sampleEntry(2)),
                                           encodeJournalEntry(sampleEntry(3))};
        for (int written = 1; written <= entries.size(); ++written) {
            const QByteArray before = journalBytes(path, entries.mid(0, written - 1));
            const QByteArray last = JournalFile::slotBytes(written, entries[written - 1]);
            const qint64 offset = JournalFile::slotOffset(written);
            for (qsizetype cut = 0; cut <= last.size(); ++cut) {
                QByteArray file = before;
                if (file.size() < offset + cut) {
                    file.resize(offset + cut, '\0');
                }
                file.replace(offset, cut, last.left(cut));
                const std::optional<QByteArray> newest = JournalFile::newestEntry(file);
                // A cut whose missing bytes the slot held already is a whole write.
                if (file.mid(offset, last.size()) == last) {
                    QCOMPARE(newest, std::optional<QByteArray>(entries[written - 1]));
                } else if (written == 1) {
                    QVERIFY2(!newest, qPrintable(QString::number(cut)));
                } else {
                    QCOMPARE(newest, std::optional<QByteArray>(entries[written - 2]));
                }
            }
            // The file as the journal writes it.
            QCOMPARE(journalBytes(path, entries.mid(0, written)).size(),
                     offset + last.size() + (written == 1 ? 0 : JournalFile::kSlotBytes - offset));
        }
    }

    // A damaged or foreign file gives no entry; a journal reopened numbers on, so its next
    // entry is the newest whichever slot it lands in.
    void damagedFilesGiveNothingAndNumberingGoesOn() {
        const QString path = TestEnvironment::instance().home() + "/damaged.journal";
        const QByteArray two = journalBytes(path, {"first", "second"});
        QCOMPARE(JournalFile::newestEntry(two), std::optional<QByteArray>("second"));
        for (qsizetype at = 0; at < two.size(); ++at) {
            QByteArray damaged = two;
            damaged[at] = static_cast<char>(damaged[at] ^ 0x20);
            const std::optional<QByteArray> newest = JournalFile::newestEntry(damaged);
            QVERIFY2(!newest || *newest == "second" || *newest == "first",
                     qPrintable(QString::number(at)));
        }
        QVERIFY(!JournalFile::newestEntry(QByteArray(4096, 'x')));
        QVERIFY(!JournalFile::newestEntry("tessaly run journal 1\nstate running\n"));

        JournalFile journal;
        QString reason;
        QVERIFY(journal.open(path, &reason));
        QVERIFY(journal.write("third", &reason));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(JournalFile::newestEntry(file.readAll()), std::optional<QByteArray>("third"));
        QVERIFY(!journal.write(QByteArray(JournalFile::kMaxEntryBytes + 1, 'x'), &reason));
        QVERIFY(reason.contains("too long"));
    }
};

TESSALY_TEST_MAIN(RunJournalTest)
#include "RunJournalTest.moc"

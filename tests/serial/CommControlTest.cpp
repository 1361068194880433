#include "serial/SerialCommControl.h"
#include "tests/harness/PtyPair.h"
#include "tests/harness/TestHarness.h"

namespace {

int codeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CommError& e) {
        return e.code();
    }
    return 0;
}

} // namespace

class CommControlTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        m_pty = std::make_unique<PtyPair>();
        qputenv("TESSALY_VIRTUAL_PORTS", ("COM150=" + m_pty->path() + ":Test rig").toLocal8Bit());
    }
    void cleanup() {
        m_pty.reset();
        qunsetenv("TESSALY_VIRTUAL_PORTS");
    }

    void settingsTextsThatCannotBeApplied_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("parity Y") << "9600,y,8,1";
        QTest::newRow("10 data bits") << "115200,n,10,1";
        QTest::newRow("stop bits 3") << "9600,n,8,3";
        QTest::newRow("no baud") << ",n,8,1";
        QTest::newRow("three parts") << "9600,n,8";
    }
    void settingsTextsThatCannotBeApplied() {
        QFETCH(QString, text);
        SerialCommControl c;
        c.setCommPort(150);
        c.setPortOpen(true);
        QCOMPARE(codeOf([&] { c.setSettings(text); }), CommErrorCode::InvalidPropertyValue);
        QCOMPARE(c.Settings(), QStringLiteral("9600,n,8,1"));
        QVERIFY(c.PortOpen());
    }

    void failuresCarryCodesAndLeaveThePortAsItWas() {
        SerialCommControl c;
        // Counts and modes are settable while closed.
        c.setInputMode(1);
        c.setRThreshold(1);
        c.setInputLen(0);
        c.setInBufferCount(0);
        c.setOutBufferCount(0);
        c.setSettings(QStringLiteral("115200,E,7,2"));
        QCOMPARE(codeOf([&] { c.Output("x"); }), CommErrorCode::PortNotOpen);
        QCOMPARE(codeOf([&] { c.Input(); }), CommErrorCode::PortNotOpen);
        QCOMPARE(codeOf([&] { c.setCommPort(0); }), CommErrorCode::InvalidPortNumber);
        c.setCommPort(30000); // maps to no device
        QCOMPARE(codeOf([&] { c.setPortOpen(true); }), CommErrorCode::InvalidPortNumber);
        QVERIFY(!c.PortOpen());

        c.setCommPort(150);
        c.setPortOpen(true);
        QCOMPARE(codeOf([&] { c.setPortOpen(true); }), CommErrorCode::PortAlreadyOpen);
        QCOMPARE(codeOf([&] { c.setCommPort(151); }), CommErrorCode::PortAlreadyOpen);
        QCOMPARE(c.CommPort(), qint16{150});
        // Another holder of the same device is refused while this one has it.
        SerialCommControl other;
        other.setCommPort(150);
        QCOMPARE(codeOf([&] { other.setPortOpen(true); }), CommErrorCode::PortAlreadyOpen);
        QVERIFY(c.PortOpen());
        c.setPortOpen(false);
        other.setPortOpen(true);
        QVERIFY(other.PortOpen());
    }

    void bytesGoBothWaysAndRaiseTheReceiveEvent() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setRThreshold(1);
        QList<QByteArray> reads;
        QList<int> events;
        c.setOnComm([&] {
            events << c.CommEvent();
            reads << c.Input();
        });
        c.setPortOpen(true);
        QVERIFY(c.Input().isEmpty()); // nothing waiting: empty at once
        c.Output(QByteArray::fromHex("aa010100"));
        QCOMPARE(m_pty->read(4), QByteArray::fromHex("aa010100"));
        m_pty->write(QByteArray::fromHex("cc0001"));
        QTRY_COMPARE(reads.join(), QByteArray::fromHex("cc0001"));
        QVERIFY(!events.isEmpty());
        for (int e : events) {
            QCOMPARE(e, CommControl::comEvReceive);
        }
        QCOMPARE(c.CommEvent(), 0);
    }

    // A hold delays reading, never drops: what came meanwhile arrives whole afterwards.
    void aHeldPortDeliversWhatCameMeanwhile() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setRThreshold(1);
        QByteArray got;
        c.setOnComm([&] { got += c.Input(); });
        c.setPortOpen(true);
        c.holdReceiving(1000);
        m_pty->write("abc");
        QTest::qWait(100);
        QVERIFY(got.isEmpty());
        m_pty->write("def");
        QTRY_COMPARE_WITH_TIMEOUT(got, QByteArray("abcdef"), 5000);
        m_pty->write("g");
        QTRY_COMPARE(got, QByteArray("abcdefg"));
    }

    void inputTakesAtMostInputLenAndDiscardsOnRequest() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setPortOpen(true);
        m_pty->write(QByteArray::fromHex("0102030405"));
        QTRY_COMPARE(c.InBufferCount(), 5);
        c.setInputLen(2);
        QCOMPARE(c.Input(), QByteArray::fromHex("0102"));
        QCOMPARE(c.InBufferCount(), 3);
        c.setInBufferCount(0);
        QCOMPARE(c.InBufferCount(), 0);
        QVERIFY(c.Input().isEmpty());
    }

    void framesReachTheDeviceWholeDespiteTheOutputDiscard() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setPortOpen(true);
        QByteArray expected;
        for (int i = 0; i < 300; ++i) {
            const QByteArray frame = QByteArray::fromHex(i % 2 ? "aa020100" : "dd0100");
            c.Output(frame);
            c.setOutBufferCount(0);
            expected += frame;
        }
        QCOMPARE(m_pty->read(expected.size()), expected);
    }

    void aDeviceThatStopsReadingFailsTheWriteAndNothingOfItFollows() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setPortOpen(true);
        // The far end reads nothing, so frames pile up in the line until it takes no more.
        const QByteArray frame = QByteArray::fromHex("aa010100");
        qsizetype sent = 0;
        int code = 0;
        while (code == 0 && sent < 4 * 1024 * 1024) {
            code = codeOf([&] { c.Output(frame); });
            sent += code == 0 ? frame.size() : 0;
        }
        QCOMPARE(code, CommErrorCode::WriteError);
        QVERIFY(c.PortOpen());

        // Once the device reads again, every frame reported sent is there, of the failed one
        // at most the part the line had already taken, and the next frame goes through.
        QByteArray got = m_pty->read(sent);
        const QByteArray next = QByteArray::fromHex("dd0200");
        c.Output(next);
        got += m_pty->readThrough(next);
        QVERIFY(got.startsWith(frame.repeated(sent / frame.size())));
        QVERIFY(got.endsWith(next));
        QVERIFY(got.size() < sent + frame.size() + next.size());
    }

    void handlerIsNeverReenteredAndMissesNoByte() {
        SerialCommControl c;
        c.setCommPort(150);
        c.setRThreshold(1);
        QByteArray got;
        int depth = 0;
        int deepest = 0;
        c.setOnComm([&] {
            deepest = std::max(deepest, ++depth);
            got += c.Input();
            // Bytes that come in while the handler lets other events run.
            if (got.size() == 1) {
                m_pty->write("bc");
                QTest::qWait(20);
            }
            QCoreApplication::processEvents();
            --depth;
        });
        c.setPortOpen(true);
        m_pty->write("a");
        QTRY_COMPARE(got, QByteArray("abc"));
        QCOMPARE(deepest, 1);
    }

private:
    std::unique_ptr<PtyPair> m_pty;
};

TESSALY_TEST_MAIN(CommControlTest)
#include "CommControlTest.moc"

#include "serial/Frames.h"
#include "serial/CommControl.h"
#include "serial/FrameText.h"
#include "tests/harness/TestHarness.h"
#include "tools/boardsim/BoardModel.h"

#include <random>

using namespace frames;

namespace {

// The example frame of the data window's simulation text.
const QString kExampleText = QStringLiteral(
    "AB 00 06 01 02 03 04 11 12 13 14 21 22 23 24 31 32 33 34 41 42 43 44 51 52 61 62 C9");

std::vector<std::uint8_t> exampleBytes() {
    std::vector<std::uint8_t> bytes;
    for (const QString& piece : kExampleText.split(QLatin1Char(' '))) {
        bytes.push_back(static_cast<std::uint8_t>(piece.toUInt(nullptr, 16)));
    }
    return bytes;
}

QStringList texts(const Reading& r) {
    QStringList out;
    for (double v : r.values) {
        out << readingText(v);
    }
    return out;
}

const QStringList kExampleValues = {QStringLiteral("6730598.5"),   QStringLiteral("33679412.9"),
                                    QStringLiteral("60628227.3"),  QStringLiteral("87577041.7"),
                                    QStringLiteral("11452585610"), QStringLiteral("21073"),
                                    QStringLiteral("25185")};

// Feeds a byte stream cut at the given sizes and collects the readings.
std::vector<Reading> assemble(const std::vector<std::uint8_t>& stream,
                              const std::vector<std::size_t>& cuts, FrameAssembler& a) {
    std::vector<Reading> out;
    std::size_t pos = 0;
    for (std::size_t i = 0; pos < stream.size(); ++i) {
        const std::size_t n =
            std::min(cuts.empty() ? stream.size() : cuts[i % cuts.size()], stream.size() - pos);
        a.feed(std::span(stream.data() + pos, n), [&](const Reading& r) { out.push_back(r); });
        pos += n;
    }
    return out;
}

} // namespace

class FramesTest : public QObject {
    Q_OBJECT
private slots:
    void exampleFrameDecodesToItsValues() {
        const auto bytes = exampleBytes();
        const DecodeResult r = decodeFrame(bytes, TimeScale::Received);
        QCOMPARE(r.status, FrameStatus::Ok);
        QCOMPARE(texts(r.reading), kExampleValues);
        QCOMPARE(frameChecksum(bytes), std::uint8_t{0xC9});
    }

    void rejectsWithTheRightReason_data() {
        QTest::addColumn<int>("change");
        QTest::addColumn<int>("status");
        QTest::newRow("27 bytes") << 0 << int(FrameStatus::WrongLength);
        QTest::newRow("29 bytes") << 1 << int(FrameStatus::WrongLength);
        QTest::newRow("checksum off by one") << 2 << int(FrameStatus::BadChecksum);
        QTest::newRow("data byte changed") << 3 << int(FrameStatus::BadChecksum);
        QTest::newRow("header AB 00 07, checksum fixed") << 4 << int(FrameStatus::BadHeader);
    }
    void rejectsWithTheRightReason() {
        QFETCH(int, change);
        QFETCH(int, status);
        auto bytes = exampleBytes();
        switch (change) {
        case 0:
            bytes.pop_back();
            break;
        case 1:
            bytes.push_back(0);
            break;
        case 2:
            bytes[27] = 0xCA;
            break;
        case 3:
            bytes[10] ^= 0x01;
            break;
        case 4:
            bytes[2] = 0x07;
            bytes[27] = frameChecksum(bytes);
            break;
        }
        QCOMPARE(int(decodeFrame(bytes, TimeScale::Received).status), status);
    }

    void encodedFieldsRoundTripAtTheirLimits() {
        RawFields raw{0xFFFFFFFFu, 0x80000000u, 1, 0, 0xFFFFFFFFu, 0xFFFF, 0x8000};
        const auto frame = encodeFrame(raw);
        const DecodeResult r = decodeFrame(frame, TimeScale::Received);
        QCOMPARE(r.status, FrameStatus::Ok);
        // Fields read as unsigned magnitudes, never as negative numbers.
        QCOMPARE(r.reading.values[Voltage], 0xFFFFFFFFu * 0.1);
        QCOMPARE(r.reading.values[Current], 0x80000000u * 0.1);
        QCOMPARE(r.reading.values[Time], 0xFFFFFFFFu * 10.0);
        QCOMPARE(r.reading.values[DPlus], 65535.0);
        QCOMPARE(r.reading.values[DMinus], 32768.0);
    }

    void timeFieldIsScaledBySource() {
        RawFields raw;
        raw.time = 12345;
        QCOMPARE(readingOf(raw, TimeScale::Received).values[Time], 123450.0);
        QCOMPARE(readingText(readingOf(raw, TimeScale::Simulated).values[Time]),
                 QStringLiteral("123.45"));
        // Each value is the double nearest its decimal, so JSON writes 4992.9 and not
        // 4992.900000000001 (exact comparisons on purpose).
        raw.voltage = 49929;
        QVERIFY(readingOf(raw, TimeScale::Received).values[Voltage] == 4992.9);
        QVERIFY(readingOf(raw, TimeScale::Simulated).values[Time] == 123.45);
    }

    void assemblerFindsFramesHoweverTheReadsFall() {
        std::vector<std::uint8_t> stream;
        for (std::uint32_t i = 0; i < 5; ++i) {
            RawFields raw;
            raw.time = i;
            const auto f = encodeFrame(raw);
            stream.insert(stream.end(), f.begin(), f.end());
        }
        // Every split point of one read, one byte per read, and all frames in one read.
        for (std::size_t cut = 1; cut <= stream.size(); ++cut) {
            FrameAssembler a;
            const auto readings = assemble(stream, {cut}, a);
            QCOMPARE(readings.size(), std::size_t{5});
            for (std::size_t i = 0; i < 5; ++i) {
                QCOMPARE(readings[i].values[Time], i * 10.0);
            }
            QCOMPARE(a.buffered(), std::size_t{0});
        }
    }

    void assemblerSkipsGarbageAndFalseHeaders() {
        RawFields raw;
        raw.voltage = 50000;
        const auto good = encodeFrame(raw);
        auto bad = good;
        bad[27] ^= 0xFF;
        std::vector<std::uint8_t> stream = {0x00, 0xAB, 0xAB, 0x00, 0x06, 0x13, 0xAB};
        // A false header whose 28 bytes hide the start of a real frame.
        stream.insert(stream.end(), {0xAB, 0x00, 0x06, 0x01, 0x02});
        stream.insert(stream.end(), good.begin(), good.end());
        stream.insert(stream.end(), bad.begin(), bad.end());
        stream.insert(stream.end(), good.begin(), good.end());
        for (std::size_t cut : {std::size_t{1}, std::size_t{5}, std::size_t{29}, stream.size()}) {
            FrameAssembler a;
            const auto readings = assemble(stream, {cut}, a);
            QCOMPARE(readings.size(), std::size_t{2});
            QCOMPARE(readings[0].values[Voltage], 5000.0);
        }
    }

    void assemblerBufferStaysBounded() {
        FrameAssembler a;
        std::mt19937 random(7);
        std::uniform_int_distribution<int> byte(0, 255);
        std::vector<std::uint8_t> chunk(4096);
        for (int round = 0; round < 64; ++round) {
            for (auto& b : chunk) {
                b = static_cast<std::uint8_t>(byte(random));
            }
            // Headers everywhere make the worst case for the buffer.
            for (std::size_t i = 0; i + 3 < chunk.size(); i += 31) {
                chunk[i] = 0xAB;
                chunk[i + 1] = 0x00;
                chunk[i + 2] = 0x06;
            }
            a.feed(chunk, [](const Reading&) {});
            QVERIFY(a.buffered() < kFrameSize);
        }
    }

    void noisyStreamOfTheSimulatorLosesNoGoodFrame() {
        boardsim::MeasuringBoard meter(3);
        boardsim::NoiseMaker noise(4, true);
        FrameAssembler a;
        std::vector<double> times;
        for (std::uint64_t ms = 100; ms <= 100000; ms += 100) {
            for (const auto& piece : noise.pieces(meter.frame(ms, false, false))) {
                a.feed(piece, [&](const Reading& r) { times.push_back(r.values[Time]); });
            }
        }
        // The last frame may still wait for its tail; every other one is there, in order.
        QVERIFY(times.size() >= 999);
        for (std::size_t i = 0; i < times.size(); ++i) {
            QCOMPARE(times[i], (i + 1) * 100.0);
        }
        QVERIFY(a.rejected() > 0);
    }

    // Each thing given up is counted once, under its reason: a stretch of bytes that starts no
    // frame, a header whose frame fails the checksum (its own bytes not counted again), and a
    // frame begun when the stream is dropped.
    void refusalsAreCountedByReason() {
        FrameAssembler a;
        const auto good = encodeFrame({50120, 870, 12, 63, 4200, 2701, 2688});
        auto bad = good;
        bad[10] ^= 0x01;
        std::vector<std::uint8_t> stream = {0x01, 0x02, 0x03};
        stream.insert(stream.end(), bad.begin(), bad.end());
        stream.insert(stream.end(), good.begin(), good.end());
        stream.insert(stream.end(), good.begin(), good.begin() + 10);
        int frames = 0;
        a.feed(stream, [&](const Reading&) { ++frames; });
        QCOMPARE(frames, 1);
        a.clear();
        a.clear();
        QCOMPARE(a.refusals().header, std::uint64_t{1});
        QCOMPARE(a.refusals().checksum, std::uint64_t{1});
        QCOMPARE(a.refusals().length, std::uint64_t{1});
    }

    void readingTextTrimsZerosAndUsesNoGrouping_data() {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("whole") << 21073.0 << "21073";
        QTest::newRow("tenth") << 5000.1 << "5000.1";
        QTest::newRow("tenth of a large raw") << 4294967295 * 0.1 << "429496729.5";
        QTest::newRow("zero") << 0.0 << "0";
        QTest::newRow("15 significant digits") << 123456789012345.6 << "123456789012346";
        QTest::newRow("beyond 15 digits") << 1e15 << "1E+15";
    }
    void readingTextTrimsZerosAndUsesNoGrouping() {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(readingText(value), text);
    }

    void simulationOfTheExampleText() {
        const SimulatedFrame s = simulateFrameText(kExampleText);
        QCOMPARE(s.checksumText, QStringLiteral("C9"));
        QVERIFY(s.accepted);
        QStringList expected = kExampleValues;
        expected[Time] = QStringLiteral("11452585.61");
        QCOMPARE(texts(s.reading), expected);
    }

    void simulationRejectsTextThatIsNotExact_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("checksum");
        QTest::addColumn<bool>("accepted");
        QString lowerHeader = kExampleText;
        lowerHeader.replace(0, 2, QStringLiteral("ab"));
        QString lowerChecksum = kExampleText;
        lowerChecksum.replace(lowerChecksum.size() - 2, 2, QStringLiteral("c9"));
        QString lowerData = kExampleText;
        lowerData.replace(QStringLiteral("51 52"), QStringLiteral("51 5b"));
        lowerData.replace(QStringLiteral("C9"), QStringLiteral("D2"));
        QString doubleSpace = kExampleText;
        doubleSpace.replace(QStringLiteral("01 02"), QStringLiteral("01  02"));
        QString wrongChecksum = kExampleText;
        wrongChecksum.replace(QStringLiteral("C9"), QStringLiteral("C8"));
        QTest::newRow("lower-case header") << lowerHeader << "C9" << false;
        QTest::newRow("lower-case checksum") << lowerChecksum << "C9" << false;
        QTest::newRow("lower-case data digit") << lowerData << "D2" << true;
        QTest::newRow("wrong checksum") << wrongChecksum << "C9" << false;
        QTest::newRow("double space") << doubleSpace << "" << false;
        QTest::newRow("27 pieces") << kExampleText.left(kExampleText.size() - 3) << "" << false;
        QTest::newRow("not hexadecimal")
            << QString(kExampleText).replace("11", "XY") << "" << false;
    }
    void simulationRejectsTextThatIsNotExact() {
        QFETCH(QString, text);
        QFETCH(QString, checksum);
        QFETCH(bool, accepted);
        const SimulatedFrame s = simulateFrameText(text);
        QCOMPARE(s.checksumText, checksum);
        QCOMPARE(s.accepted, accepted);
    }

    void repliesMeanWhatTheBoardSays_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("reply");
        QTest::newRow("nothing") << QByteArray() << int(Reply::None);
        QTest::newRow("CC") << QByteArray::fromHex("cc") << int(Reply::TestAnswered);
        QTest::newRow("CC and more") << QByteArray::fromHex("cc0102") << int(Reply::TestAnswered);
        QTest::newRow("01 01") << QByteArray::fromHex("0101") << int(Reply::Relay1Closed);
        QTest::newRow("01 00") << QByteArray::fromHex("0100") << int(Reply::Relay1Open);
        QTest::newRow("01 7F") << QByteArray::fromHex("017f") << int(Reply::Relay1Open);
        QTest::newRow("02 01") << QByteArray::fromHex("0201") << int(Reply::Relay2Closed);
        QTest::newRow("02 00") << QByteArray::fromHex("0200") << int(Reply::Relay2Open);
        QTest::newRow("01 alone") << QByteArray::fromHex("01") << int(Reply::Incomplete);
        QTest::newRow("02 alone") << QByteArray::fromHex("02") << int(Reply::Incomplete);
        QTest::newRow("unknown") << QByteArray::fromHex("0301") << int(Reply::None);
    }
    void repliesMeanWhatTheBoardSays() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, reply);
        const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
        QCOMPARE(int(interpretReply({p, static_cast<std::size_t>(bytes.size())})), reply);
    }

    void simulatedRelayBoardAppliesAndAnswers() {
        boardsim::RelayBoard board;
        const std::vector<std::uint8_t> commands = {0x55, 0xAA, 0x01, 0x01, 0x00, 0xDD, 0x01, 0x00,
                                                    0xDD, 0x02, 0x00, 0xAA, 0xBB, 0x00, 0xAA, 0x02,
                                                    0x01, 0x00, 0xAA, 0x01, 0x00, 0x00, 0xDD, 0x03,
                                                    0x00, 0xDD, 0x01, 0x00, 0xDD, 0x02, 0x00};
        // One byte at a time: the board must not care how the line splits its input.
        std::vector<std::uint8_t> replies;
        for (std::uint8_t b : commands) {
            const auto r = board.receive({&b, 1});
            replies.insert(replies.end(), r.begin(), r.end());
        }
        QCOMPARE(replies,
                 (std::vector<std::uint8_t>{0x01, 0x01, 0x02, 0x00, 0xCC, 0x01, 0x00, 0x02, 0x01}));
        QVERIFY(!board.closed(1));
        QVERIFY(board.closed(2));
    }
};

TESSALY_TEST_MAIN(FramesTest)
#include "FramesTest.moc"

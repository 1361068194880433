// The channel queries: their formats and arithmetic over a scripted library, then over the
// real one with a real clip.
#include "audio/cbass_time.h"
#include "tests/harness/AudioTestSupport.h"
#include "tests/harness/TestHarness.h"

namespace {

// What the scripted library answers.
struct Script {
    bool attributesOk = true;
    DWORD frequency = 44100;
    bool infoOk = true;
    BASS_CHANNELINFO info{44100, 2, 0};
    QWORD length = 0;
    QWORD position = 0;
    double bytesPerSecond = 176400;
    bool deviceOk = true;
    DWORD dsver = 9;
};
Script g_script;

BOOL BASS_CALLBACK fakeAttributes(DWORD, DWORD* freq, DWORD* volume, int* pan) {
    if (!g_script.attributesOk) {
        return FALSE;
    }
    *freq = g_script.frequency;
    *volume = 100;
    *pan = 0;
    return TRUE;
}
BOOL BASS_CALLBACK fakeInfo(DWORD, BASS_CHANNELINFO* info) {
    if (!g_script.infoOk) {
        return FALSE;
    }
    *info = g_script.info;
    return TRUE;
}
QWORD BASS_CALLBACK fakeLength(DWORD) {
    return g_script.length;
}
QWORD BASS_CALLBACK fakePosition(DWORD) {
    return g_script.position;
}
float BASS_CALLBACK fakeSeconds(DWORD, QWORD bytes) {
    return static_cast<float>(static_cast<double>(bytes) / g_script.bytesPerSecond);
}
BOOL BASS_CALLBACK fakeDevice(BASS_INFO* info) {
    if (!g_script.deviceOk) {
        return FALSE;
    }
    info->dsver = g_script.dsver;
    return TRUE;
}

BassApi scriptedApi() {
    BassApi api;
    api.ChannelGetAttributes = fakeAttributes;
    api.ChannelGetInfo = fakeInfo;
    api.ChannelGetLength = fakeLength;
    api.ChannelGetPosition = fakePosition;
    api.ChannelBytes2Seconds = fakeSeconds;
    api.GetInfo = fakeDevice;
    return api;
}

} // namespace

class CbassTimeTest : public QObject {
    Q_OBJECT
private slots:
    void init() { g_script = Script{}; }

    void getTimeWritesTwoDigitFields_data() {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "00:00:00";
        QTest::newRow("59") << 59 << "00:00:59";
        QTest::newRow("3660") << 3660 << "01:01:00";
        QTest::newRow("7199") << 7199 << "01:59:59";
        QTest::newRow("3725") << 3725 << "01:02:05";
        QTest::newRow("100 hours") << 360000 << "100:00:00";
    }
    void getTimeWritesTwoDigitFields() {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(cbass_time(scriptedApi()).GetTime(seconds), text);
    }

    void formatQueries_data() {
        QTest::addColumn<DWORD>("frequency");
        QTest::addColumn<DWORD>("channels");
        QTest::addColumn<DWORD>("flags");
        QTest::addColumn<int>("bytesPerSecond");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("bits");
        QTest::newRow("mono 16-bit 22050") << 22050u << 1u << 0u << 44100 << "Mono" << 16;
        QTest::newRow("stereo 16-bit 44100") << 44100u << 2u << 4u << 176400 << "Stereo" << 16;
        QTest::newRow("six channels count as two")
            << 48000u << 6u << 0u << 192000 << "6 MultiChannel" << 16;
        QTest::newRow("stereo 8-bit 11025") << 11025u << 2u << 1u << 22050 << "Stereo" << 8;
    }
    void formatQueries() {
        QFETCH(DWORD, frequency);
        QFETCH(DWORD, channels);
        QFETCH(DWORD, flags);
        QFETCH(int, bytesPerSecond);
        QFETCH(QString, mode);
        QFETCH(int, bits);
        g_script.frequency = frequency;
        g_script.info = {frequency, channels, flags};
        cbass_time queries(scriptedApi());
        QCOMPARE(queries.GetFrequency(1), qint32(frequency));
        QCOMPARE(queries.GetBytesPerSecond(1), bytesPerSecond);
        QCOMPARE(queries.GetMode(1), mode);
        QCOMPARE(int(queries.GetBits(1)), bits);
    }

    void failedQueriesKeepTheLastInfoAndGiveZeroRates() {
        g_script.info = {22050, 1, BASS_SAMPLE_8BITS};
        cbass_time queries(scriptedApi());
        QCOMPARE(queries.GetMode(1), QStringLiteral("Mono"));
        g_script.infoOk = false;
        g_script.info = {44100, 2, 0};
        QCOMPARE(queries.GetMode(2), QStringLiteral("Mono"));
        QCOMPARE(int(queries.GetBits(2)), 8);
        g_script.attributesOk = false;
        QCOMPARE(queries.GetFrequency(2), 0);
        QCOMPARE(queries.GetBytesPerSecond(2), 0);
        g_script.deviceOk = false;
        QCOMPARE(int(queries.GetDXver()), 0);
        // Before any successful refill the record is all zero.
        QCOMPARE(cbass_time(scriptedApi()).GetMode(3), QStringLiteral("0 MultiChannel"));
    }

    void bitsPerSecondIsTheRoundedAverage_data() {
        QTest::addColumn<qint64>("lengthBytes");
        QTest::addColumn<int>("fileLength");
        QTest::addColumn<int>("kbps");
        // 30 s of 44.1 kHz 16-bit stereo.
        QTest::newRow("480000 bytes in 30 s") << qint64{5292000} << 480000 << 128;
        QTest::newRow("128.5 rounds down to even") << qint64{5292000} << 481875 << 128;
        QTest::newRow("129.5 rounds up to even") << qint64{5292000} << 485625 << 130;
        QTest::newRow("128.4 rounds down") << qint64{5292000} << 481500 << 128;
        QTest::newRow("no length") << qint64{0} << 480000 << 0;
        QTest::newRow("beyond range saturates") << qint64{176400} << 268435455 << 32767;
    }
    void bitsPerSecondIsTheRoundedAverage() {
        QFETCH(qint64, lengthBytes);
        QFETCH(int, fileLength);
        QFETCH(int, kbps);
        g_script.length = static_cast<QWORD>(lengthBytes);
        cbass_time queries(scriptedApi());
        QCOMPARE(int(queries.GetBitsPerSecond(1, fileLength)), kbps);
    }

    void positionDurationAndDirectSoundVersion() {
        g_script.length = 1764000;
        g_script.position = 88200;
        cbass_time queries(scriptedApi());
        QCOMPARE(queries.GetDuration(1), 10.0f);
        QCOMPARE(queries.GetPlayingPos(1), 0.5f);
        QCOMPARE(int(queries.GetDXver()), 9);
        g_script.dsver = 300;
        QCOMPARE(int(queries.GetDXver()), 255);
    }

    void describesARealClip() {
        const BassApi& bass = audiotest::api();
        qputenv("SDL_AUDIODRIVER", "dummy");
        const QByteArray image = audiotest::clip(QStringLiteral("37.mc"));
        QVERIFY(bass.Init(-1, 44100, 0, nullptr, nullptr));
        const HSTREAM stream =
            bass.StreamCreateFile(TRUE, image.constData(), 0, static_cast<DWORD>(image.size()), 4);
        QVERIFY(stream != 0);
        QVERIFY(bass.ChannelPlay(stream, FALSE));
        cbass_time queries(bass);
        QCOMPARE(queries.GetDuration(stream), 10.0f);
        QCOMPARE(queries.GetFrequency(stream), 44100);
        QCOMPARE(int(queries.GetBits(stream)), 16);
        QCOMPARE(queries.GetMode(stream), QStringLiteral("Stereo"));
        QCOMPARE(queries.GetBytesPerSecond(stream), 176400);
        // 128 kbit/s frames plus the tag frame.
        QCOMPARE(int(queries.GetBitsPerSecond(stream, static_cast<qint32>(image.size()))),
                 qRound(image.size() * 8.0 / 10.0 / 1000.0));
        QVERIFY(queries.GetPlayingPos(stream) >= 0.0f && queries.GetPlayingPos(stream) < 10.0f);
        QCOMPARE(int(queries.GetDXver()), BASS_DSVER_REPORTED);
        QVERIFY(bass.Free());
        // With the channel gone the rates fall to zero instead of dividing by it.
        QCOMPARE(queries.GetFrequency(stream), 0);
        QCOMPARE(int(queries.GetBitsPerSecond(stream, 1000)), 0);
    }
};

TESSALY_TEST_MAIN(CbassTimeTest)
#include "CbassTimeTest.moc"

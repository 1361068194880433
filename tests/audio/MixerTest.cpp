// The mixer driven by hand with scripted sources: exact loop periods, end reports, restarts
// and sums, without any output device.
#include "audio/bass/Mixer.h"
#include "tests/harness/TestHarness.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

using namespace tessaly::bass;

namespace {

// Each frame carries its index within the pass (plus an offset) on every channel.
class RampDecoder final : public Decoder {
public:
    RampDecoder(std::uint64_t length, int rate = 44100, int channels = 2, int offset = 0)
        : Decoder(rate, channels, length), m_offset(offset) {}

    std::size_t read(std::int16_t* out, std::size_t frames) override {
        const std::size_t n = std::min<std::uint64_t>(frames, length() - m_pos);
        for (std::size_t f = 0; f < n; ++f) {
            for (int c = 0; c < channels(); ++c) {
                *out++ = static_cast<std::int16_t>(m_offset + static_cast<int>(m_pos + f));
            }
        }
        m_pos += n;
        return n;
    }
    bool rewind() override {
        m_pos = 0;
        return true;
    }

private:
    int m_offset;
    std::uint64_t m_pos = 0;
};

// A ramp whose next read, once asked to, takes longer than the buffer it fills would play.
class StallingDecoder final : public Decoder {
public:
    explicit StallingDecoder(int rate) : Decoder(rate, 2, 1'000'000), m_ramp(1'000'000, rate) {}

    std::size_t read(std::int16_t* out, std::size_t frames) override {
        if (stallMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(stallMs));
            stallMs = 0;
        }
        return m_ramp.read(out, frames);
    }
    bool rewind() override { return m_ramp.rewind(); }

    int stallMs = 0;

private:
    RampDecoder m_ramp;
};

struct EndLog final : EndListener {
    std::vector<std::uint32_t> ends;
    void channelEnded(std::uint32_t handle) noexcept override { ends.push_back(handle); }
};

std::vector<std::int16_t> mixFrames(Mixer& mixer, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2, -1);
    mixer.mix(out.data(), frames);
    return out;
}

std::unique_ptr<Channel> channel(std::uint32_t handle, std::unique_ptr<Decoder> decoder, bool loop,
                                 Mixer& mixer) {
    auto ch = std::make_unique<Channel>(handle, std::move(decoder), loop);
    ch->prepare(mixer.rate(), mixer.maxFrames());
    mixer.add(ch.get());
    return ch;
}

} // namespace

class MixerTest : public QObject {
    Q_OBJECT
private slots:
    void loopRepeatsWithExactPeriodAndReportsEachEnd() {
        EndLog log;
        Mixer mixer(44100, 512, &log);
        auto ch = channel(7, std::make_unique<RampDecoder>(1000), true, mixer);
        ch->play(false);
        const auto out = mixFrames(mixer, 3500);
        for (std::size_t f = 0; f < 3500; ++f) {
            QCOMPARE(out[f * 2], static_cast<std::int16_t>(f % 1000));
            QCOMPARE(out[f * 2 + 1], static_cast<std::int16_t>(f % 1000));
        }
        QCOMPARE(log.ends, (std::vector<std::uint32_t>{7, 7, 7}));
        QCOMPARE(ch->position(), std::uint64_t{500});
        QVERIFY(ch->playing());
    }

    void channelWithoutLoopPlaysOnceThenRestartsWhenPlayedAgain() {
        EndLog log;
        Mixer mixer(44100, 256, &log);
        auto ch = channel(3, std::make_unique<RampDecoder>(600, 44100, 2, 1), false, mixer);
        ch->play(false);
        auto out = mixFrames(mixer, 1000);
        QCOMPARE(out[599 * 2], std::int16_t{600});
        QVERIFY(std::all_of(out.begin() + 600 * 2, out.end(), [](auto s) { return s == 0; }));
        QCOMPARE(log.ends.size(), std::size_t{1});
        QVERIFY(!ch->playing());

        ch->play(false); // ended: from the start again
        out = mixFrames(mixer, 10);
        QCOMPARE(out[0], std::int16_t{1});
        QCOMPARE(out[9 * 2], std::int16_t{10});
    }

    void restartGoesBackWhileResumeContinues() {
        EndLog log;
        Mixer mixer(44100, 512, &log);
        auto ch = channel(1, std::make_unique<RampDecoder>(10000, 44100, 2, 1), true, mixer);
        ch->play(false);
        mixFrames(mixer, 300);
        ch->play(false);
        QCOMPARE(mixFrames(mixer, 1)[0], std::int16_t{301});
        ch->play(true);
        QCOMPARE(ch->position(), std::uint64_t{0});
        QCOMPARE(mixFrames(mixer, 1)[0], std::int16_t{1});
    }

    void emptySourceEndsInsteadOfSpinning() {
        EndLog log;
        Mixer mixer(44100, 512, &log);
        auto ch = channel(9, std::make_unique<RampDecoder>(0), true, mixer);
        ch->play(false);
        const auto out = mixFrames(mixer, 2048);
        QVERIFY(std::all_of(out.begin(), out.end(), [](auto s) { return s == 0; }));
        QCOMPARE(log.ends.size(), std::size_t{1});
        QVERIFY(!ch->playing());
    }

    void channelsAreSummedAndClippedAndRemovedOnesAreSilent() {
        EndLog log;
        Mixer mixer(44100, 512, &log);
        auto a = channel(1, std::make_unique<RampDecoder>(100, 44100, 2, 30000), true, mixer);
        auto b = channel(2, std::make_unique<RampDecoder>(100, 44100, 2, 10000), true, mixer);
        a->play(false);
        b->play(false);
        auto out = mixFrames(mixer, 4);
        QCOMPARE(out[0], std::int16_t{32767}); // 40000 clipped
        auto quiet = channel(3, std::make_unique<RampDecoder>(100, 44100, 2, -5), true, mixer);
        mixer.remove(a.get());
        out = mixFrames(mixer, 4);
        QCOMPARE(out[0], std::int16_t{10004}); // b alone; the unplayed channel adds nothing
    }

    // Normal play, a channel's end included, counts nothing; a call that renders its buffer
    // later than the buffer would have played counts once. At 8000 Hz a normal call has a
    // whole second before it is late, so a busy machine does not count.
    void underrunsCountLateCallsButNotNormalPlayOrAnEnd() {
        EndLog log;
        Mixer mixer(8000, 8000, &log);
        auto stalling = std::make_unique<StallingDecoder>(8000);
        StallingDecoder& source = *stalling;
        auto looping = channel(1, std::move(stalling), true, mixer);
        auto once = channel(2, std::make_unique<RampDecoder>(3000, 8000), false, mixer);
        looping->play(false);
        once->play(false);
        for (int i = 0; i < 4; ++i) {
            mixFrames(mixer, 8000);
        }
        QVERIFY(!once->playing());
        QCOMPARE(log.ends, (std::vector<std::uint32_t>{2}));
        QCOMPARE(mixer.underruns(), std::uint64_t{0});

        source.stallMs = 20; // a 16-frame call has 2 ms
        mixFrames(mixer, 16);
        QCOMPARE(mixer.underruns(), std::uint64_t{1});
        mixFrames(mixer, 8000);
        QCOMPARE(mixer.underruns(), std::uint64_t{1});
    }
};

TESSALY_TEST_MAIN(MixerTest)
#include "MixerTest.moc"

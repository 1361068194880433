// Figures for the status page: what one snapshot costs a run tick, and how late the run ticks
// and the event loop get while this machine floods the page with requests.
#include "app/AppRoot.h"
#include "audio/ClipPlayer.h"
#include "base/Clock.h"
#include "bench/QtBenchmarkMain.h"
#include "panel/TessalyPanel.h"
#include "run/RunEngine.h"
#include "serial/DataWindow.h"
#include "serial/FrameText.h"
#include "status/StatusFeed.h"
#include "status/StatusPage.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

class SilentPlayer final : public ClipPlayer {
public:
    void 播放一个指定文件(const QString&) override {}
};

// The whole program with a cycling 40-step program, live readings and the page on.
struct Rig {
    SilentPlayer player;
    AppRoot root;
    explicit Rig(Clock& clock) : root(clock, [this]() -> ClipPlayer& { return player; }) {
        TessalyPanel& p = root.panel();
        for (int i = 0; i < kStepCount; ++i) {
            p.Text3[i]->setText(QStringLiteral("1"));
            p.Text4[i]->setText(QString::number(i % 10));
        }
        p.Check7->setChecked(true);
        // A live reading, through the data window's frame simulation as a board's frame would be.
        const auto frame = frames::encodeFrame({50017, 50017, 50017, 50017, 50017, 5001, 5001});
        root.dataWindow()->Text3->setText(
            hexText(QByteArray(reinterpret_cast<const char*>(frame.data()), frame.size()))
                .trimmed());
        root.dataWindow()->Command2_Click();
        StatusPageSettings s;
        s.enabled = true;
        s.port = 0;
        root.statusPage().apply(s);
    }
    ~Rig() { QSettings().clear(); }
};

// One snapshot made and serialised, with ten minutes of chart and 50 events behind it.
void BM_StatusSnapshot(benchmark::State& state) {
    ManualClock clock;
    Rig rig(clock);
    rig.root.runEngine().启动程序_Click(RunEngine::Start);
    for (int t = 0; t < 1300; ++t) {
        clock.advanceMs(500);
        rig.root.runEngine().Timer1_Timer();
    }
    for (auto _ : state) {
        clock.advanceMs(1000);
        rig.root.statusFeed().refresh();
    }
    state.counters["json_bytes"] = double(statusJson(rig.root.statusFeed().snapshot()).size());
}
BENCHMARK(BM_StatusSnapshot)->Unit(benchmark::kMicrosecond);

// One /metrics answer as a scrape gets it: the rig's values, the process's figures from /proc,
// the text and the HTTP exchange over loopback. The page makes the text once per snapshot, so
// each iteration publishes a new one first, as a scrape after a tick finds it.
void BM_MetricsScrape(benchmark::State& state) {
    ManualClock clock;
    Rig rig(clock);
    rig.root.runEngine().启动程序_Click(RunEngine::Start);
    const QByteArray request = "GET /metrics HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                               rig.root.statusPage().settings().token.toUtf8() + "\r\n\r\n";
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, rig.root.statusPage().port());
    socket.waitForConnected(5000);
    qint64 bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        clock.advanceMs(500);
        rig.root.runEngine().Timer1_Timer();
        state.ResumeTiming();
        socket.write(request);
        QByteArray answer;
        // Until the whole body is in: the page answers with a length, and the text ends with a
        // line end.
        while (!answer.contains("\r\n\r\n") || !answer.endsWith('\n') ||
               answer.size() - answer.indexOf("\r\n\r\n") - 4 <
                   answer.mid(answer.indexOf("Content-Length: ") + 16, 12).split('\r')[0].toInt()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            answer += socket.readAll();
        }
        bytes = answer.size();
    }
    state.counters["answer_bytes"] = double(bytes);
}
BENCHMARK(BM_MetricsScrape)->Unit(benchmark::kMicrosecond);

// Ten seconds of a real run (argument 0: nobody asks; 1: a flood from four connections of
// this machine): how late each 500 ms run tick came after the one before, and how late a
// 10 ms timer of the event loop got.
void BM_RunTicksUnderFlood(benchmark::State& state) {
    SystemClock clock;
    Rig rig(clock);
    TessalyPanel& p = rig.root.panel();
    const qint64 seconds = qEnvironmentVariableIntValue("TESSALY_BENCH_SECONDS") > 0
                               ? qEnvironmentVariableIntValue("TESSALY_BENCH_SECONDS")
                               : 10;
    for (auto _ : state) {
        QElapsedTimer since;
        since.start();
        qint64 lastTick = -1;
        qint64 worstTickLate = 0;
        int ticks = 0;
        QObject::connect(p.Timer1, &QTimer::timeout, p.Timer1, [&] {
            const qint64 now = since.elapsed();
            if (lastTick >= 0) {
                worstTickLate = std::max(worstTickLate, now - lastTick - p.Timer1->interval());
            }
            lastTick = now;
            ++ticks;
        });
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(10);
        qint64 lastProbe = -1;
        qint64 worstLoopLate = 0;
        QObject::connect(&probe, &QTimer::timeout, &probe, [&] {
            const qint64 now = since.elapsed();
            if (lastProbe >= 0) {
                worstLoopLate = std::max(worstLoopLate, now - lastProbe - 10);
            }
            lastProbe = now;
        });
        probe.start();
        rig.root.runEngine().启动程序_Click(RunEngine::Start);
        QProcess flood;
        if (state.range(0) == 1) {
            flood.start(QStringLiteral(TESSALY_STATUS_FLOOD),
                        {QString::number(rig.root.statusPage().port()),
                         rig.root.statusPage().settings().token, QStringLiteral("100000000"),
                         QString::number(seconds), QStringLiteral("4")});
            flood.waitForStarted();
        }
        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
        loop.exec();
        if (flood.state() != QProcess::NotRunning) {
            QEventLoop wait;
            QObject::connect(&flood, &QProcess::finished, &wait, &QEventLoop::quit);
            wait.exec();
        }
        rig.root.runEngine().启动程序_Click(RunEngine::Stopp);
        QObject::disconnect(p.Timer1, &QTimer::timeout, p.Timer1, nullptr);
        const QString out =
            state.range(0) == 1 ? QString::fromLatin1(flood.readAllStandardOutput()) : QString();
        const QRegularExpressionMatch m =
            QRegularExpression(R"(requests (\d+) ok (\d+) busy (\d+) failed (\d+) ms (\d+))")
                .match(out);
        if (m.hasMatch()) {
            state.counters["requests_per_s"] =
                m.captured(2).toDouble() * 1000.0 / std::max(1.0, m.captured(5).toDouble());
            state.counters["busy"] = m.captured(3).toDouble();
            state.counters["failed"] = m.captured(4).toDouble();
        }
        state.counters["ticks"] = ticks;
        state.counters["worst_tick_late_ms"] = double(worstTickLate);
        state.counters["worst_loop_late_ms"] = double(worstLoopLate);
    }
}
BENCHMARK(BM_RunTicksUnderFlood)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return runQtBenchmarks(argc, argv);
}

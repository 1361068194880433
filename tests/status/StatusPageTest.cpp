#include "status/StatusPage.h"
#include "run/HistoryCharts.h"
#include "run/RunRecorder.h"
#include "serial/DataWindow.h"
#include "serial/FrameText.h"
#include "serial/MeasuringBoard.h"
#include "status/AccessToken.h"
#include "status/ShareStatusWindow.h"
#include "status/StatusFeed.h"
#include "status/StatusHttpServer.h"
#include "tests/harness/RootFixture.h"
#include "tests/status/HttpExchange.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTcpServer>
#include <algorithm>
#include <tuple>

namespace {

RecordingMessageBoxes& messages() {
    return TestEnvironment::instance().messages();
}

// A frame of these values through the data window's frame simulation, as a board sends it.
void simulateFrame(数据采集窗口& window, const frames::RawFields& raw) {
    const auto bytes = frames::encodeFrame(raw);
    window.Text3->setText(
        hexText(QByteArray(reinterpret_cast<const char*>(bytes.data()), bytes.size())).trimmed());
    window.Command2_Click();
}

// Voltage 5012 mV, current 87 mA, 1.2 mAh, 6.3 mWh, time 42, D+ 2701 mV, D- 2688 mV.
const frames::RawFields kMeasured{50120, 870, 12, 63, 4200, 2701, 2688};

// The whole program with its status page on at a free loopback port.
struct PageFixture : RootFixture {
    PageFixture() {
        StatusPageSettings s;
        s.enabled = true;
        s.port = 0;
        root.statusPage().apply(s);
        // Step 0: 10 s at 3/0; step 1: 20 s at 0/5 with the laser; 30 s in all.
        step(0, 0, 0, 10, 3, 0);
        RunFixture::setStep(p(), 1, 0, 0, 20, 0, 5, 1, 0, 1);
        simulateFrame(*root.dataWindow(), kMeasured);
    }
    ~PageFixture() { QSettings().clear(); }

    quint16 port() { return root.statusPage().port(); }
    QJsonObject status() {
        const HttpReply r =
            exchange(port(), getRequest("/status.json",
                                        "Authorization: Bearer " +
                                            root.statusPage().settings().token.toUtf8() + "\r\n"));
        return QJsonDocument::fromJson(r.body).object();
    }
    // Lets ms pass in run ticks of 500 ms.
    void run(qint64 ms) {
        for (qint64 t = 0; t < ms; t += 500) {
            clock.advanceMs(500);
            if (p().Timer1->isActive()) {
                root.runEngine().Timer1_Timer();
            }
        }
    }
};

} // namespace

class StatusPageTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        QSettings().clear();
        messages().clear();
    }

    void offUntilTurnedOnThenATokenIsMade() {
        RootFixture f;
        QVERIFY(!f.root.statusPage().serving());
        QVERIFY(f.root.statusPage().settings().token.isEmpty());
        StatusPageSettings s;
        s.enabled = true;
        s.port = 0;
        f.root.statusPage().apply(s);
        QVERIFY(f.root.statusPage().serving());
        QCOMPARE(QSettings().value("StatusPage/token").toString().size(), 22);
        QVERIFY(QSettings().value("StatusPage/enabled").toBool());
        QSettings().clear();
    }

    void theWindowTurnsThePageOnAndRenewsItsToken() {
        RootFixture f;
        f.p().mnuShareStatus->trigger();
        ShareStatusWindow* w = f.root.statusPage().window();
        QVERIFY(w && w->isVisible());
        QVERIFY(w->thisComputer->isChecked() && !w->networkWarning->isVisibleTo(w));
        QCOMPARE(w->port->value(), 8470);
        // A free port, as an operator would pick when 8470 is taken.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const int port = probe.serverPort();
        probe.close();
        w->port->setValue(port);
        w->shareCheck->setChecked(true);
        QVERIFY(f.root.statusPage().serving());
        const QString first = w->link->text();
        QCOMPARE(first, QStringLiteral("http://127.0.0.1:%1/?token=%2")
                            .arg(port)
                            .arg(f.root.statusPage().settings().token));
        w->newToken->click();
        QVERIFY(w->link->text() != first);
        const QByteArray old = first.section('=', 1).toUtf8();
        QCOMPARE(exchange(f.root.statusPage().port(), getRequest("/?token=" + old)).status, 401);
        w->copyLink->click();
        QCOMPARE(QGuiApplication::clipboard()->text(), w->link->text());
        w->localNetwork->setChecked(true);
        QVERIFY(w->networkWarning->isVisibleTo(w));
        QCOMPARE(QSettings().value("StatusPage/address").toString(), QString("0.0.0.0"));
        w->shareCheck->setChecked(false);
        QVERIFY(!f.root.statusPage().serving() && w->link->text().isEmpty());
        QSettings().clear();
    }

    void theSnapshotFollowsARun() {
        PageFixture f;
        QCOMPARE(f.status()["state"].toString(), QString("stopped"));
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        f.run(13'000);
        QJsonObject s = f.status();
        QCOMPARE(s["state"].toString(), QString("running"));
        QCOMPARE(s["cycle"].toInt(), 1);
        QCOMPARE(s["step"].toInt(), 1);
        QCOMPARE(s["elapsed_s"].toInt(), 13);
        QCOMPARE(s["step_remaining_s"].toInt(), 30 - 13);
        QCOMPARE(s["length_s"].toInt(), 30);
        QCOMPARE(s["readings"].toObject()["voltage_mV"].toString(), QString("5012"));
        QCOMPARE(s["readings"].toObject()["dminus_mV"].toString(), QString("2688"));
        QCOMPARE(s["pumps"].toObject()["clip"].toString(), QString("05.mc"));
        QCOMPARE(s["pumps"].toObject()["right"].toInt(), 5);
        QVERIFY(s["signal"].toBool());
        // No board was connected: the board was told nothing.
        QCOMPARE(s["relays"].toObject()["laser"].toString(), QString("unknown"));
        QCOMPARE(s["boards"].toObject()["relay"].toString(), QString("not connected"));
        QCOMPARE(s["steps"].toArray().size(), 40);
        QCOMPARE(s["steps"].toArray()[1].toObject()["duration_s"].toInt(), 20);
        QVERIFY(s["steps"].toArray()[1].toObject()["laser"].toBool());
        QVERIFY(s["chart"].toObject()["voltage_mV"].toArray().size() >= 13);
        QCOMPARE(s["chart"].toObject()["voltage_mV"].toArray().last().toDouble(), 5012.0);
        QStringList events;
        for (const QJsonValue& e : s["events"].toArray()) {
            events << e.toObject()["event"].toString();
        }
        QCOMPARE(events.mid(0, 4), QStringList({"start", "board", "board", "step"}));
        QCOMPARE(events.last(), QString("step"));
        QVERIFY(QRegularExpression(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)")
                    .match(s["updated"].toString())
                    .hasMatch());

        f.root.runEngine().启动程序_Click(RunEngine::Pause);
        QCOMPARE(f.status()["state"].toString(), QString("paused"));
        f.p().Check7->setChecked(true);
        f.root.runEngine().启动程序_Click(RunEngine::Contin);
        f.run(20'000);
        s = f.status();
        QCOMPARE(s["cycle"].toInt(), 2);
        QVERIFY(s["cycling"].toBool());
        f.root.runEngine().启动程序_Click(RunEngine::Stopp);
        QCOMPARE(f.status()["state"].toString(), QString("stopped"));
    }

    // /metrics, behind the token, gives the rig's values in base units in a form promtool
    // takes, and no reading at all while the board gives none.
    void metricsFollowTheRig() {
        PageFixture f;
        const QByteArray bearer =
            "Authorization: Bearer " + f.root.statusPage().settings().token.toUtf8() + "\r\n";
        QCOMPARE(exchange(f.port(), getRequest("/metrics")).status, 401);
        const auto metrics = [&] {
            const HttpReply r = exchange(f.port(), getRequest("/metrics", bearer));
            return r.status == 200 ? r.body : QByteArray();
        };
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        f.run(12000);
        const QByteArray running = metrics();
        for (const char* line :
             {"tessaly_reading_voltage_volts 5.012\n", "tessaly_run_state{state=\"running\"} 1\n",
              "tessaly_run_step 1\n", "tessaly_relay_wanted{relay=\"laser\"} 1\n",
              "tessaly_program_length_seconds 30\n",
              "tessaly_status_requests_total{code=\"401\"} 1\n",
              "tessaly_board_link{board=\"measuring\",link=\"not connected\"} 1\n"}) {
            QVERIFY2(running.contains(line), line);
        }
        QProcess promtool;
        promtool.start(QStringLiteral("promtool"), {"check", "metrics"});
        QVERIFY2(promtool.waitForStarted(), "promtool is missing: the test set-up installs it");
        promtool.write(running);
        promtool.closeWriteChannel();
        QVERIFY(promtool.waitForFinished(30000));
        QVERIFY2(promtool.exitCode() == 0, promtool.readAll().constData());

        f.root.measuringBoard().lose(QStringLiteral("unplugged"));
        f.run(1000);
        const QByteArray lost = metrics();
        QVERIFY(!lost.isEmpty() && !lost.contains("tessaly_reading_"));
        QVERIFY(lost.contains("tessaly_board_link{board=\"measuring\",link=\"lost\"} 1\n"));
        QVERIFY(lost.contains("tessaly_board_losses_total{board=\"measuring\"} 1\n"));
    }

    void aLostMeasuringBoardIsNoReadingAnywhere() {
        PageFixture f;
        f.root.recorder().setEnabled(true);
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        f.run(3000);
        // The board lost: the labels keep their last text, greyed.
        f.root.measuringBoard().lose(QStringLiteral("unplugged"));
        QCOMPARE(f.p().实时数据[0]->text(), QString("5012"));
        QVERIFY(!f.p().实时数据[0]->isEnabled());
        f.run(3000);
        QJsonObject s = f.status();
        QVERIFY(s["readings"].toObject()["voltage_mV"].isNull());
        QVERIFY(s["readings"].toObject()["dminus_mV"].isNull());
        QVERIFY(s["chart"].toObject()["voltage_mV"].toArray().last().isNull());
        QVERIFY(s["chart"].toObject()["current_mA"].toArray().last().isNull());
        QVERIFY(std::isnan(f.root.charts().data().samples[6][0]));
        // The first frame after the reconnect shows everywhere at once.
        simulateFrame(*f.root.dataWindow(), kMeasured);
        QVERIFY(f.p().实时数据[0]->isEnabled());
        f.run(1000);
        s = f.status();
        QCOMPARE(s["readings"].toObject()["voltage_mV"].toString(), QString("5012"));
        QCOMPARE(s["chart"].toObject()["voltage_mV"].toArray().last().toDouble(), 5012.0);
        QCOMPARE(f.root.charts().data().samples[6][0], 5012.0f);
        const QString record = f.root.recorder().recordPath();
        f.root.runEngine().启动程序_Click(RunEngine::Stopp);
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QStringList voltages;
        for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
            if (line.contains("\treadings\t")) {
                voltages << line.split('\t')[10];
            }
        }
        // Measured, then empty cells for the loss (not 0), then measured again.
        QVERIFY2(voltages.first() == "5012" && voltages.contains("") && voltages.last() == "5012" &&
                     !voltages.contains("0"),
                 qPrintable(voltages.join(',')));
    }

    void aPortInUseIsSaidOnceAndTheProgramGoesOn() {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        RootFixture f;
        StatusPageSettings s;
        s.enabled = true;
        s.port = taken.serverPort();
        f.root.statusPage().apply(s);
        QVERIFY(!f.root.statusPage().serving());
        QCOMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(QString::number(s.port)));
        f.step(0, 0, 0, 5, 1, 1);
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        f.clock.advanceMs(2000);
        f.root.runEngine().Timer1_Timer();
        QCOMPARE(f.p().当前状态->text(), QString("Running"));
        QCOMPARE(messages().count(), 1);
        QSettings().clear();
    }

    void aPageThatCannotStartWaitsForTheStartUpToEnd() {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
        QSettings().setValue("StatusPage/enabled", true);
        QSettings().setValue("StatusPage/port", taken.serverPort());
        QSettings().setValue("StatusPage/token", "ab\"><i>");
        ManualClock clock;
        AppRoot root(clock, AppRoot::Sound::None);
        root.Form_Load();
        // Loaded and shown with no box pressed: the step table holds the program.
        QCOMPARE(messages().count(), 0);
        QVERIFY(root.panel().isVisible());
        QVERIFY(!root.panel().Label26->text().isEmpty());
        QVERIFY(root.editor().table().endSeconds[kStepCount] > 0);
        QTRY_COMPARE(messages().count(), 1);
        QVERIFY(messages().last().text.contains(QString::number(taken.serverPort())));
        QCoreApplication::processEvents();
        QCOMPARE(messages().count(), 1);
        // The window says why, and that the preset token was replaced; the port stays as preset.
        root.statusPage().showWindow();
        const QString state = root.statusPage().window()->state->text();
        QVERIFY2(state.contains("cannot be opened") && state.contains("preset token"),
                 qPrintable(state));
        QVERIFY(isAccessToken(root.statusPage().settings().token.toUtf8()));
        QCOMPARE(QSettings().value("StatusPage/token").toString(),
                 root.statusPage().settings().token);
        QCOMPARE(QSettings().value("StatusPage/port").toInt(), int(taken.serverPort()));
        QSettings().clear();
    }

    void aFloodIsAnsweredWhileTheRunGoesOn() {
        PageFixture f;
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        QProcess flood;
        flood.start(
            QStringLiteral(TESSALY_STATUS_FLOOD),
            {QString::number(f.port()), f.root.statusPage().settings().token, "2000", "20", "8"});
        QVERIFY(flood.waitForStarted());
        int ticks = 0;
        while (flood.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            if (ticks < 25) {
                f.run(1000);
                ++ticks;
            }
        }
        const QString out = QString::fromLatin1(flood.readAllStandardOutput());
        const QRegularExpressionMatch m =
            QRegularExpression(R"(requests (\d+) ok (\d+) busy (\d+) failed (\d+))").match(out);
        QVERIFY2(m.hasMatch(), qPrintable(out));
        QCOMPARE(m.captured(1).toInt(), 2000);
        QVERIFY2(m.captured(2).toInt() > 0, qPrintable(out));
        QCOMPARE(m.captured(4).toInt(), 0);
        // Every connection was let go, and the run is where its ticks took it.
        QTRY_COMPARE(f.root.statusPage().openConnections(), 0);
        f.run(32'000 - ticks * 1000);
        QCOMPARE(f.status()["step"].toInt(), 40);
    }

    void aBrowserShowsTheRunLive() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        QVERIFY2(!chromium.isEmpty(),
                 "chromium is not installed (scripts/install-deps.sh --tests installs it)");
        PageFixture f;
        f.root.runEngine().启动程序_Click(RunEngine::Start);
        // Three seconds without the measuring board in the middle of the chart.
        f.run(5000);
        f.root.measuringBoard().lose(QStringLiteral("unplugged"));
        f.run(3000);
        simulateFrame(*f.root.dataWindow(), kMeasured);
        f.run(5000);
        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                                 "--user-data-dir=" + profile.path(), "--virtual-time-budget=3000",
                                 "--dump-dom", f.root.statusPage().link()});
        QVERIFY(browser.waitForStarted());
        while (browser.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        QVERIFY2(dom.contains(R"(<span id="step">01</span>)"), qPrintable(dom.left(3000)));
        QVERIFY(dom.contains(R"(id="countdown" class="countdown">00:00:17<)"));
        QVERIFY(dom.contains(R"(<td id="reading_voltage_mV">5012</td>)"));
        QVERIFY(dom.contains(R"(<span id="state">running</span>)"));
        QVERIFY(dom.contains(R"(<span id="voltageNow" class="latest">5012 mV</span>)"));
        QVERIFY(dom.contains(R"(<span id="currentNow" class="latest">87 mA</span>)"));
        // Each plot: a scale in its own unit around its reading (the loss did not pull it to
        // 0), ten minutes of time, and two lines with nothing between them for the loss.
        for (const auto& [id, unit, value] :
             {std::tuple{QStringLiteral("voltageChart"), QStringLiteral("mV"), 5012.0},
              std::tuple{QStringLiteral("currentChart"), QStringLiteral("mA"), 87.0}}) {
            const QString plot =
                QRegularExpression(QStringLiteral("<svg id=\"%1\".*?</svg>").arg(id),
                                   QRegularExpression::DotMatchesEverythingOption)
                    .match(dom)
                    .captured();
            QList<double> ticks;
            auto labels =
                QRegularExpression(
                    QStringLiteral(R"(<text class="value"[^>]*>(-?[\d.]+) %1</text>)").arg(unit))
                    .globalMatch(plot);
            while (labels.hasNext()) {
                ticks << labels.next().captured(1).toDouble();
            }
            QVERIFY2(ticks.size() >= 2, qPrintable(plot));
            const auto [lo, hi] = std::minmax_element(ticks.begin(), ticks.end());
            QVERIFY2(*lo <= value && value <= *hi && *lo > value / 2, qPrintable(plot));
            QVERIFY(plot.contains(">-10 min</text>") && plot.contains(">now</text>"));
            QCOMPARE(plot.count(R"(<path class="line")"), 2);
        }
        // Each event once, however often the page has polled.
        QStringList shown;
        auto items = QRegularExpression(R"(<li>([^<]*)</li>)")
                         .globalMatch(QRegularExpression(R"(<ol id="events"[^>]*>(.*?)</ol>)")
                                          .match(dom)
                                          .captured(1));
        while (items.hasNext()) {
            shown << items.next().captured(1);
        }
        QCOMPARE(shown.size(), f.status()["events"].toArray().size());
        QCOMPARE(QSet<QString>(shown.begin(), shown.end()).size(), shown.size());
        // Without the token the browser gets nothing of the run.
        QProcess refused;
        refused.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu",
                                 "--user-data-dir=" + profile.path(), "--dump-dom",
                                 QStringLiteral("http://127.0.0.1:%1/").arg(f.port())});
        QVERIFY(refused.waitForStarted());
        while (refused.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        QVERIFY(!QString::fromUtf8(refused.readAllStandardOutput()).contains("countdown"));
    }

    void aBrowserSaysWhenTheProgramIsGone() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        QVERIFY(!chromium.isEmpty());
        auto server = std::make_unique<StatusHttpServer>("t0ken-for-the-browser");
        QVERIFY(server->start(QHostAddress::LocalHost, 0, nullptr));
        StatusSnapshot shown;
        shown.state = QStringLiteral("running");
        shown.step = 2;
        shown.stepRemainingS = 61;
        // The measuring board gives nothing.
        shown.readings = {{"voltage_mV", std::nullopt}, {"current_mA", std::nullopt}};
        shown.chart = {{1000, std::nullopt, std::nullopt}, {1001, std::nullopt, std::nullopt}};
        server->setSnapshot(statusJson(shown));
        const QString url =
            QStringLiteral("http://127.0.0.1:%1/?token=t0ken-for-the-browser").arg(server->port());
        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium, {"--headless", "--no-sandbox", "--disable-gpu",
                                 "--user-data-dir=" + profile.path(), "--virtual-time-budget=5000",
                                 "--dump-dom", url});
        QVERIFY(browser.waitForStarted());
        while (browser.state() != QProcess::NotRunning) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            // The page, its script, its style and one status: then the program is gone, once
            // one more turn of the loop has sent that status on (a slow build could otherwise
            // drop it unsent with the server).
            if (server && server->answeredRequests() >= 4) {
                QCoreApplication::processEvents();
                server.reset();
            }
        }
        const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
        QVERIFY2(QRegularExpression(R"(<p id="offline">no connection since \d\d:\d\d:\d\d</p>)")
                     .match(dom)
                     .hasMatch(),
                 qPrintable(dom.left(2000)));
        QVERIFY(dom.contains(R"(<body class="offline">)"));
        // What was shown while the program was there is hidden now, not passed off as live.
        QVERIFY(dom.contains(R"(id="countdown" class="countdown">00:01:01<)"));
        QVERIFY(dom.contains(R"(<span id="voltageNow" class="latest">-</span>)"));
        QVERIFY(dom.contains(R"(<span id="currentNow" class="latest">-</span>)"));
        QVERIFY(!dom.contains("<path") && dom.count(">no reading</text>") == 2);
    }
};

TESSALY_TEST_MAIN(StatusPageTest)
#include "StatusPageTest.moc"

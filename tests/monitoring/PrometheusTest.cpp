// The program's /metrics against a real Prometheus and Alertmanager on loopback: scraped with
// the token (refused without it), the voltage the panel shows and the run's step in Prometheus'
// API, and a measuring board lost during a run raising the shipped alert through Alertmanager
// to a webhook of the test.
#include "serial/DataWindow.h"
#include "serial/FrameText.h"
#include "serial/MeasuringBoard.h"
#include "status/StatusPage.h"
#include "tests/harness/RootFixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace {

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool writeFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Prometheus' HTTP API answer to a GET, or an empty object.
QJsonObject apiGet(quint16 port, const QByteArray& target) {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, port);
    if (!socket.waitForConnected(2000)) {
        return {};
    }
    socket.write("GET " + target + " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    QByteArray answer;
    QElapsedTimer waited;
    waited.start();
    while (socket.state() != QAbstractSocket::UnconnectedState && waited.elapsed() < 5000) {
        QTest::qWait(10);
        answer += socket.readAll();
    }
    answer += socket.readAll();
    return QJsonDocument::fromJson(answer.mid(answer.indexOf("\r\n\r\n") + 4)).object();
}

// The value of an instant query's single sample, or empty.
QString queryValue(quint16 port, const QString& query) {
    const QJsonObject o = apiGet(port, "/api/v1/query?query=" + QUrl::toPercentEncoding(query));
    const QJsonArray result = o["data"].toObject()["result"].toArray();
    return result.size() == 1 ? result[0].toObject()["value"].toArray()[1].toString() : QString();
}

// Takes every POST and keeps its body.
class WebhookReceiver : public QTcpServer {
public:
    QByteArray received;

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new QTcpSocket(this);
        socket->setSocketDescriptor(descriptor);
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            received += socket->readAll();
            socket->write("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
        });
    }
};

// A tool of the test set-up, on loopback, stopped with the test.
struct Server {
    QProcess process;
    ~Server() {
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
};

} // namespace

class PrometheusTest : public QObject {
    Q_OBJECT
private slots:
    void prometheusScrapesTheRigAndALostBoardAlerts() {
        RootFixture rig;
        StatusPageSettings settings;
        settings.enabled = true;
        settings.port = 0;
        rig.root.statusPage().apply(settings);
        const quint16 rigPort = rig.root.statusPage().port();
        QVERIFY(rigPort != 0);
        const auto frame = frames::encodeFrame({50120, 870, 12, 63, 4200, 2701, 2688});
        rig.root.dataWindow()->Text3->setText(
            hexText(QByteArray(reinterpret_cast<const char*>(frame.data()), frame.size()))
                .trimmed());
        rig.root.dataWindow()->Command2_Click();
        rig.step(0, 0, 10, 0, 3, 0);
        rig.root.runEngine().启动程序_Click(RunEngine::Start);

        const QString dir = TestEnvironment::instance().home() + "/monitoring";
        QVERIFY(QDir().mkpath(dir + "/prometheus-data") && QDir().mkpath(dir + "/am-data"));
        QVERIFY(
            writeFile(dir + "/rig.token", rig.root.statusPage().settings().token.toUtf8() + "\n"));
        QVERIFY(writeFile(dir + "/wrong.token", "not-the-token\n"));
        WebhookReceiver webhook;
        QVERIFY(webhook.listen(QHostAddress::LocalHost, 0));
        const quint16 promPort = freePort();
        const quint16 amPort = freePort();
        const QByteArray target = "127.0.0.1:" + QByteArray::number(rigPort);
        QVERIFY(writeFile(
            dir + "/prometheus.yml",
            "global:\n  scrape_interval: 1s\n  evaluation_interval: 1s\n"
            "rule_files:\n  - " +
                QFile::encodeName(QStringLiteral(TESSALY_ALERT_RULES)) +
                "\n"
                "alerting:\n  alertmanagers:\n    - static_configs:\n        - targets: "
                "['127.0.0.1:" +
                QByteArray::number(amPort) +
                "']\n"
                "scrape_configs:\n"
                "  - job_name: tessaly-rig\n    authorization:\n      credentials_file: " +
                QFile::encodeName(dir) + "/rig.token\n    static_configs:\n      - targets: ['" +
                target +
                "']\n    relabel_configs:\n      - target_label: job\n        replacement: "
                "tessaly\n"
                "  - job_name: wrong-token\n    authorization:\n      credentials_file: " +
                QFile::encodeName(dir) + "/wrong.token\n    static_configs:\n      - targets: ['" +
                target + "']\n"));
        QVERIFY(writeFile(dir + "/alertmanager.yml",
                          "route:\n  receiver: test\n  group_by: [alertname, instance]\n"
                          "  group_wait: 1s\n  group_interval: 1s\n"
                          "receivers:\n  - name: test\n    webhook_configs:\n"
                          "      - url: http://127.0.0.1:" +
                              QByteArray::number(webhook.serverPort()) + "/hook\n"));

        Server alertmanager;
        alertmanager.process.start("prometheus-alertmanager",
                                   {"--config.file=" + dir + "/alertmanager.yml",
                                    "--storage.path=" + dir + "/am-data",
                                    "--web.listen-address=127.0.0.1:" + QString::number(amPort),
                                    "--cluster.listen-address="});
        Server prometheus;
        prometheus.process.start("prometheus",
                                 {"--config.file=" + dir + "/prometheus.yml",
                                  "--storage.tsdb.path=" + dir + "/prometheus-data",
                                  "--web.listen-address=127.0.0.1:" + QString::number(promPort)});
        QVERIFY2(alertmanager.process.waitForStarted(5000) &&
                     prometheus.process.waitForStarted(5000),
                 "prometheus and prometheus-alertmanager come with the test set-up");

        // Scraped with the token: the voltage the panel shows and the run's step.
        const QString shown = rig.p().实时数据[0]->text();
        QTRY_COMPARE_WITH_TIMEOUT(queryValue(promPort, "tessaly_reading_voltage_volts"),
                                  QString::number(shown.toDouble() / 1000), 30000);
        QCOMPARE(queryValue(promPort, "tessaly_run_step"),
                 QString::number(rig.root.runEngine().state().step));
        // Without the token, the scrape fails with 401.
        QTRY_VERIFY_WITH_TIMEOUT(QJsonDocument(apiGet(promPort, "/api/v1/targets?state=active"))
                                     .toJson()
                                     .contains("401 Unauthorized"),
                                 10000);
        QCOMPARE(queryValue(promPort, "up{job=\"wrong-token\"}"), QString("0"));

        // The board lost during the run: after the rule's minute the alert reaches the webhook.
        rig.root.measuringBoard().lose(QStringLiteral("unplugged"));
        QTRY_VERIFY_WITH_TIMEOUT(webhook.received.contains("TessalyBoardLostDuringRun"), 150000);
        QVERIFY(webhook.received.contains("\"status\":\"firing\""));
        QVERIFY(webhook.received.contains("\"board\":\"measuring\""));
        QSettings().clear();
    }
};

TESSALY_TEST_MAIN(PrometheusTest)
#include "PrometheusTest.moc"

#include "status/StatusPageSettings.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QSettings>
#include <QUrl>

namespace {
const QString kEnabled = QStringLiteral("StatusPage/enabled");
const QString kAddress = QStringLiteral("StatusPage/address");
const QString kPort = QStringLiteral("StatusPage/port");
const QString kToken = QStringLiteral("StatusPage/token");
const QString kLoopback = QStringLiteral("127.0.0.1");
const QString kAll = QStringLiteral("0.0.0.0");

// An IPv4 address of this computer that is not the loopback, or its host name.
QString reachableHost() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) {
            return a.toString();
        }
    }
    return QHostInfo::localHostName();
}
} // namespace

StatusPageSettings StatusPageSettings::load() {
    const QSettings settings;
    StatusPageSettings s;
    s.enabled = settings.value(kEnabled, false).toBool();
    const QString address = settings.value(kAddress, kLoopback).toString().trimmed();
    // Anything but an explicit "all interfaces" stays on this computer.
    s.localNetwork =
        address == kAll || address.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0;
    bool ok = false;
    const uint port = settings.value(kPort, kDefaultPort).toUInt(&ok);
    s.port = ok && port >= 1 && port <= 65535 ? static_cast<quint16>(port) : kDefaultPort;
    s.token = settings.value(kToken).toString().trimmed();
    return s;
}

void StatusPageSettings::save() const {
    QSettings settings;
    settings.setValue(kEnabled, enabled);
    settings.setValue(kAddress, localNetwork ? kAll : kLoopback);
    settings.setValue(kPort, port);
    settings.setValue(kToken, token);
}

QHostAddress StatusPageSettings::address() const {
    return localNetwork ? QHostAddress(QHostAddress::Any) : QHostAddress(QHostAddress::LocalHost);
}

QString StatusPageSettings::link() const {
    return QStringLiteral("http://%1:%2/?token=%3")
        .arg(localNetwork ? reachableHost() : kLoopback)
        .arg(port)
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(token)));
}

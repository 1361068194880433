#include "status/StatusPageSettings.h"

#include "status/AccessToken.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
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

// The settings file holds the token: it is created readable by its owner only, and an older
// one is made so before the token goes in. Rewrites keep the file's permissions.
void keepSettingsFilePrivate() {
    const QString path = QSettings().fileName();
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    QFile file(path);
    if (file.exists()) {
        file.setPermissions(ownerOnly);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, ownerOnly)) {
        file.close();
    }
}
} // namespace

StatusPageSettings StatusPageSettings::load() {
    const QSettings settings;
    StatusPageSettings s;
    s.enabled = settings.value(kEnabled, false).toBool();
    const QString address = settings.value(kAddress, kLoopback).toString().trimmed();
    s.localNetwork =
        address == kAll || address.compare(QLatin1String("any"), Qt::CaseInsensitive) == 0;
    if (!s.localNetwork && address != kLoopback) {
        s.presetProblems << QStringLiteral("The preset address \"%1\" is neither %2 nor %3: the "
                                           "page is on this computer only.")
                                .arg(address, kLoopback, kAll);
    }
    if (settings.contains(kPort)) {
        const QString preset = settings.value(kPort).toString();
        bool ok = false;
        const uint port = preset.trimmed().toUInt(&ok);
        if (ok && port >= 1 && port <= 65535) {
            s.port = static_cast<quint16>(port);
        } else {
            s.presetProblems << QStringLiteral("The preset port \"%1\" is not a port from 1 to "
                                               "65535: the page uses port %2.")
                                    .arg(preset)
                                    .arg(kDefaultPort);
        }
    }
    s.token = settings.value(kToken).toString().trimmed();
    if (!s.token.isEmpty() && !isAccessToken(s.token.toUtf8())) {
        s.token.clear();
        s.presetProblems << QStringLiteral("The preset token is too short or holds characters "
                                           "other than letters, digits, \"-\" and \"_\": a new "
                                           "token replaces it.");
    }
    return s;
}

void StatusPageSettings::save() const {
    keepSettingsFilePrivate();
    QSettings settings;
    settings.setValue(kEnabled, enabled);
    settings.setValue(kAddress, localNetwork ? kAll : kLoopback);
    settings.setValue(kPort, port);
    settings.setValue(kToken, token);
}

void StatusPageSettings::saveToken() const {
    keepSettingsFilePrivate();
    QSettings().setValue(kToken, token);
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

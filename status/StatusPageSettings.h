#pragma once

#include <QHostAddress>
#include <QString>

// How the status page is shared, kept in the program's settings so a lab can preset it.
struct StatusPageSettings {
    static constexpr quint16 kDefaultPort = 8470;

    bool enabled = false;
    // false: this computer only (127.0.0.1); true: every network interface.
    bool localNetwork = false;
    quint16 port = kDefaultPort;
    QString token;

    static StatusPageSettings load();
    void save() const;

    QHostAddress address() const;
    // The link an operator opens: this computer's loopback address, or for the local network
    // an address of this computer that others can reach.
    QString link() const;
};

#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>

// How the status page is shared, kept in the program's settings so a lab can preset it.
struct StatusPageSettings {
    static constexpr quint16 kDefaultPort = 8470;

    bool enabled = false;
    // false: this computer only (127.0.0.1); true: every network interface.
    bool localNetwork = false;
    quint16 port = kDefaultPort;
    QString token;
    // What load() found wrong in a preset and what it uses instead, to be said in the share
    // window. A wrong port or address stays in the settings as written; a wrong token is left
    // out (a new one replaces it).
    QStringList presetProblems;

    static StatusPageSettings load();
    // Saves every setting; the settings file becomes readable by its owner only.
    void save() const;
    // Saves the token alone, leaving the other presets as they were written.
    void saveToken() const;

    QHostAddress address() const;
    // The link an operator opens: this computer's loopback address, or for the local network
    // an address of this computer that others can reach.
    QString link() const;
};

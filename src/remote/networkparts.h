// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtPlugin>

class QByteArray;
class QWidget;
class ShowController;

// What the control window knows of remote control: where it listens (or why
// it does not) and the commands that came in. The server behind it lives in
// the network plug-in (NetworkParts).
class RemoteControl : public QObject {
    Q_OBJECT

  public:
    using QObject::QObject;

    // Listens as the settings say, closing what was open before.
    virtual void restart() = 0;
    // One line for the operator: where it listens, or why it does not.
    virtual QString statusText() const = 0;
    virtual bool isListening() const = 0;
    virtual quint16 httpPort() const = 0;
    // Whether the HTTP port is open to other computers, not this one only.
    virtual bool listensOnNetwork() const = 0;
    // The last remote commands, oldest first: time, command, source.
    virtual QStringList log() const = 0;

  signals:
    void statusChanged(const QString& text);
    void commandLogged(const QString& line);
};

// Everything of the program that talks to the network: remote control with
// its live view page, the update check, and the network address a browser
// opens. It lives in a plug-in of the program's own (the network libraries,
// TLS included, are nothing the first frame needs), loaded once both windows
// are painted; the tests link it in.
class NetworkParts {
  public:
    // The start-up update check runs this long after the program starts.
    static constexpr int kStartupCheckDelayMs = 3000;

    virtual ~NetworkParts() = default;

    // Remote control of `show`, serving the live view, owned by `parent`; it
    // listens from its first restart().
    virtual RemoteControl* createRemoteControl(ShowController* show, QObject* parent) = 0;
    // The silent update check, `delayMs` from now, unless `owner` is gone by then.
    virtual void armStartupCheck(QObject* owner, int delayMs) = 0;
    // The update check the operator asks for: it reports every outcome.
    virtual void startReportedCheck() = 0;
    // The address other devices reach this computer at (IPv4, private ranges
    // first), or 127.0.0.1 when there is none.
    virtual QString lanHost() const = 0;
    // A QR code of `text`, each module `moduleSize` pixels; null when the text
    // cannot be encoded.
    virtual QImage qrCode(const QByteArray& text, int moduleSize) const = 0;

    // The plug-in, loaded on the first call; null (with a warning that says
    // why) when it cannot be loaded.
    static NetworkParts* instance();
};

#define VellmarkNetworkParts_iid "app.tellurith.Vellmark.NetworkParts/1"
Q_DECLARE_INTERFACE(NetworkParts, VellmarkNetworkParts_iid)

// The update check the operator asks for from a button in `window`: reported
// like every such check, or a message box saying why it cannot run.
void startReportedUpdateCheck(QWidget* window);

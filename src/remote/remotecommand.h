// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class ShowController;
struct ParsedCommand;

// One command from a remote caller, checked and ready to carry out. Parsing
// touches nothing but its input, so a rejected command can never change the
// show, and the fuzzer runs exactly this code.
struct RemoteCommand {
    // The arguments as they arrived: named fields (HTTP query or form fields,
    // a JSON object) or positional ones (an OSC message's arguments).
    struct Args {
        QVariantMap named;
        QVariantList positional;
    };

    using Parsed = struct ParsedCommand;

    QString verb;   // as in the URL: "start", "duration", "message/clear", …
    int number = 0; // seconds, delta, preset number, mode, view, minute of the day
    QString text;   // the message

    // Every verb, in the order the README lists them.
    static QStringList verbs();

    static Parsed fromArgs(const QString& verb, const Args& args);
    // An HTTP command: the URL's query and the body (form fields or a JSON
    // object, whichever `contentType` says or the body looks like).
    static Parsed fromHttp(const QString& verb, const QByteArray& query,
                           const QByteArray& contentType, const QByteArray& body);
    // A WebSocket command's "args" (an object, or absent).
    static Parsed fromJson(const QString& verb, const QJsonValue& args);
    // An OSC message: "/vellmark/<verb>" and its arguments.
    static Parsed fromOsc(const QString& address, const QVariantList& args);

    // Carries the command out; an error text when the show cannot (no such
    // preset), else empty.
    QString applyTo(ShowController& show) const;
    // A short description for the operator's log: "duration 5:00".
    QString describe() const;
};

// The outcome of parsing: a command, or an error text naming what is wrong
// with the HTTP status that goes with it (404 unknown verb, 400 arguments).
struct ParsedCommand {
    bool ok = false;
    int status = 400;
    QString error;
    // The token a caller sent among its fields, if any.
    QString token;
    RemoteCommand command;
};

// An OSC message as decoded from a datagram: its address and its arguments
// as int, qint64, double, QString or bool (an unsupported type is an invalid
// QVariant).
struct OscMessage {
    QString address;
    QVariantList args;
};

// Every message of one datagram, the elements of bundles (nested ones too)
// in their order; malformed parts are skipped. Bundle time tags are not
// waited for: a command acts when it arrives.
QList<OscMessage> decodeOscPacket(const QByteArray& datagram);

// Compares in time that depends only on `expected`'s length, so the answers
// tell a guesser nothing about how much of a token was right.
bool tokenMatches(const QString& given, const QString& expected);

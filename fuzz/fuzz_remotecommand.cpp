// SPDX-License-Identifier: GPL-3.0-or-later
// Whatever a remote caller can send, taken through the command parser the
// server uses: HTTP query, form or JSON arguments, a WebSocket command, or an
// OSC datagram (liblo's decoding and bundles included). The first byte picks
// the road: 0 HTTP ("verb\nquery\ncontent type\nbody"), 1 WebSocket (the
// message text), 2 OSC (the datagram).
#include "remote/remotecommand.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void fail(const char* what, const ParsedCommand& p)
{
    std::fprintf(stderr, "remote command: %s (verb \"%s\", error \"%s\")\n", what,
                 qPrintable(p.command.verb), qPrintable(p.error));
    std::abort();
}

// What the parser promises about every command it lets through.
void check(const ParsedCommand& p)
{
    if (!p.ok) {
        if ((p.status != 400 && p.status != 404) || p.error.isEmpty())
            fail("a refusal without a status or an error text", p);
        if (!p.command.verb.isEmpty())
            fail("a refusal carries a command", p);
        return;
    }
    const RemoteCommand& c = p.command;
    const QString& v = c.verb;
    if (!RemoteCommand::verbs().contains(v))
        fail("an unknown verb passed", p);
    const auto within = [&](int lo, int hi) {
        if (c.number < lo || c.number > hi)
            fail("a number out of range passed", p);
    };
    if (v == QLatin1String("duration"))
        within(0, 999 * 60 + 59);
    else if (v == QLatin1String("add"))
        within(-(999 * 60 + 59), 999 * 60 + 59);
    else if (v == QLatin1String("mode"))
        within(0, 1);
    else if (v == QLatin1String("view"))
        within(0, 2);
    else if (v == QLatin1String("preset"))
        within(1, 1000);
    if (v == QLatin1String("message")) {
        if (c.text.isEmpty() || c.text.size() > 500 || c.text != c.text.trimmed())
            fail("a message that is empty, too long or untrimmed passed", p);
        for (QChar ch : c.text)
            if (ch.category() == QChar::Other_Control)
                fail("a control character reached the output", p);
    }
    (void)c.describe();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const QByteArray in(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    switch (data[0] % 3) {
    case 0: {
        const QList<QByteArray> parts = in.split('\n');
        qsizetype at = 0;
        QList<QByteArray> head;
        for (int i = 0; i < 3 && i < parts.size(); ++i) {
            head << parts[i];
            at += parts[i].size() + 1;
        }
        while (head.size() < 3)
            head << QByteArray();
        check(RemoteCommand::fromHttp(QString::fromUtf8(head[0]), head[1], head[2], in.mid(at)));
        break;
    }
    case 1: {
        const QJsonObject msg = QJsonDocument::fromJson(in).object();
        check(RemoteCommand::fromJson(msg.value(QStringLiteral("verb")).toString(),
                                      msg.value(QStringLiteral("args"))));
        break;
    }
    default: {
        const QList<OscMessage> messages = decodeOscPacket(in);
        if (messages.size() > 64)
            std::abort();
        for (const OscMessage& m : messages)
            check(RemoteCommand::fromOsc(m.address, m.args));
    }
    }
    return 0;
}

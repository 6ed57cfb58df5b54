// SPDX-License-Identifier: GPL-3.0-or-later
// Remote control and the browser view's server side as controllers and
// browsers meet them: the program's objects wired as main() wires them, over
// real sockets on the loopback.
#include "app/appwindows.h"
#include "remote/httpendpoint.h"
#include "remote/networkparts.h"
#include "remote/qrcode.h"
#include "remote/remotepanel.h"
#include "remote/remoteserver.h"
#include "remote/viewaddresspanel.h"
#include "remote/viewpage.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QtNetwork>
#include <QtTest>
#include <QtWebSockets>
#include <QtWidgets>

#include <lo/lo.h>

namespace {

using Headers = QList<QPair<QByteArray, QByteArray>>;
const QString kToken = QStringLiteral("00112233445566778899aabbccddeeff");

QVariant at(const QJsonObject& state, const QString& path)
{
    QJsonValue v = state;
    for (const QString& part : path.split('.'))
        v = v.toObject().value(part);
    return v.toVariant();
}

// The state without what changes on its own.
QJsonObject steady(QJsonObject state)
{
    state.remove("seq");
    state.remove("serverTime");
    return state;
}

// What a caller got back, and the operator's log line for it.
struct Reply {
    int status = 0;
    QJsonObject json;
    QString error, logged;
    QMap<QByteArray, QByteArray> headers;
};

Reply http(const QUrl& url, const QByteArray& method, const QByteArray& body = {},
           const Headers& headers = {})
{
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest req(url);
    for (const auto& [name, value] : headers)
        req.setRawHeader(name, value);
    std::unique_ptr<QNetworkReply> reply(nam.sendCustomRequest(req, method, body));
    Reply r;
    if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 5000))
        return r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.json = QJsonDocument::fromJson(reply->readAll()).object();
    r.error = r.json.value("error").toString();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        r.headers.insert(name.toLower(), value);
    return r;
}

// One OSC argument: "i:90", "f:90.5", "s:text", "T" or "F"; empty for none.
lo_message oscMessage(const QString& arg)
{
    lo_message m = lo_message_new();
    const QString v = arg.mid(2);
    if (arg.startsWith("i:") || arg.startsWith("f:") || arg.startsWith("s:"))
        arg[0] == 'i'   ? lo_message_add_int32(m, v.toInt())
        : arg[0] == 'f' ? lo_message_add_float(m, v.toFloat())
                        : lo_message_add_string(m, v.toUtf8().constData());
    else if (!arg.isEmpty())
        arg == "T" ? lo_message_add_true(m) : lo_message_add_false(m);
    return m;
}

// Sends one OSC message to `host`:`port`.
void oscSend(quint16 port, const QString& path, const QString& arg, const char* host = "127.0.0.1")
{
    lo_address to = lo_address_new(host, qPrintable(QString::number(port)));
    lo_message m = oscMessage(arg);
    lo_send_message(to, qPrintable(path), m);
    lo_message_free(m);
    lo_address_free(to);
}

// A WebSocket client that keeps every message it is sent.
struct Stream {
    QWebSocket socket;
    QList<QJsonObject> got;

    explicit Stream(quint16 port)
    {
        QObject::connect(
            &socket, &QWebSocket::textMessageReceived, &socket,
            [this](const QString& t) { got << QJsonDocument::fromJson(t.toUtf8()).object(); });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(port)));
        (void)QTest::qWaitFor([this] { return !got.isEmpty(); }, 5000);
    }
};

// The program as main() builds it, listening on free loopback ports.
struct Rig {
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<RemoteServer> remote;
    ViewAddressPanel* viewAddress = new ViewAddressPanel;

    explicit Rig(const std::function<void(AppSettings&)>& configure = {})
    {
        settings.remoteToken = kToken;
        settings.remotePort = settings.oscPort = 0; // free ports; the store never holds 0
        settings.oscEnabled = true;
        if (configure)
            configure(settings);
        engine.setDuration(settings.defaultDuration);
        windows = std::make_unique<AppWindows>(&settings, &engine);
        remote = std::make_unique<RemoteServer>(&windows->showController());
        remote->restart();
        auto* panel = new RemotePanel;
        panel->follow(remote.get());
        control().addFooter(panel);
        ViewPage::addTo(*remote);
        viewAddress->follow(remote.get());
        control().addPanelSection("Live View", viewAddress);
        windows->show();
    }

    ShowController& show() { return windows->showController(); }
    ControlWindow& control() { return windows->control(); }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(remote->httpPort()).arg(path));
    }
    QJsonObject state() { return steady(remote->currentState()); }
    QString label(const char* name, QWidget* in = nullptr)
    {
        auto* l = (in ? in : &control())->findChild<QLabel*>(name);
        return l && !l->isHidden() ? l->text() : QString();
    }
    bool button(const char* text, bool checked = true)
    {
        for (auto* b : control().findChildren<QPushButton*>())
            if (b->text() == QString::fromUtf8(text))
                return checked ? b->isChecked() : b->isEnabled();
        return false;
    }

    // What the operator and the audience see, by the state's paths, and what
    // they should see for `state` (the entry field shows the message).
    QPair<QVariantMap, QVariantMap> seen(const QJsonObject& state)
    {
        QVariantMap seen{{"timer.display", label("timerPreview")},
                         {"timer.running", !button("▶  START", false)},
                         {"timer.countUp", button("▲  Count Up")},
                         {"field", control().findChild<QLineEdit*>()->text()},
                         {"output.visible", windows->output().isVisible()},
                         {"target", label("targetCaption", &windows->output()).remove("until ")}};
        for (const char* v : {"⏱  Timer", "🕐  Clock", "⊞  Both"})
            if (button(v))
                seen["view"] = QString::fromUtf8(v).section(' ', -1).toLower();
        for (auto* l : windows->output().findChildren<QLabel*>())
            if (l->parentWidget() == &windows->output())
                seen["message"] = l->text();
        int duration = 0;
        for (auto* s : control().findChildren<QSpinBox*>())
            if (s->suffix() == " min" || s->suffix() == " sec")
                duration = duration * 60 + s->value();
        seen["timer.duration"] = duration;
        QVariantMap want;
        for (const QString& key : seen.keys()) {
            const QVariant v = at(state, key == "field" ? "message" : key);
            want[key] = seen[key].typeId() == QMetaType::QString ? v.toString() : v;
        }
        return {seen, want};
    }

    // Sends "verb?arguments": "query"/"PUT" in the URL, "form" or "json" (the token in the object,
    // if it is one) as the body, all with the token as Bearer; "get" with the token in the query;
    // "ws" as a WebSocket command (with no verb, the text as written), whose state is the message
    // before the acknowledgement and whose refusal counts as 400; "osc", whose log line tells.
    Reply call(const QString& how, const QString& command, const QString& token = kToken)
    {
        QSignalSpy logged(remote.get(), &RemoteServer::commandLogged);
        const QString verb = command.section('?', 0, 0), args = command.section('?', 1);
        Reply r = send(how, verb.startsWith('/') ? verb : "/api/v1/" + verb, args, token);
        if (how == "osc" && logged.wait(5000)) {
            r.error = logged.last()[0].toString();
            r.status = r.error.contains(" refused: ") ? 400 : 200;
            r.json = remote->currentState();
        }
        r.logged = logged.isEmpty() ? QString() : logged.last()[0].toString();
        return r;
    }

    Reply send(const QString& how, const QString& path, const QString& args, const QString& token)
    {
        const Headers auth =
            token.isEmpty() ? Headers() : Headers{{"Authorization", "Bearer " + token.toLatin1()}};
        QJsonObject fields = QJsonDocument::fromJson(args.toUtf8()).object();
        if (how == "query" || how == "PUT")
            return http(url(args.isEmpty() ? path : path + '?' + args),
                        how == "PUT" ? "PUT" : "POST", {}, auth);
        if (how == "get")
            return http(url(QStringLiteral("%1?token=%2&%3").arg(path, token, args)), "GET");
        if (how == "osc")
            return oscSend(remote->oscPort(), "/vellmark/" + path.mid(8), args), Reply();
        if (how != "ws") {
            const bool inBody = how == "json" && !fields.isEmpty();
            fields.insert("token", token);
            return http(
                url(path), "POST", inBody ? QJsonDocument(fields).toJson() : args.toUtf8(),
                (inBody ? Headers() : auth) +
                    Headers{{"Content-Type", how == "json" ? "application/json"
                                                           : "application/x-www-form-urlencoded"}});
        }
        Stream ws(remote->httpPort());
        ws.got.clear();
        const QJsonObject cmd{{"type", "cmd"},
                              {"verb", path.mid(8)},
                              {"args", fields},
                              {"token", token},
                              {"id", "a1"}};
        ws.socket.sendTextMessage(path.size() == 8 ? args : QJsonDocument(cmd).toJson());
        (void)QTest::qWaitFor([&] { return !ws.got.isEmpty() && ws.got.last().contains("ok"); });
        const QJsonObject ack = ws.got.value(ws.got.size() - 1);
        // The acknowledgement names the command it answers.
        if (ack.value("id") != (path.size() == 8 ? QJsonValue() : cmd.value("id")))
            return {};
        return {ack.value("ok").toBool() ? 200 : 400,
                ws.got.size() == 2 ? ws.got[0] : QJsonObject(),
                ack.value("error").toString(),
                {},
                {}};
    }
};

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    // Every verb by every road: the answer is the new state, as anyone asking sees it and both
    // windows show it; the log names road and caller. A row with a status is a refusal: a clear
    // answer, and the show exactly as it was.
    void commands_data()
    {
        for (const char* column : {"how", "setup", "command", "key", "value", "token"})
            QTest::addColumn<QString>(column);
        const auto row = [](const char* how, const char* setup, const char* command,
                            const char* key, const char* value, const QString& token = kToken) {
            QTest::addRow("%s %s %s%s", how, setup, command,
                          qPrintable(token == kToken ? "" : " [" + token + "]"))
                << how << setup << command << key << value << token;
        };
        // clang-format off
        row("query",  "",                   "start",                              "timer.running",    "true");
        row("query",  "start",              "pause",                              "timer.running",    "false");
        row("query",  "",                   "toggle",                             "timer.running",    "true");
        row("get",    "start",              "toggle",                             "timer.running",    "false");
        row("query",  "start",              "reset",                              "timer.remaining",  "300");
        row("form",   "",                   "duration?seconds=90",                "timer.duration",   "90");
        row("json",   "",                   "duration?{\"time\":\"12:05\"}",      "timer.display",    "12:05");
        row("get",    "",                   "duration?time=999:59",               "timer.remaining",  "59999");
        row("ws",     "start",              "duration?{\"seconds\":30}",          "timer.running",    "false");
        row("query",  "",                   "add?seconds=-45",                    "timer.remaining",  "255");
        row("query",  "",                   "add?seconds=%2B90",                  "timer.remaining",  "390");
        row("query",  "",                   "mode?mode=countup",                  "timer.countUp",    "true");
        row("form",   "mode?mode=countup",  "mode?mode=countdown",                "timer.countUp",    "false");
        row("query",  "",                   "view?view=clock",                    "view",             "clock");
        row("ws",     "view?view=clock",    "view?{\"view\":\"both\"}",           "view",             "both");
        row("query",  "view?view=clock",    "view?view=timer",                    "view",             "timer");
        row("query",  "",                   "preset?index=2",                     "timer.remaining",  "600");
        row("form",   "",                   "message?text=+%20Wrap+up%20",        "message",          "Wrap up");
        row("json",   "",                   "message?{\"text\":\"<b>Q&A</b>\"}",  "message",          "<b>Q&A</b>");
        row("query",  "message?text=Hi",    "message/clear",                      "message",          "");
        row("query",  "",                   "target?time=14:30",                  "target",           "14:30");
        row("json",   "target?time=23:59",  "add?{\"seconds\":60}",               "target",           "00:00");
        row("query",  "",                   "output/hide",                        "output.visible",   "false");
        row("get",    "output/hide",        "output/show",                        "output.visible",   "true");
        // OSC: numbers as int, float or text; output as 0 or 1, or false.
        row("osc",    "",                   "start",                              "timer.running",    "true");
        row("osc",    "start",              "reset",                              "timer.remaining",  "300");
        row("osc",    "",                   "duration?i:90",                      "timer.remaining",  "90");
        row("osc",    "",                   "duration?f:90",                      "timer.remaining",  "90");
        row("osc",    "",                   "duration?s:1:30",                    "timer.remaining",  "90");
        row("osc",    "",                   "duration?s:75",                      "timer.remaining",  "75");
        row("osc",    "",                   "add?i:-60",                          "timer.remaining",  "240");
        row("osc",    "",                   "add?s:+30",                          "timer.remaining",  "330");
        row("osc",    "",                   "mode?s:countup",                     "timer.countUp",    "true");
        row("osc",    "",                   "view?s:clock",                       "view",             "clock");
        row("osc",    "",                   "preset?f:3",                         "timer.remaining",  "900");
        row("osc",    "",                   "message?s:Five minutes",             "message",          "Five minutes");
        row("osc",    "",                   "target?s:14:30",                     "target",           "14:30");
        row("osc",    "",                   "output?i:0",                         "output.visible",   "false");
        row("osc",    "",                   "output?F",                           "output.visible",   "false");
        row("osc",    "output/hide",        "output?s:1",                         "output.visible",   "true");
        // Refused, with the status and part of the error.
        row("query",  "",                   "start",                              "401",              "token", "");
        row("query",  "",                   "start",                              "401",              "token", 'f' + kToken.mid(1));
        row("query",  "",                   "start",                              "401",              "token", kToken.left(31));
        row("query",  "",                   "start",                              "401",              "token", kToken + '0');
        row("get",    "",                   "start",                              "401",              "token", "abc");
        row("ws",     "",                   "reset",                              "400",              "token", "nope");
        row("query",  "",                   "explode",                            "404",              "unknown command");
        row("ws",     "",                   "fly",                                "400",              "unknown command");
        row("get",    "",                   "/etc/passwd",                        "404",              "not found", "");
        row("PUT",    "",                   "start",                              "405",              "method");
        row("query",  "",                   "state",                              "405",              "method");
        row("json",   "",                   "duration?{\"seconds\": 9",           "400",              "JSON");
        row("json",   "",                   "duration?[90]",                      "400",              "object");
        row("json",   "",                   "add?{\"seconds\": \"ten\"}",         "400",              "number");
        row("json",   "",                   "target?{\"time\": 1430}",            "400",              "HH:MM");
        row("ws",     "",                   "?{not json",                         "400",              "JSON");
        row("ws",     "",                   "?{\"type\": \"hello\"}",             "400",              "cmd");
        row("query",  "",                   "duration?seconds=abc",               "400",              "seconds must be a number");
        row("query",  "",                   "duration?seconds=90.5",              "400",              "whole number");
        row("query",  "",                   "duration?seconds=60000",             "400",              "between 0 and 59999");
        row("query",  "",                   "duration?seconds=-1",                "400",              "between");
        row("query",  "",                   "duration?time=1:60",                 "400",              "m:ss");
        row("query",  "",                   "duration?time=1000:00",              "400",              "m:ss");
        row("query",  "",                   "duration?time=1:00&seconds=60",      "400",              "not both");
        row("query",  "",                   "duration",                           "400",              "missing");
        row("query",  "",                   "add?seconds=99999999999",            "400",              "between");
        row("query",  "",                   "mode?mode=sideways",                 "400",              "countdown or countup");
        row("query",  "",                   "view?view=stage",                    "400",              "timer or clock or both");
        row("query",  "",                   "preset?index=5",                     "400",              "no preset 5");
        row("query",  "",                   "preset?index=0",                     "400",              "between 1");
        row("query",  "",                   "message?text=%20%0A%20",             "400",              "empty");
        row("query",  "",                   "message",                            "400",              "missing text");
        row("query",  "",                   "target?time=24:00",                  "400",              "HH:MM");
        row("osc",    "",                   "duration?s:abc",                     "400",              "/vellmark/duration refused");
        row("osc",    "",                   "duration?f:90.5",                    "400",              "whole number");
        row("osc",    "",                   "mode?i:7",                           "400",              "countdown or countup");
        row("osc",    "",                   "preset",                             "400",              "missing");
        row("osc",    "",                   "explode",                            "400",              "unknown");
        // clang-format on
    }

    void commands()
    {
        QFETCH(QString, how);
        QFETCH(QString, setup);
        QFETCH(QString, command);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, token);
        Rig rig;
        if (!setup.isEmpty())
            QCOMPARE(rig.call("query", setup).status, 200);
        if (setup == "start")
            TestSupport::stepEngine(&rig.engine, 3);
        const QJsonObject before = rig.state();
        const Reply r = rig.call(how, command, token);
        if (key.front().isDigit()) {
            QCOMPARE(QString::number(r.status), key);
            QVERIFY2(r.error.contains(value), qPrintable(r.error));
            QCOMPARE(r.headers.contains("www-authenticate"), key == "401");
            QCOMPARE(rig.state(), before);
            return;
        }
        QCOMPARE(r.status, 200);
        QCOMPARE(at(r.json, key).toString(), value);
        auto [seen, want] = rig.seen(r.json);
        // The entry shows a duration set; a count moved by seconds or to a time of day keeps it.
        if (!command.startsWith("duration") && !command.startsWith("preset"))
            seen.remove("timer.duration"), want.remove("timer.duration");
        QCOMPARE(seen, want);
        QCOMPARE(steady(http(rig.url("/api/v1/state"), "GET").json), steady(r.json));
        const QString road = how == "osc"  ? "OSC 127.0.0.1:"
                             : how == "ws" ? "WebSocket 127.0.0.1"
                                           : "HTTP 127.0.0.1";
        QVERIFY2(r.logged.contains(" — " + road), qPrintable(r.logged));
        QVERIFY(rig.label("remoteLog").endsWith(r.logged));
        QVERIFY(!r.headers.contains("access-control-allow-origin"));
    }

    // A hostile or broken client harms nobody: a body over 16 KiB is refused on its announced
    // length; a half-open connection is closed after the idle time, a quiet stream is not; a
    // flood of datagrams, good and bad, is worked through without losing the good ones.
    void hostileClients()
    {
        Rig rig;
        const QJsonObject before = rig.state();
        QTcpSocket huge, halfOpen;
        huge.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        halfOpen.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        QVERIFY(huge.waitForConnected(5000) && halfOpen.waitForConnected(5000));
        huge.write("POST /api/v1/message HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                   kToken.toLatin1() + "\r\nContent-Length: 1000000000\r\n\r\n" +
                   QByteArray(4096, 'a'));
        QTRY_VERIFY_WITH_TIMEOUT(
            huge.bytesAvailable() || huge.state() != QTcpSocket::ConnectedState, 5000);
        QVERIFY(huge.readAll().startsWith("HTTP/1.1 413 "));
        QTRY_COMPARE_WITH_TIMEOUT(huge.state(), QTcpSocket::UnconnectedState, 5000);
        // 16 KiB exactly is still a request: answered, here as a bad one.
        QCOMPARE(rig.call("form", "message?text=" + QString(16 * 1024 - 5, 'x')).status, 400);
        QCOMPARE(rig.state(), before);

        halfOpen.write("POST /api/v1/start HTTP/1.1\r\nHost: x\r\nContent-Le");
        QElapsedTimer idle;
        idle.start();
        Stream quiet(rig.remote->httpPort());
        // In bursts, as from another process: one burst would only measure the receive buffer.
        for (int i = 0; i < 300; ++i) {
            oscSend(rig.remote->oscPort(), i % 3 == 2 ? "/other/program" : "/vellmark/add",
                    i % 3 ? "s:lots" : "i:1");
            if (i % 30 == 29)
                QCoreApplication::processEvents();
        }
        QTRY_COMPARE_WITH_TIMEOUT(at(rig.state(), "timer.remaining"), QVariant(400), 10000);
        QVERIFY(!rig.remote->log().join('\n').contains("/other"));
        // A bundle's messages all act, in order; a new duration ends a count
        // to a time of day, as Set Time does.
        rig.show().setTarget(QTime(23, 59));
        lo_address to =
            lo_address_new("127.0.0.1", qPrintable(QString::number(rig.remote->oscPort())));
        lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
        lo_bundle_add_message(bundle, "/vellmark/duration", oscMessage("s:2:00"));
        lo_bundle_add_message(bundle, "/vellmark/add", oscMessage("i:15"));
        lo_send_bundle(to, bundle);
        lo_bundle_free_recursive(bundle);
        lo_address_free(to);
        QTRY_COMPARE_WITH_TIMEOUT(at(rig.state(), "timer.remaining"), QVariant(135), 5000);
        QVERIFY(at(rig.state(), "target").isNull());

        QCOMPARE(rig.call("query", "start").status, 200);
        QCOMPARE(halfOpen.state(), QTcpSocket::ConnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(halfOpen.state(), QTcpSocket::UnconnectedState,
                                  HttpEndpoint::kIdleMs + 5000);
        QVERIFY(idle.elapsed() >= HttpEndpoint::kIdleMs - 500);
        QTest::qWait(1000);
        QCOMPARE(quiet.socket.state(), QTcpSocket::ConnectedState);
        const auto states = quiet.got.size();
        rig.show().pause();
        QTRY_VERIFY_WITH_TIMEOUT(quiet.got.size() > states, 5000);
    }

    // The stream a view reads: the state with the output's look on connect, one message a turn,
    // the look again when the settings change; a client that stops reading is dropped.
    void stream()
    {
        Rig rig;
        Stream view(rig.remote->httpPort());
        QCOMPARE(view.got.size(), 1);
        QCOMPARE(at(view.got[0], "timer.remaining"), QVariant(300));
        QCOMPARE(at(view.got[0], "look.bgColor"), QVariant(rig.settings.bgColor.name()));
        rig.show().start();
        TestSupport::stepEngine(&rig.engine);
        QTRY_COMPARE_WITH_TIMEOUT(view.got.size(), 2, 5000);
        QCOMPARE(view.got[1].value("seq").toInt(), view.got[0].value("seq").toInt() + 1);
        QCOMPARE(at(view.got[1], "timer.display"), QVariant("04:59"));
        // As the settings dialog's OK leaves them.
        rig.settings.timerColorWarning = QColor(0xab, 0xcd, 0xef);
        rig.settings.warningThreshold = 90;
        rig.settings.blinkEnabled = false;
        rig.settings.clock24hr = false;
        rig.show().applySettings();
        QTRY_COMPARE_WITH_TIMEOUT(at(view.got.last(), "look.timerColorWarning"),
                                  QVariant("#abcdef"), 2000);
        const QVariantMap look = view.got.last().value("look").toObject().toVariantMap();
        QCOMPARE(look.value("warningThreshold"), QVariant(90));
        QCOMPARE(look.value("blinkEnabled").toBool() || look.value("clock24hr").toBool(), false);

        // A client that completes the handshake and then never reads.
        QTcpSocket stuck;
        stuck.setReadBufferSize(1);
        stuck.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        QVERIFY(stuck.waitForConnected(5000));
        stuck.write(
            "GET /api/v1/ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.remote->webSocketClients(), 2, 5000);
        rig.show().pushMessage(QString(400, QChar(0x20ac)));
        int turns = 0;
        for (; rig.remote->webSocketClients() == 2 && turns < 20000; ++turns) {
            TestSupport::stepEngine(&rig.engine);
            QCoreApplication::processEvents();
        }
        QCOMPARE(rig.remote->webSocketClients(), 1);
        TestSupport::stepEngine(&rig.engine);
        QTRY_COMPARE_WITH_TIMEOUT(at(view.got.last(), "timer.remaining"),
                                  QVariant(rig.engine.remaining()), 5000);
    }

    // Nothing listens beyond the loopback, OSC included, unless other computers are allowed (a
    // second loopback address stands in for one); the view's address says the same, with a QR
    // code only where a phone can reach it. A taken port is reported, never swapped for another,
    // and there is no address until a free port is set; switching remote control off closes it.
    void listening_data()
    {
        QTest::addColumn<bool>("allowLan");
        QTest::addColumn<bool>("taken");
        QTest::newRow("loopback only") << false << false;
        QTest::newRow("every interface") << true << false;
        QTest::newRow("ports taken") << false << true;
    }

    void listening()
    {
        QFETCH(bool, allowLan);
        QFETCH(bool, taken);
        QTcpServer squatter;
        QUdpSocket oscSquatter;
        QVERIFY(squatter.listen(QHostAddress::LocalHost) &&
                oscSquatter.bind(QHostAddress::LocalHost, 0));
        Rig rig([&](AppSettings& s) {
            s.remoteAllowLan = allowLan;
            if (taken)
                s.remotePort = squatter.serverPort(), s.oscPort = oscSquatter.localPort();
        });
        const auto noAddress = [&rig] {
            return rig.viewAddress->address().isEmpty() &&
                   !rig.label("viewAddress").contains("http") && rig.label("viewQrCode").isNull() &&
                   rig.label("viewNote").isNull();
        };
        if (taken) {
            QVERIFY(!rig.remote->isListening() && noAddress());
            QCOMPARE(rig.remote->httpPort() + rig.remote->oscPort(), 0);
            const QString status = rig.label("remoteStatus");
            QVERIFY2(
                status.contains(QStringLiteral("port %1 is in use").arg(squatter.serverPort())) &&
                    status.contains(QStringLiteral("OSC is not listening: port %1 is in use")
                                        .arg(oscSquatter.localPort())),
                qPrintable(status));
            rig.settings.remotePort = rig.settings.oscPort = 0;
            rig.show().applySettings();
            QVERIFY(rig.label("remoteStatus").startsWith("Remote control listening"));
        }
        QTcpSocket other;
        other.connectToHost(QHostAddress("127.0.0.2"), rig.remote->httpPort());
        QCOMPARE(other.waitForConnected(2000), allowLan);
        QSignalSpy heard(rig.remote.get(), &RemoteServer::commandLogged);
        oscSend(rig.remote->oscPort(), "/vellmark/start", {}, "127.0.0.2");
        QCOMPARE(heard.wait(allowLan ? 5000 : 1000), allowLan);
        for (const QHostAddress& a : rig.remote->httpAddresses() + rig.remote->oscAddresses())
            QCOMPARE(a.isLoopback(), !allowLan);
        QCOMPARE(rig.label("remoteStatus").contains("this computer only"), !allowLan);

        const QString host = allowLan ? NetworkParts::instance()->lanHost() : "127.0.0.1";
        const QString address =
            QStringLiteral("http://%1:%2/").arg(host).arg(rig.remote->httpPort());
        QCOMPARE(rig.viewAddress->address(), address);
        QVERIFY(rig.label("viewAddress").contains(address));
        const bool reachable = allowLan && host != "127.0.0.1";
        auto* qr = rig.viewAddress->findChild<QLabel*>("viewQrCode");
        QCOMPARE(!qr->isHidden(), reachable);
        if (reachable)
            QCOMPARE(qr->pixmap().toImage().convertToFormat(QImage::Format_Grayscale8),
                     QrCode::image(address.toUtf8(), 3));
        QCOMPARE(rig.label("viewNote").contains("Settings → Remote"), !allowLan);
        QVERIFY(!rig.label("viewNote").isEmpty());

        const QUrl state = rig.url("/api/v1/state");
        QCOMPARE(http(state, "GET").status, 200);
        rig.settings.remoteEnabled = rig.settings.oscEnabled = false;
        rig.show().applySettings();
        QCOMPARE(rig.label("remoteStatus"), QStringLiteral("Remote control is off"));
        QCOMPARE(http(state, "GET").status, 0);
        QVERIFY(noAddress());
    }

    // The QR code scans: a quiet zone, three finders, a real version's size; none for too much.
    void qrCode()
    {
        // A finder pattern at module (x, y): a dark 7 × 7 ring, a light ring, a dark 3 × 3 core.
        const auto finderAt = [](const QImage& img, int x, int y) {
            for (int dy = 0; dy < 7; ++dy)
                for (int dx = 0; dx < 7; ++dx)
                    if ((qGray(img.pixel(x + dx, y + dy)) < 128) !=
                        (std::max(std::abs(dx - 3), std::abs(dy - 3)) != 2))
                        return false;
            return true;
        };
        for (const QByteArray text :
             {"http://127.0.0.1:8321/", "http://[fd12:3456:789a:1::1]:8321/view?view=timer"}) {
            const QImage img = QrCode::image(text, 1);
            const int side = img.width();
            QVERIFY(img.height() == side && side >= 29 && (side - 29) % 4 == 0);
            QCOMPARE(QrCode::image(text, 3), img.scaled(side * 3, side * 3));
            for (int i = 0; i < side; ++i)
                for (int q : {0, 3, side - 4, side - 1})
                    QVERIFY(qGray(img.pixel(i, q)) > 128 && qGray(img.pixel(q, i)) > 128);
            QVERIFY(finderAt(img, 4, 4) && finderAt(img, side - 11, 4) &&
                    finderAt(img, 4, side - 11));
            QVERIFY(!finderAt(img, side - 11, side - 11) && QrCode::image(text + "x", 1) != img);
        }
        QVERIFY(QrCode::image({}, 4).isNull() && QrCode::image(QByteArray(8000, 'a'), 4).isNull());
    }
};

VELLMARK_TEST_MAIN(TestRemote)
#include "tst_remote.moc"

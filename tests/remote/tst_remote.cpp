// SPDX-License-Identifier: GPL-3.0-or-later
// The remote interface driven as a controller drives it: over real sockets on
// the loopback, against the real windows.
#include "app/appwindows.h"
#include "remote/httpendpoint.h"
#include "remote/remotepanel.h"
#include "remote/remoteserver.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPushButton>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QWebSocket>
#include <QtTest>

#include <lo/lo.h>

#include <memory>

namespace {

const QString kToken = QStringLiteral("00112233445566778899aabbccddeeff");

// The program as main() builds it, listening on free loopback ports.
struct Rig {
    AppSettings settings;
    TimerEngine engine;
    std::unique_ptr<AppWindows> windows;
    std::unique_ptr<RemoteServer> remote;

    explicit Rig(const std::function<void(AppSettings&)>& configure = {})
    {
        settings.remoteToken = kToken;
        settings.remotePort = 0; // a free port; the store never holds 0
        settings.oscEnabled = true;
        settings.oscPort = 0;
        if (configure)
            configure(settings);
        engine.setDuration(settings.defaultDuration);
        windows = std::make_unique<AppWindows>(&settings, &engine);
        remote = std::make_unique<RemoteServer>(&windows->showController());
        remote->restart();
        windows->control().addFooter(new RemotePanel(remote.get()));
    }

    QUrl url(const QString& pathAndQuery) const
    {
        return QUrl(
            QStringLiteral("http://127.0.0.1:%1%2").arg(remote->httpPort()).arg(pathAndQuery));
    }
    ControlWindow& control() { return windows->control(); }
    QPushButton* button(const QString& text)
    {
        for (auto* b : control().findChildren<QPushButton*>())
            if (b->text() == text)
                return b;
        return nullptr;
    }
    QString label(const char* name)
    {
        auto* l = control().findChild<QLabel*>(QLatin1String(name));
        return l ? l->text() : QString();
    }
    // What the operator and the audience see, in the state's terms.
    QVariantMap seen()
    {
        QString view;
        for (const char* v : {"⏱  Timer", "🕐  Clock", "⊞  Both"})
            if (button(QString::fromUtf8(v))->isChecked())
                view = QString::fromUtf8(v);
        QString shownMessage;
        for (auto* l : windows->output().findChildren<QLabel*>())
            if (l->parentWidget() == &windows->output())
                shownMessage = l->text();
        auto* until = windows->output().findChild<QLabel*>(QStringLiteral("targetCaption"));
        auto spin = [this](const char* suffix) {
            for (auto* s : control().findChildren<QSpinBox*>())
                if (s->suffix() == QLatin1String(suffix))
                    return s->value();
            return -1;
        };
        return {
            {"preview", label("timerPreview")},
            {"running", !button(QStringLiteral("▶  START"))->isEnabled()},
            {"countUp", button(QStringLiteral("▲  Count Up"))->isChecked()},
            {"view", view},
            {"message", shownMessage},
            {"field", control().findChild<QLineEdit*>()->text()},
            {"output", windows->output().isVisible()},
            {"entry", QStringLiteral("%1:%2").arg(spin(" min")).arg(spin(" sec"))},
            {"until", until && until->isVisibleTo(&windows->output()) ? until->text() : QString()},
        };
    }
};

struct Reply {
    int status = 0;
    QJsonObject json;
    QMap<QByteArray, QByteArray> headers;
};

Reply http(const QUrl& url, const QByteArray& method, const QByteArray& body = {},
           const QList<QPair<QByteArray, QByteArray>>& headers = {})
{
    QNetworkAccessManager nam;
    nam.setProxy(QNetworkProxy::NoProxy);
    QNetworkRequest req(url);
    for (const auto& h : headers)
        req.setRawHeader(h.first, h.second);
    QNetworkReply* reply = nam.sendCustomRequest(req, method, body);
    QSignalSpy done(reply, &QNetworkReply::finished);
    if (!reply->isFinished())
        done.wait(5000);
    Reply r;
    r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    r.json = QJsonDocument::fromJson(reply->readAll()).object();
    for (const auto& h : reply->rawHeaderPairs())
        r.headers.insert(h.first.toLower(), h.second);
    reply->deleteLater();
    return r;
}

QVariant at(const QJsonObject& state, const QString& path)
{
    QJsonValue v = state;
    for (const QString& part : path.split(QLatin1Char('.')))
        v = v.toObject().value(part);
    return v.toVariant();
}

// The state without what changes on its own.
QJsonObject steady(QJsonObject state)
{
    state.remove(QStringLiteral("seq"));
    state.remove(QStringLiteral("serverTime"));
    return state;
}

// Local addresses of sockets bound to `port` (listening ones for TCP), read
// from the kernel's own tables.
QStringList boundAddresses(const QStringList& tables, quint16 port, bool tcp)
{
    QStringList found;
    for (const QString& table : tables) {
        QFile f(table);
        if (!f.open(QIODevice::ReadOnly))
            continue;
        f.readLine();
        while (!f.atEnd()) {
            const QList<QByteArray> cols = f.readLine().simplified().split(' ');
            if (cols.size() < 4)
                continue;
            const QList<QByteArray> local = cols[1].split(':');
            if (local.size() != 2 || local[1].toUShort(nullptr, 16) != port)
                continue;
            if (tcp && cols[3] != "0A") // LISTEN
                continue;
            found << QString::fromLatin1(local[0]);
        }
    }
    return found;
}

bool isLoopbackHex(const QString& hex)
{
    // /proc writes addresses as 32-bit words in host order: 127.x.x.x ends
    // in "7F" on a little-endian machine; ::1 is 0…0 0x01000000.
    if (hex.size() == 8)
        return hex.endsWith(QLatin1String("7F"));
    return hex == QLatin1String("00000000000000000000000001000000");
}

lo_message oscMessage(const QVariantList& args)
{
    lo_message m = lo_message_new();
    for (const QVariant& a : args) {
        switch (a.typeId()) {
        case QMetaType::Int:
            lo_message_add_int32(m, a.toInt());
            break;
        case QMetaType::Float:
            lo_message_add_float(m, a.toFloat());
            break;
        case QMetaType::Bool:
            a.toBool() ? lo_message_add_true(m) : lo_message_add_false(m);
            break;
        default:
            lo_message_add_string(m, a.toString().toUtf8().constData());
        }
    }
    return m;
}

} // namespace

class TestRemote : public QObject {
    Q_OBJECT

  private slots:
    void init() { TestSupport::clearStore(); }

    // Every verb over HTTP: the answer is the new state, and both windows show
    // the change as if the operator had clicked. Arguments arrive as query,
    // form fields or JSON, by POST or by GET with the token.
    void verbs_data()
    {
        QTest::addColumn<QString>("setup"); // verb?query run first, or empty
        QTest::addColumn<QString>("how");   // query, form, json, get
        QTest::addColumn<QString>("verb");
        QTest::addColumn<QString>("args"); // form-encoded
        QTest::addColumn<QString>("stateKey");
        QTest::addColumn<QVariant>("stateValue");
        QTest::addColumn<QString>("seenKey");
        QTest::addColumn<QVariant>("seenValue");
        auto row = [](const char* name, const char* setup, const char* how, const char* verb,
                      const char* args, const char* key, QVariant value, const char* seenKey,
                      QVariant seenValue) {
            QTest::newRow(name) << QString::fromUtf8(setup) << how << verb
                                << QString::fromUtf8(args) << key << value << seenKey << seenValue;
        };
        row("start", "", "query", "start", "", "timer.running", true, "running", true);
        row("pause", "start", "query", "pause", "", "timer.running", false, "running", false);
        row("toggle starts", "", "query", "toggle", "", "timer.running", true, "running", true);
        row("toggle pauses", "start", "get", "toggle", "", "timer.running", false, "running",
            false);
        row("reset", "start", "query", "reset", "", "timer.remaining", 300, "preview", "05:00");
        row("duration seconds", "", "form", "duration", "seconds=90", "timer.duration", 90, "entry",
            "1:30");
        row("duration m:ss", "", "json", "duration", "time=12:05", "timer.display", "12:05",
            "preview", "12:05");
        row("duration by GET", "", "get", "duration", "time=999:59", "timer.remaining", 59999,
            "entry", "999:59");
        row("duration stops the count", "start", "query", "duration", "seconds=30", "timer.running",
            false, "running", false);
        row("add", "", "query", "add", "seconds=-45", "timer.remaining", 255, "preview", "04:15");
        row("add plus", "", "json", "add", "seconds=%2B90", "timer.remaining", 390, "preview",
            "06:30");
        row("count up", "", "query", "mode", "mode=countup", "timer.countUp", true, "countUp",
            true);
        row("count down", "mode?mode=countup", "form", "mode", "mode=countdown", "timer.countUp",
            false, "countUp", false);
        row("view clock", "", "query", "view", "view=clock", "view", "clock", "view", "🕐  Clock");
        row("view timer", "", "json", "view", "view=timer", "view", "timer", "view", "⏱  Timer");
        row("preset", "", "query", "preset", "index=2", "timer.remaining", 600, "entry", "10:0");
        row("message trimmed", "", "form", "message", "text=+%20Wrap+up%20", "message", "Wrap up",
            "message", "Wrap up");
        row("message JSON, markup as text", "", "json", "message", "text=<b>Q%26A</b>", "message",
            "<b>Q&A</b>", "field", "<b>Q&A</b>");
        row("message clear", "message?text=Hi", "query", "message/clear", "", "message", "",
            "message", "");
        row("target", "", "query", "target", "time=14:30", "target", "14:30", "until",
            "until 14:30");
        row("add moves the target", "target?time=23:59", "json", "add", "seconds=60", "target",
            "00:00", "until", "until 00:00");
        row("output hide", "", "query", "output/hide", "", "output.visible", false, "output",
            false);
        row("output show", "output/hide", "get", "output/show", "", "output.visible", true,
            "output", true);
    }

    void verbs()
    {
        QFETCH(QString, setup);
        QFETCH(QString, how);
        QFETCH(QString, verb);
        QFETCH(QString, args);
        QFETCH(QString, stateKey);
        QFETCH(QVariant, stateValue);
        QFETCH(QString, seenKey);
        QFETCH(QVariant, seenValue);
        Rig rig;
        const QList<QPair<QByteArray, QByteArray>> bearer{
            {"Authorization", "Bearer " + kToken.toLatin1()}};
        if (!setup.isEmpty())
            QCOMPARE(http(rig.url(QStringLiteral("/api/v1/") + setup), "POST", {}, bearer).status,
                     200);
        if (setup == QLatin1String("start"))
            TestSupport::stepEngine(&rig.engine, 3);
        const QString path = QStringLiteral("/api/v1/") + verb;
        Reply r;
        if (how == QLatin1String("query")) {
            r = http(rig.url(path + QLatin1Char('?') + args), "POST", {}, bearer);
        } else if (how == QLatin1String("form")) {
            r = http(rig.url(path), "POST", args.toUtf8(),
                     {bearer[0], {"Content-Type", "application/x-www-form-urlencoded"}});
        } else if (how == QLatin1String("get")) {
            r = http(rig.url(path + QStringLiteral("?token=") + kToken + QLatin1Char('&') + args),
                     "GET");
        } else {
            QJsonObject body{{QStringLiteral("token"), kToken}};
            QUrlQuery q(args.replace(QLatin1Char('+'), QLatin1Char(' ')));
            for (const auto& item : q.queryItems(QUrl::FullyDecoded)) {
                bool isNumber = false;
                const int n = item.second.toInt(&isNumber);
                body.insert(item.first, isNumber ? QJsonValue(n) : QJsonValue(item.second));
            }
            r = http(rig.url(path), "POST", QJsonDocument(body).toJson(),
                     {{"Content-Type", "application/json"}});
        }
        QCOMPARE(r.status, 200);
        QCOMPARE(at(r.json, stateKey), stateValue);
        QCOMPARE(rig.seen().value(seenKey), seenValue);
        // The same state for anyone who asks, without a token; and the log
        // says who did it.
        const Reply state = http(rig.url(QStringLiteral("/api/v1/state")), "GET");
        QCOMPARE(steady(state.json), steady(r.json));
        QVERIFY(state.json.value(QStringLiteral("seq")).toInt() >=
                r.json.value(QStringLiteral("seq")).toInt());
        QVERIFY2(rig.label("remoteLog").endsWith(QStringLiteral("HTTP 127.0.0.1")),
                 qPrintable(rig.label("remoteLog")));
        QVERIFY(!r.headers.contains("access-control-allow-origin"));
    }

    // Refused commands: a clear answer, and the show exactly as it was.
    void errors_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("token"); // sent as Bearer unless empty
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        const QString t = kToken;
        auto row = [](const char* name, QByteArray method, const char* path, QString token,
                      QByteArray body, int status, const char* error) {
            QTest::newRow(name) << method << QString::fromUtf8(path) << token << body << status
                                << QString::fromUtf8(error);
        };
        row("no token", "POST", "/api/v1/start", "", "", 401, "token");
        row("wrong token", "POST", "/api/v1/start", QString(t).replace(0, 1, "f"), "", 401,
            "token");
        row("token cut short", "POST", "/api/v1/start", t.left(31), "", 401, "token");
        row("token with more", "POST", "/api/v1/start", t + "0", "", 401, "token");
        row("token in the query is checked too", "GET", "/api/v1/start?token=abc", "", "", 401,
            "token");
        row("unknown verb", "POST", "/api/v1/explode", t, "", 404, "unknown command");
        row("unknown path", "GET", "/etc/passwd", "", "", 404, "not found");
        row("PUT", "PUT", "/api/v1/start", t, "", 405, "method");
        row("POST to state", "POST", "/api/v1/state", t, "", 405, "method");
        row("malformed JSON", "POST", "/api/v1/duration", t, "{\"seconds\": 9", 400, "JSON");
        row("JSON array", "POST", "/api/v1/duration", t, "[90]", 400, "object");
        row("not a number", "POST", "/api/v1/duration?seconds=abc", t, "", 400,
            "seconds must be a number");
        row("fraction", "POST", "/api/v1/duration?seconds=90.5", t, "", 400, "whole number");
        row("too long", "POST", "/api/v1/duration?seconds=60000", t, "", 400,
            "between 0 and 59999");
        row("negative duration", "POST", "/api/v1/duration?seconds=-1", t, "", 400, "between");
        row("sixty seconds", "POST", "/api/v1/duration?time=1:60", t, "", 400, "m:ss");
        row("thousand minutes", "POST", "/api/v1/duration?time=1000:00", t, "", 400, "m:ss");
        row("both forms", "POST", "/api/v1/duration?time=1:00&seconds=60", t, "", 400, "not both");
        row("no duration", "POST", "/api/v1/duration", t, "", 400, "missing");
        row("JSON of the wrong type", "POST", "/api/v1/add", t, "{\"seconds\": \"ten\"}", 400,
            "number");
        row("add beyond 999:59", "POST", "/api/v1/add?seconds=99999999999", t, "", 400, "between");
        row("unknown mode", "POST", "/api/v1/mode?mode=sideways", t, "", 400,
            "countdown or countup");
        row("unknown view", "POST", "/api/v1/view?view=stage", t, "", 400,
            "timer or clock or both");
        row("preset beyond the strip", "POST", "/api/v1/preset?index=5", t, "", 400, "no preset 5");
        row("preset zero", "POST", "/api/v1/preset?index=0", t, "", 400, "between 1");
        row("blank message", "POST", "/api/v1/message?text=%20%0A%20", t, "", 400, "empty");
        row("no message", "POST", "/api/v1/message", t, "", 400, "missing text");
        row("no such time of day", "POST", "/api/v1/target?time=24:00", t, "", 400, "HH:MM");
        row("time of day as a number", "POST", "/api/v1/target", t, "{\"time\": 1430}", 400,
            "HH:MM");
    }

    void errors()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QString, token);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, error);
        Rig rig;
        const QJsonObject before = steady(rig.remote->currentState());
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!token.isEmpty())
            headers << qMakePair(QByteArray("Authorization"), "Bearer " + token.toLatin1());
        if (!body.isEmpty())
            headers << qMakePair(QByteArray("Content-Type"), QByteArray("application/json"));
        const Reply r = http(rig.url(path), method, body, headers);
        QCOMPARE(r.status, status);
        QVERIFY2(r.json.value(QStringLiteral("error")).toString().contains(error),
                 qPrintable(r.json.value(QStringLiteral("error")).toString()));
        if (status == 401)
            QVERIFY(r.headers.contains("www-authenticate"));
        QCOMPARE(steady(rig.remote->currentState()), before);
    }

    // A body over 16 KiB is refused as soon as its length is announced,
    // before it is sent; the connection is closed and the show unchanged.
    void hugeBody()
    {
        Rig rig;
        const QJsonObject before = steady(rig.remote->currentState());
        QTcpSocket s;
        s.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        QVERIFY(s.waitForConnected(5000));
        s.write("POST /api/v1/message HTTP/1.1\r\nHost: x\r\nAuthorization: Bearer " +
                kToken.toLatin1() + "\r\nContent-Length: 1000000000\r\n\r\n");
        s.write(QByteArray(4096, 'a'));
        QTRY_VERIFY_WITH_TIMEOUT(
            s.bytesAvailable() > 0 || s.state() != QAbstractSocket::ConnectedState, 5000);
        QVERIFY(s.readAll().startsWith("HTTP/1.1 413 "));
        QTRY_COMPARE_WITH_TIMEOUT(s.state(), QAbstractSocket::UnconnectedState, 5000);
        // 16 KiB exactly is still a request: answered, here as a bad one.
        const Reply r = http(rig.url(QStringLiteral("/api/v1/message")), "POST",
                             "text=" + QByteArray(16 * 1024 - 5, 'x'),
                             {{"Authorization", "Bearer " + kToken.toLatin1()},
                              {"Content-Type", "application/x-www-form-urlencoded"}});
        QCOMPARE(r.status, 400);
        QCOMPARE(steady(rig.remote->currentState()), before);
    }

    // A half-open connection is closed after the idle time while other
    // callers are served; a flood of datagrams, good and bad, is worked
    // through without losing the good ones.
    void hostileClients()
    {
        Rig rig;
        QTcpSocket halfOpen;
        halfOpen.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        QVERIFY(halfOpen.waitForConnected(5000));
        halfOpen.write("POST /api/v1/start HTTP/1.1\r\nHost: x\r\nContent-Le");
        QElapsedTimer idle;
        idle.start();
        // A quiet stream is no half-open connection: it stays.
        QWebSocket quiet;
        int states = 0;
        connect(&quiet, &QWebSocket::textMessageReceived, this, [&] { ++states; });
        quiet.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(rig.remote->httpPort())));

        lo_address to =
            lo_address_new("127.0.0.1", qPrintable(QString::number(rig.remote->oscPort())));
        // In bursts, as datagrams from another process arrive while this one
        // works: a single burst from this very thread would only measure the
        // system's receive buffer.
        for (int i = 0; i < 300; ++i) {
            if (i % 3 == 0)
                lo_send(to, "/vellmark/add", "i", 1);
            else
                lo_send(to, "/vellmark/add", "s", "lots");
            if (i % 30 == 29)
                QCoreApplication::processEvents();
        }
        lo_address_free(to);
        QTRY_COMPARE_WITH_TIMEOUT(at(rig.remote->currentState(), "timer.remaining"), QVariant(400),
                                  10000);
        const Reply r = http(rig.url(QStringLiteral("/api/v1/start")), "POST", {},
                             {{"Authorization", "Bearer " + kToken.toLatin1()}});
        QCOMPARE(r.status, 200);
        QCOMPARE(halfOpen.state(), QAbstractSocket::ConnectedState);

        QTRY_COMPARE_WITH_TIMEOUT(halfOpen.state(), QAbstractSocket::UnconnectedState,
                                  HttpEndpoint::kIdleMs + 5000);
        QVERIFY(idle.elapsed() >= HttpEndpoint::kIdleMs - 500);
        QVERIFY(rig.engine.isRunning());
        QTest::qWait(1000);
        QCOMPARE(quiet.state(), QAbstractSocket::ConnectedState);
        const int before = states;
        rig.windows->showController().pause();
        QTRY_VERIFY_WITH_TIMEOUT(states > before, 5000);
    }

    // The stream: the state on connect and on every change, ticks included;
    // commands with their acknowledgement; a client that stops reading is
    // dropped without holding up the others.
    void webSocket()
    {
        Rig rig;
        QWebSocket ws, other;
        QList<QJsonObject> got, otherGot;
        connect(&ws, &QWebSocket::textMessageReceived, this,
                [&](const QString& t) { got << QJsonDocument::fromJson(t.toUtf8()).object(); });
        connect(&other, &QWebSocket::textMessageReceived, this, [&](const QString& t) {
            otherGot << QJsonDocument::fromJson(t.toUtf8()).object();
        });
        const QUrl url(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(rig.remote->httpPort()));
        ws.open(url);
        other.open(url);
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(otherGot.size(), 1, 5000);
        QCOMPARE(at(got[0], QStringLiteral("timer.remaining")), QVariant(300));

        auto send = [&](const QJsonObject& cmd) {
            got.clear();
            otherGot.clear();
            ws.sendTextMessage(QString::fromUtf8(QJsonDocument(cmd).toJson()));
        };
        send({{"type", "cmd"},
              {"verb", "duration"},
              {"args", QJsonObject{{"seconds", 42}}},
              {"token", kToken},
              {"id", "a1"}});
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 2, 5000);
        QCOMPARE(at(got[0], QStringLiteral("timer.remaining")), QVariant(42));
        QCOMPARE(got[1], QJsonObject({{"type", "ack"}, {"id", "a1"}, {"ok", true}, {"error", ""}}));
        QCOMPARE(rig.label("timerPreview"), QStringLiteral("00:42"));
        QTRY_COMPARE_WITH_TIMEOUT(otherGot.size(), 1, 5000);
        QVERIFY(rig.label("remoteLog").endsWith(QStringLiteral("WebSocket 127.0.0.1")));

        // Each tick is one message, seq one more than the last.
        const int seq = got[0].value(QStringLiteral("seq")).toInt();
        got.clear();
        rig.windows->showController().start();
        TestSupport::stepEngine(&rig.engine);
        QTRY_VERIFY_WITH_TIMEOUT(!got.isEmpty(), 5000);
        QCOMPARE(got.last().value(QStringLiteral("seq")).toInt(), seq + 1);
        QCOMPARE(at(got.last(), QStringLiteral("timer.display")), QVariant("00:41"));

        const QJsonObject before = steady(rig.remote->currentState());
        const QList<QPair<QJsonObject, QString>> refused{
            {{{"type", "cmd"}, {"verb", "reset"}, {"token", "nope"}, {"id", 7}}, "token"},
            {{{"type", "cmd"}, {"verb", "fly"}, {"token", kToken}, {"id", 8}}, "unknown command"},
            {{{"type", "cmd"},
              {"verb", "add"},
              {"args", QJsonObject{{"seconds", "x"}}},
              {"token", kToken},
              {"id", 9}},
             "number"},
            {{{"type", "hello"}, {"id", 10}}, "cmd"},
        };
        for (const auto& [cmd, error] : refused) {
            send(cmd);
            QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 5000);
            QCOMPARE(got[0].value(QStringLiteral("ok")), QJsonValue(false));
            QCOMPARE(got[0].value(QStringLiteral("id")), cmd.value(QStringLiteral("id")));
            QVERIFY2(got[0].value(QStringLiteral("error")).toString().contains(error),
                     qPrintable(got[0].value(QStringLiteral("error")).toString()));
        }
        got.clear();
        ws.sendTextMessage(QStringLiteral("{not json"));
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), 1, 5000);
        QCOMPARE(got[0].value(QStringLiteral("ok")), QJsonValue(false));
        QCOMPARE(steady(rig.remote->currentState()), before);

        // A client that completes the handshake and then never reads.
        QTcpSocket stuck;
        stuck.setReadBufferSize(1);
        stuck.connectToHost(QHostAddress::LocalHost, rig.remote->httpPort());
        QVERIFY(stuck.waitForConnected(5000));
        stuck.write("GET /api/v1/ws HTTP/1.1\r\nHost: x\r\nUpgrade: websocket\r\n"
                    "Connection: Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                    "Sec-WebSocket-Version: 13\r\n\r\n");
        QTRY_COMPARE_WITH_TIMEOUT(rig.remote->webSocketClients(), 3, 5000);
        rig.windows->showController().pushMessage(QString(400, QChar(0x20ac)));
        int turns = 0;
        QElapsedTimer slowest;
        qint64 longestTurn = 0;
        while (rig.remote->webSocketClients() == 3 && turns < 20000) {
            TestSupport::stepEngine(&rig.engine);
            slowest.start();
            QCoreApplication::processEvents();
            longestTurn = std::max(longestTurn, slowest.elapsed());
            ++turns;
        }
        QCOMPARE(rig.remote->webSocketClients(), 2);
        qInfo("stuck client dropped after %d ticks; longest turn of the event loop %lld ms", turns,
              longestTurn);
        // The healthy client keeps up: it catches up with the latest tick.
        TestSupport::stepEngine(&rig.engine);
        QTRY_COMPARE_WITH_TIMEOUT(
            otherGot.last().value(QStringLiteral("timer")).toObject().value("remaining"),
            QJsonValue(rig.engine.remaining()), 5000);
    }

    // OSC from liblo's own client: every address, numbers as int, float or
    // text, and bundles.
    void osc_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QVariantList>("args");
        QTest::addColumn<QString>("stateKey");
        QTest::addColumn<QVariant>("stateValue");
        auto row = [](const char* address, QVariantList args, const char* key, QVariant value) {
            QTest::newRow(
                qPrintable(QStringLiteral("%1 %2")
                               .arg(QLatin1String(address))
                               .arg(QVariant(args).toStringList().join(QLatin1Char(' ')))))
                << address << args << key << value;
        };
        row("/vellmark/start", {}, "timer.running", true);
        row("/vellmark/toggle", {}, "timer.running", true);
        row("/vellmark/reset", {}, "timer.remaining", 300);
        row("/vellmark/duration", {90}, "timer.remaining", 90);
        row("/vellmark/duration", {90.0f}, "timer.remaining", 90);
        row("/vellmark/duration", {"1:30"}, "timer.remaining", 90);
        row("/vellmark/duration", {"75"}, "timer.remaining", 75);
        row("/vellmark/add", {-60}, "timer.remaining", 239);
        row("/vellmark/add", {"+30"}, "timer.remaining", 329);
        row("/vellmark/mode", {"countup"}, "timer.countUp", true);
        row("/vellmark/view", {"clock"}, "view", "clock");
        row("/vellmark/preset", {3.0f}, "timer.remaining", 900);
        row("/vellmark/message", {"Five minutes"}, "message", "Five minutes");
        row("/vellmark/target", {"14:30"}, "target", "14:30");
        row("/vellmark/output", {0}, "output.visible", false);
        row("/vellmark/output", {false}, "output.visible", false);
        row("/vellmark/output", {"0"}, "output.visible", false);
    }

    void osc()
    {
        QFETCH(QString, address);
        QFETCH(QVariantList, args);
        QFETCH(QString, stateKey);
        QFETCH(QVariant, stateValue);
        Rig rig;
        // One second gone, so reset has something to undo.
        rig.windows->showController().start();
        TestSupport::stepEngine(&rig.engine);
        rig.windows->showController().pause();
        lo_address to =
            lo_address_new("127.0.0.1", qPrintable(QString::number(rig.remote->oscPort())));
        lo_message m = oscMessage(args);
        QCOMPARE(lo_send_message(to, address.toUtf8().constData(), m) > 0, true);
        lo_message_free(m);
        QTRY_COMPARE_WITH_TIMEOUT(at(rig.remote->currentState(), stateKey), stateValue, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(rig.label("remoteLog").contains(QStringLiteral("OSC 127.0.0.1:")),
                                 5000);

        // Bad arguments change nothing; a bundle's messages all act, in order.
        const QJsonObject before = steady(rig.remote->currentState());
        for (const auto& [path, bad] :
             QList<QPair<const char*, QVariantList>>{{"/vellmark/duration", {"abc"}},
                                                     {"/vellmark/duration", {90.5f}},
                                                     {"/vellmark/mode", {7}},
                                                     {"/vellmark/preset", {}},
                                                     {"/vellmark/explode", {}},
                                                     {"/other/program", {1}}}) {
            lo_message b = oscMessage(bad);
            lo_send_message(to, path, b);
            lo_message_free(b);
        }
        lo_bundle bundle = lo_bundle_new(LO_TT_IMMEDIATE);
        lo_message first = oscMessage({"2:00"});
        lo_message second = oscMessage({15});
        lo_bundle_add_message(bundle, "/vellmark/duration", first);
        lo_bundle_add_message(bundle, "/vellmark/add", second);
        lo_send_bundle(to, bundle);
        lo_bundle_free_recursive(bundle);
        QTRY_COMPARE_WITH_TIMEOUT(at(rig.remote->currentState(), "timer.remaining"), QVariant(135),
                                  5000);
        QJsonObject after = steady(rig.remote->currentState());
        QJsonObject timer = after.value("timer").toObject();
        timer["remaining"] = before.value("timer").toObject().value("remaining");
        timer["duration"] = before.value("timer").toObject().value("duration");
        timer["display"] = before.value("timer").toObject().value("display");
        timer["phase"] = before.value("timer").toObject().value("phase");
        timer["running"] = before.value("timer").toObject().value("running");
        after["timer"] = timer;
        // The bundle's duration ends a count to a time of day, as Set Time does.
        QVERIFY(after.value("target").isNull());
        after["target"] = before.value("target");
        QCOMPARE(after, before);
        QVERIFY(
            rig.remote->log().join('\n').contains(QStringLiteral("/vellmark/duration refused")));
        lo_address_free(to);
    }

    // With remoteAllowLan off nothing listens beyond the loopback, OSC
    // included; switched on, both listen on every interface.
    void lanSwitch_data()
    {
        QTest::addColumn<bool>("allowLan");
        QTest::newRow("loopback only") << false;
        QTest::newRow("every interface") << true;
    }

    void lanSwitch()
    {
        QFETCH(bool, allowLan);
        Rig rig([&](AppSettings& s) { s.remoteAllowLan = allowLan; });
        QVERIFY(rig.remote->isListening());
        const QStringList tcp =
            boundAddresses({QStringLiteral("/proc/net/tcp"), QStringLiteral("/proc/net/tcp6")},
                           rig.remote->httpPort(), true);
        const QStringList udp =
            boundAddresses({QStringLiteral("/proc/net/udp"), QStringLiteral("/proc/net/udp6")},
                           rig.remote->oscPort(), false);
        QVERIFY(!tcp.isEmpty() && !udp.isEmpty());
        for (const QString& a : tcp + udp)
            QCOMPARE(isLoopbackHex(a), !allowLan);
        for (const QHostAddress& a : rig.remote->httpAddresses() + rig.remote->oscAddresses())
            QCOMPARE(a.isLoopback(), !allowLan);
        QCOMPARE(rig.label("remoteStatus").contains(QStringLiteral("this computer only")),
                 !allowLan);
    }

    // A taken port is reported to the operator, never swapped for another;
    // a settings change to a free port brings remote control back.
    void takenPort()
    {
        QTcpServer squatter;
        QVERIFY(squatter.listen(QHostAddress::LocalHost));
        QUdpSocket oscSquatter;
        QVERIFY(oscSquatter.bind(QHostAddress::LocalHost, 0));
        const quint16 port = squatter.serverPort();
        Rig rig([&](AppSettings& s) {
            s.remotePort = port;
            s.oscPort = oscSquatter.localPort();
        });
        QVERIFY(!rig.remote->isListening());
        QCOMPARE(rig.remote->httpPort(), quint16(0));
        QCOMPARE(rig.remote->oscPort(), quint16(0));
        const QString status = rig.label("remoteStatus");
        QVERIFY2(status.contains(QStringLiteral("port %1 is in use").arg(port)),
                 qPrintable(status));
        QVERIFY2(status.contains(QStringLiteral("OSC is not listening: port %1 is in use")
                                     .arg(oscSquatter.localPort())),
                 qPrintable(status));

        rig.settings.remotePort = 0;
        rig.windows->showController().applySettings();
        QVERIFY(rig.remote->isListening());
        QVERIFY(rig.label("remoteStatus").startsWith(QStringLiteral("Remote control listening")));
        rig.settings.remoteEnabled = false;
        rig.settings.oscEnabled = false;
        rig.windows->showController().applySettings();
        QCOMPARE(rig.label("remoteStatus"), QStringLiteral("Remote control is off"));
        QCOMPARE(http(rig.url(QStringLiteral("/api/v1/state")), "GET").status, 0);
    }
};

VELLMARK_TEST_MAIN(TestRemote)
#include "tst_remote.moc"

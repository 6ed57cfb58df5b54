// SPDX-License-Identifier: GPL-3.0-or-later
// Remote control on the loopback: the round trip of a command over HTTP,
// WebSocket and OSC, and what the WebSocket stream costs the GUI thread per
// tick with 0, 10 and 50 clients connected.
//   bench_remote [commands per protocol]   (default 500)
// The program (both windows, the engine, the remote server) runs on the main
// thread as it does in a show; the controllers run in a second thread with an
// event loop of their own, so their work is not counted as the program's.
#include "benchsupport.h"

#include "remote/remoteserver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <lo/lo.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString kToken = QStringLiteral("0123456789abcdef0123456789abcdef");

void report(const char* what, const QList<double>& ms)
{
    std::printf("%-44s n=%4lld  median %7.3f ms  p99 %7.3f ms  max %7.3f ms\n", what,
                static_cast<long long>(ms.size()), Bench::median(ms), Bench::percentile(ms, 99),
                ms.isEmpty() ? 0.0 : *std::max_element(ms.begin(), ms.end()));
    std::fflush(stdout);
}

// Waits in the calling thread's own loop until `done` or five seconds.
bool waitFor(const std::function<bool()>& done)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

// The controllers' side, in its own thread.
class Controllers : public QObject {
  public:
    Controllers(quint16 httpPort, quint16 oscPort, int count)
        : m_httpPort(httpPort), m_oscPort(oscPort), m_count(count)
    {
    }

    void roundTrips()
    {
        const QString base = QStringLiteral("http://127.0.0.1:%1/api/v1/").arg(m_httpPort);
        QNetworkAccessManager nam;
        nam.setProxy(QNetworkProxy::NoProxy);
        QList<double> http;
        QElapsedTimer t;
        for (int i = 0; i < m_count + 20; ++i) {
            QNetworkRequest req(QUrl(base + QStringLiteral("add?seconds=%1").arg(i % 2 ? -1 : 1)));
            req.setRawHeader("Authorization", "Bearer " + kToken.toLatin1());
            req.setHeader(QNetworkRequest::ContentTypeHeader,
                          QByteArrayLiteral("application/x-www-form-urlencoded"));
            t.start();
            QNetworkReply* reply = nam.post(req, QByteArray());
            bool finished = false;
            QObject::connect(reply, &QNetworkReply::finished, reply, [&] { finished = true; });
            waitFor([&] { return finished; });
            if (i >= 20) // the first ones open the connection
                http << t.nsecsElapsed() / 1e6;
            reply->deleteLater();
        }
        report("HTTP POST add, to the 200 answer", http);

        QWebSocket ws;
        QList<QJsonObject> got;
        QObject::connect(&ws, &QWebSocket::textMessageReceived, &ws, [&](const QString& text) {
            got << QJsonDocument::fromJson(text.toUtf8()).object();
        });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(m_httpPort)));
        waitFor([&] { return !got.isEmpty(); });
        QList<double> wsAck;
        for (int i = 0; i < m_count; ++i) {
            got.clear();
            const QJsonObject cmd{{"type", "cmd"},
                                  {"verb", "add"},
                                  {"args", QJsonObject{{"seconds", i % 2 ? -1 : 1}}},
                                  {"token", kToken},
                                  {"id", i}};
            t.start();
            ws.sendTextMessage(
                QString::fromUtf8(QJsonDocument(cmd).toJson(QJsonDocument::Compact)));
            const bool acked = waitFor([&] {
                return !got.isEmpty() &&
                       got.last().value(QStringLiteral("type")) == QLatin1String("ack");
            });
            if (!acked) {
                std::printf("WebSocket command %d not acknowledged (%lld messages)\n", i,
                            static_cast<long long>(got.size()));
                break;
            }
            wsAck << t.nsecsElapsed() / 1e6;
        }
        report("WebSocket cmd add, to its ack", wsAck);

        // OSC has no answer: the round trip ends when the new state arrives
        // on the WebSocket stream.
        lo_address to = lo_address_new("127.0.0.1", QByteArray::number(m_oscPort).constData());
        QList<double> osc;
        for (int i = 0; i < m_count; ++i) {
            got.clear();
            const int target = 60 + i % 2;
            t.start();
            lo_send(to, "/vellmark/duration", "i", target);
            const bool arrived = waitFor([&] {
                return !got.isEmpty() && got.last()
                                                 .value(QStringLiteral("timer"))
                                                 .toObject()
                                                 .value(QStringLiteral("remaining"))
                                                 .toInt() == target;
            });
            if (!arrived) {
                std::printf("OSC command %d not seen on the stream\n", i);
                break;
            }
            osc << t.nsecsElapsed() / 1e6;
        }
        lo_address_free(to);
        report("OSC /vellmark/duration, to the state on WS", osc);
    }

    // Opens `n` clients that read everything they are sent.
    void connectClients(int n)
    {
        m_clients.clear();
        for (int i = 0; i < n; ++i) {
            auto ws = std::make_unique<QWebSocket>();
            QObject::connect(ws.get(), &QWebSocket::textMessageReceived, ws.get(),
                             [this] { ++m_received; });
            ws->open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(m_httpPort)));
            m_clients.push_back(std::move(ws));
        }
    }

    std::atomic<qint64> m_received{0};

  private:
    quint16 m_httpPort;
    quint16 m_oscPort;
    int m_count;
    std::vector<std::unique_ptr<QWebSocket>> m_clients;
};

// Runs `f` in the controllers' thread and waits (serving the program's own
// event loop meanwhile) until it is done.
void inThread(QObject* context, const std::function<void()>& f)
{
    std::atomic<bool> done{false};
    QMetaObject::invokeMethod(context, [&] {
        f();
        done = true;
    });
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

int main(int argc, char** argv)
{
    Bench::PrivateHome home;
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(50, std::atoi(argv[1])) : 500;
    Bench::printHeader("remote control");

    Bench::Stage stage;
    stage.settings.remoteToken = kToken;
    stage.settings.remotePort = 0;
    stage.settings.oscEnabled = true;
    stage.settings.oscPort = 0;
    RemoteServer remote(&stage.windows->showController());
    remote.restart();
    std::printf("%s\n", qPrintable(remote.statusText()));

    QThread thread;
    thread.start();
    Controllers controllers(remote.httpPort(), remote.oscPort(), count);
    controllers.moveToThread(&thread);

    inThread(&controllers, [&] { controllers.roundTrips(); });

    // GUI-thread time of one tick with everything it sets off handled: the
    // windows' polish, layout and repaint, then the turn of the event loop in
    // which the state goes to every client (and the sockets write).
    std::printf("\nGUI-thread time per tick, %d ticks a row (median / p99, µs)\n", count * 2);
    std::printf("%-10s %-22s %-22s %s\n", "clients", "whole tick", "of it: the stream",
                "stream per client");
    for (int clients : {0, 10, 50}) {
        inThread(&controllers, [&] { controllers.connectClients(clients); });
        while (remote.webSocketClients() < clients)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        // Every row counts down from the same long duration: no row lands in
        // overtime, where the blinking readout is cheaper to draw.
        stage.windows->showController().setDuration(3000);
        QCoreApplication::processEvents();
        QList<double> whole, stream;
        QElapsedTimer t;
        for (int i = 0; i < count * 2; ++i) {
            t.start();
            stage.step();
            QCoreApplication::sendPostedEvents();
            const qint64 drawn = t.nsecsElapsed();
            QCoreApplication::processEvents(); // the stream's zero-delay send
            const qint64 all = t.nsecsElapsed();
            whole << all / 1e3;
            stream << (all - drawn) / 1e3;
            // The controllers read before the next tick, as a second passes
            // between two ticks in a show.
            QThread::usleep(300);
        }
        const double perClient = clients ? Bench::median(stream) / clients : 0.0;
        std::printf("%-10d %8.1f / %-11.1f %8.1f / %-11.1f %.1f\n", clients, Bench::median(whole),
                    Bench::percentile(whole, 99), Bench::median(stream),
                    Bench::percentile(stream, 99), perClient);
        std::fflush(stdout);
    }
    inThread(&controllers, [&] { controllers.connectClients(0); });
    thread.quit();
    thread.wait();
    return 0;
}

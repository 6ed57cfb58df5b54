// SPDX-License-Identifier: GPL-3.0-or-later
// What a browser view is given by the running program: the page itself, with
// no token, and the output's look in the state, sent again the moment the
// operator's settings change.
#include "app/appwindows.h"
#include "remote/remoteserver.h"
#include "remote/viewpage.h"
#include "settings/appsettings.h"
#include "testsupport.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpServer>
#include <QWebSocket>
#include <QtTest>

class TestViewLook : public QObject {
    Q_OBJECT

  private slots:
    void init()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        m_settings = AppSettings();
        m_settings.remotePort = probe.serverPort();
        probe.close();
        ensureRemoteToken(m_settings);
        m_engine = std::make_unique<TimerEngine>();
        m_windows = std::make_unique<AppWindows>(&m_settings, m_engine.get());
        m_remote = std::make_unique<RemoteServer>(&m_windows->showController());
        m_remote->restart();
        ViewPage::addTo(*m_remote);
        QVERIFY(m_remote->isListening());
    }
    void cleanup()
    {
        m_remote.reset();
        m_windows.reset();
        m_engine.reset();
    }

    void pageIsServedWithoutToken_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("root") << QStringLiteral("/");
        QTest::newRow("view") << QStringLiteral("/view");
        QTest::newRow("view, fixed") << QStringLiteral("/view?view=timer");
    }
    void pageIsServedWithoutToken()
    {
        QFETCH(QString, path);
        QNetworkAccessManager net;
        std::unique_ptr<QNetworkReply> reply(net.get(QNetworkRequest(
            QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_settings.remotePort).arg(path)))));
        QTRY_VERIFY_WITH_TIMEOUT(reply->isFinished(), 5000);
        QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
        QVERIFY(reply->header(QNetworkRequest::ContentTypeHeader)
                    .toString()
                    .startsWith(QLatin1String("text/html")));
        const QByteArray page = reply->readAll();
        QVERIFY(page.contains("<title>Vellmark — View</title>"));
        // Everything inline: nothing for a browser to fetch from elsewhere.
        QVERIFY(!page.contains("src=\"http") && !page.contains("href=\"http"));
    }

    void settingsChangeReachesViews()
    {
        QWebSocket ws;
        QList<QJsonObject> states;
        connect(&ws, &QWebSocket::textMessageReceived, this, [&states](const QString& text) {
            states << QJsonDocument::fromJson(text.toUtf8()).object();
        });
        ws.open(QUrl(QStringLiteral("ws://127.0.0.1:%1/api/v1/ws").arg(m_settings.remotePort)));
        QTRY_VERIFY_WITH_TIMEOUT(!states.isEmpty(), 5000);
        const QJsonObject first = states.last().value(QStringLiteral("look")).toObject();
        QCOMPARE(first.value(QStringLiteral("bgColor")).toString(), m_settings.bgColor.name());
        QCOMPARE(first.value(QStringLiteral("clock24hr")).toBool(), true);

        // As the settings dialog's OK leaves them.
        m_settings.bgColor = QColor(0x12, 0x34, 0x56);
        m_settings.timerColorWarning = QColor(0xab, 0xcd, 0xef);
        m_settings.warningThreshold = 90;
        m_settings.blinkEnabled = false;
        m_settings.clock24hr = false;
        m_windows->showController().applySettings();
        QTRY_VERIFY_WITH_TIMEOUT(states.last()
                                         .value(QStringLiteral("look"))
                                         .toObject()
                                         .value(QStringLiteral("bgColor")) ==
                                     QStringLiteral("#123456"),
                                 2000);
        const QJsonObject look = states.last().value(QStringLiteral("look")).toObject();
        QCOMPARE(look.value(QStringLiteral("timerColorWarning")).toString(),
                 QStringLiteral("#abcdef"));
        QCOMPARE(look.value(QStringLiteral("warningThreshold")).toInt(), 90);
        QCOMPARE(look.value(QStringLiteral("blinkEnabled")).toBool(), false);
        QCOMPARE(look.value(QStringLiteral("clock24hr")).toBool(), false);
    }

  private:
    AppSettings m_settings;
    std::unique_ptr<TimerEngine> m_engine;
    std::unique_ptr<AppWindows> m_windows;
    std::unique_ptr<RemoteServer> m_remote;
};

VELLMARK_TEST_MAIN(TestViewLook)
#include "tst_viewlook.moc"

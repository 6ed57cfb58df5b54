// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifestserver.h"
#include "operator.h"
#include "testsupport.h"
#include "update/updater.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QPointer>
#include <QTextDocument>
#include <QtTest>

namespace {

const QString running = QStringLiteral("1.1.2");
const QString downloadPage = QStringLiteral("https://downloads.vellmark.app/latest");

QByteArray manifest(const QJsonValue& version, const QString& url = downloadPage,
                    const QString& notes = QString())
{
    QJsonObject entry{{"version", version}, {"downloadUrl", url}, {"releaseNotes", notes}};
    return QJsonDocument(
               QJsonObject{{"other", QJsonObject{{"version", "99.0.0"}}}, {"vellmark", entry}})
        .toJson(QJsonDocument::Compact);
}

// A valid manifest padded with trailing whitespace to exactly `size` bytes.
QByteArray paddedManifest(const QString& version, int size)
{
    QByteArray body = manifest(version);
    return body + QByteArray(size - body.size(), ' ');
}

} // namespace

class TestUpdater : public QObject {
    Q_OBJECT

  private:
    ManifestServer m_server;

    // Runs one check against the test server until the updater is gone.
    void runCheck(Updater* u, bool silent)
    {
        QPointer<Updater> updater(u);
        updater->checkForUpdates(silent);
        QTRY_VERIFY_WITH_TIMEOUT(updater.isNull(), 15000);
    }

  private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
    }

    void init() { m_server.forgetRequests(); }

    void versions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("parsed");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same") << "1.1.2" << QList<int>{1, 1, 2} << false;
        QTest::newRow("numeric, not textual") << "1.1.10" << QList<int>{1, 1, 10} << true;
        QTest::newRow("two parts") << "1.2" << QList<int>{1, 2, 0} << true;
        QTest::newRow("fourth part ignored") << "1.1.2.9" << QList<int>{1, 1, 2} << false;
        QTest::newRow("one part") << "2" << QList<int>{2, 0, 0} << true;
        QTest::newRow("older minor, higher patch") << "1.0.9" << QList<int>{1, 0, 9} << false;
        QTest::newRow("letter before the digits") << "v2.0.0" << QList<int>{0, 0, 0} << false;
        QTest::newRow("suffix on a piece") << "1.1.3-beta" << QList<int>{1, 1, 0} << false;
        QTest::newRow("empty middle piece") << "1..3" << QList<int>{1, 0, 3} << false;
        QTest::newRow("empty last piece") << "1.2." << QList<int>{1, 2, 0} << true;
        QTest::newRow("empty") << "" << QList<int>{0, 0, 0} << false;
        QTest::newRow("only dots") << "..." << QList<int>{0, 0, 0} << false;
        QTest::newRow("beyond 32 bits") << "4294967297.0.0" << QList<int>{0, 0, 0} << false;
        QTest::newRow("largest int") << "2147483647" << QList<int>{2147483647, 0, 0} << true;
        QTest::newRow("huge patch") << "1.1.99999999999999999999" << QList<int>{1, 1, 0} << false;
        QTest::newRow("negative") << "1.1.-5" << QList<int>{1, 1, -5} << false;
    }

    void versions()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, parsed);
        QFETCH(bool, newer);
        QCOMPARE(Updater::parseVersion(text), parsed);
        QCOMPARE(Updater::isNewer(text), newer);
        // Nothing is newer than itself, and the comparison runs against this build.
        QVERIFY(!Updater::isNewer(text, text));
        QCOMPARE(Updater::isNewer(text, running), newer);
    }

    void manifestBodies_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("notes");
        QTest::newRow("complete") << manifest("1.2.0", downloadPage, "Fixes") << "1.2.0"
                                  << downloadPage << "Fixes";
        QTest::newRow("members missing") << QByteArray(R"({"vellmark":{"version":"1.3"}})") << "1.3"
                                         << ""
                                         << "";
        QTest::newRow("not JSON") << QByteArray("<html>Bad gateway</html>") << ""
                                  << ""
                                  << "";
        QTest::newRow("array at the top") << QByteArray(R"([{"vellmark":{"version":"2"}}])") << ""
                                          << ""
                                          << "";
        QTest::newRow("no vellmark member") << QByteArray(R"({"other":{"version":"2.0.0"}})") << ""
                                            << ""
                                            << "";
        QTest::newRow("vellmark not an object") << QByteArray(R"({"vellmark":"2.0.0"})") << ""
                                                << ""
                                                << "";
        QTest::newRow("version a number") << manifest(2) << "" << downloadPage << "";
        QTest::newRow("version null") << manifest(QJsonValue::Null) << "" << downloadPage << "";
        QTest::newRow("empty") << QByteArray() << ""
                               << ""
                               << "";
        QTest::newRow("exactly the bound")
            << paddedManifest("1.2.0", Updater::MaxManifestBytes) << "1.2.0" << downloadPage << "";
        QTest::newRow("one byte over the bound")
            << paddedManifest("1.2.0", Updater::MaxManifestBytes + 1) << ""
            << ""
            << "";
    }

    void manifestBodies()
    {
        QFETCH(QByteArray, body);
        const Updater::Manifest m = Updater::parseManifest(body);
        QTEST(m.version, "version");
        QTEST(m.downloadUrl, "url");
        QTEST(m.releaseNotes, "notes");
    }

    // One check against the server, from the request to the updater's end.
    void check_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("box"); // "", "up to date" or "announcement"
        QTest::addColumn<QList<QUrl>>("opened");
        const QList<QUrl> none;
        const QList<QUrl> page{QUrl(downloadPage)};

        QTest::newRow("current, silent") << 200 << manifest(running) << true << ""
                                         << "" << none;
        QTest::newRow("current, reported") << 200 << manifest(running) << false << "OK"
                                           << "up to date" << none;
        QTest::newRow("older, reported") << 200 << manifest("1.0.9") << false << "OK"
                                         << "up to date" << none;
        QTest::newRow("newer, silent, Download") << 200 << manifest("1.2.0") << true << "Download"
                                                 << "announcement" << page;
        QTest::newRow("newer, reported, Download")
            << 200 << manifest("1.1.10") << false << "Download"
            << "announcement" << page;
        QTest::newRow("newer, Later") << 200 << manifest("2") << true << "Later"
                                      << "announcement" << none;
        QTest::newRow("newer, closed with Escape") << 200 << manifest("2") << true << "Escape"
                                                   << "announcement" << none;
        QTest::newRow("Download, plain http page")
            << 200 << manifest("2", "http://downloads.vellmark.app/latest") << true << "Download"
            << "announcement" << none;
        QTest::newRow("Download, file address")
            << 200 << manifest("2", "file:///etc/passwd") << true << "Download"
            << "announcement" << none;
        QTest::newRow("Download, script address")
            << 200 << manifest("2", "javascript:alert(1)") << true << "Download"
            << "announcement" << none;
        QTest::newRow("Download, no address") << 200 << manifest("2", "") << true << "Download"
                                              << "announcement" << none;
        QTest::newRow("Download, no scheme")
            << 200 << manifest("2", "downloads.vellmark.app/latest") << true << "Download"
            << "announcement" << none;
        QTest::newRow("not JSON") << 200 << QByteArray("<html>oops</html>") << false << ""
                                  << "" << none;
        QTest::newRow("no vellmark member")
            << 200 << QByteArray(R"({"other":{"version":"9.0.0"}})") << false << ""
            << "" << none;
        QTest::newRow("empty version") << 200 << manifest("") << false << ""
                                       << "" << none;
        QTest::newRow("version not a string") << 200 << manifest(9) << false << ""
                                              << "" << none;
        QTest::newRow("not found") << 404 << manifest("9.0.0") << false << ""
                                   << "" << none;
        QTest::newRow("server error") << 500 << manifest("9.0.0") << false << ""
                                      << "" << none;
        QTest::newRow("body exactly at the bound")
            << 200 << paddedManifest("9.0.0", Updater::MaxManifestBytes) << true << "Later"
            << "announcement" << none;
        QTest::newRow("body over the bound")
            << 200 << paddedManifest("9.0.0", Updater::MaxManifestBytes + 1) << false << ""
            << "" << none;
    }

    void check()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(QString, answer);
        QFETCH(QString, box);
        QFETCH(QList<QUrl>, opened);

        m_server.setMode(ManifestServer::Mode::Answer);
        m_server.setAnswer(status, body);
        Operator op;
        op.setAnswers({answer});
        auto* updater = new Updater;
        updater->setManifestUrl(m_server.url());
        runCheck(updater, silent);

        QCOMPARE(m_server.requests().size(), 1);
        const ManifestServer::Request& request = m_server.requests().first();
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, QByteArray("/api/versions.json"));
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Vellmark/1.1.2"));

        QCOMPARE(op.opened, opened);
        if (box.isEmpty()) {
            QCOMPARE(op.boxes.size(), 0);
            return;
        }
        QCOMPARE(op.boxes.size(), 1);
        const Operator::Box& seen = op.boxes.first();
        QCOMPARE(seen.icon, QMessageBox::Information);
        if (box == QLatin1String("up to date")) {
            QCOMPARE(seen.title, QStringLiteral("Vellmark"));
            QCOMPARE(seen.text, QStringLiteral("You're up to date.\nVersion 1.1.2"));
            QCOMPARE(seen.buttons, QStringList{"OK"});
        } else {
            const QString version = Updater::parseManifest(body).version;
            QCOMPARE(seen.title, QStringLiteral("Update Available — Vellmark"));
            QCOMPARE(seen.textFormat, Qt::RichText);
            QCOMPARE(renderedText(seen.text),
                     QStringLiteral("Vellmark %1 is available\nYou have 1.1.2.").arg(version));
            QCOMPARE(seen.informativeText, QString());
            QCOMPARE(seen.buttons.size(), 2);
            QCOMPARE(seen.roles.at(seen.buttons.indexOf("Download")), QMessageBox::AcceptRole);
            QCOMPARE(seen.roles.at(seen.buttons.indexOf("Later")), QMessageBox::RejectRole);
        }
    }

    // Whatever the server writes into the version or the notes is read as
    // text, never applied as markup.
    void announcementText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("notes");
        QTest::newRow("markup in the version")
            << "9.0<img src=\"https://evil.example/x.png\"><a href=\"https://evil.example\">click"
               "</a>"
            << "";
        QTest::newRow("entity in the version") << "9.0 &amp; more"
                                               << "";
        QTest::newRow("placeholder in the version") << "9.0 %2 %1"
                                                    << "";
        QTest::newRow("markup in the notes") << "9.0"
                                             << "<b>Bold</b> <a href=\"x\">link</a>";
        QTest::newRow("ampersand in the notes") << "9.0"
                                                << "Fish & chips, a &lt; b";
        QTest::newRow("lines in the notes") << "9.0"
                                            << "Line one\nLine two\n  indented";
    }

    void announcementText()
    {
        QFETCH(QString, version);
        QFETCH(QString, notes);
        m_server.setMode(ManifestServer::Mode::Answer);
        m_server.setAnswer(200, manifest(version, downloadPage, notes));
        Operator op;
        op.setAnswers({"Later"});
        auto* updater = new Updater;
        updater->setManifestUrl(m_server.url());
        runCheck(updater, true);

        QCOMPARE(op.boxes.size(), 1);
        const Operator::Box& seen = op.boxes.first();
        QCOMPARE(renderedText(seen.text),
                 QStringLiteral("Vellmark %1 is available\nYou have 1.1.2.").arg(version));
        QVERIFY(!seen.text.contains(QLatin1String("<img")));
        QVERIFY(!seen.text.contains(QLatin1String("<a ")));
        if (notes.isEmpty()) {
            QCOMPARE(seen.informativeText, QString());
        } else {
            // The box's informative label decides by itself whether its
            // text is markup; it has to be, for the escaping to read right.
            QVERIFY(Qt::mightBeRichText(seen.informativeText));
            QCOMPARE(renderedText(seen.informativeText).replace(QChar::Nbsp, QLatin1Char(' ')),
                     notes);
        }
    }

    void unreachableServer_data()
    {
        QTest::addColumn<bool>("silent");
        QTest::newRow("silent") << true;
        QTest::newRow("reported") << false;
    }

    void unreachableServer()
    {
        QFETCH(bool, silent);
        // A port that was just free on this machine: the connection is refused.
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        QUrl url = m_server.url();
        url.setPort(probe.serverPort());
        probe.close();

        Operator op;
        auto* updater = new Updater;
        updater->setManifestUrl(url);
        runCheck(updater, silent);
        QCOMPARE(op.boxes.size(), 0);
    }

    // A server that keeps sending: the program stops reading soon after the
    // bound and hangs up, instead of reading to the server's end. What the
    // program received is counted, not what the server managed to write: the
    // system's socket buffers take in megabytes that nobody read.
    void endlessAnswer()
    {
        m_server.setMode(ManifestServer::Mode::Stream);
        Operator op;
        QPointer<Updater> updater(new Updater);
        updater->setManifestUrl(m_server.url());
        updater->checkForUpdates(false);
        QPointer<QNetworkReply> reply(updater->findChild<QNetworkReply*>());
        QVERIFY(reply);
        qint64 received = 0;
        connect(reply, &QNetworkReply::downloadProgress, this,
                [&](qint64 bytes, qint64) { received = std::max(received, bytes); });
        QNetworkReply::NetworkError error = QNetworkReply::NoError;
        connect(reply, &QNetworkReply::finished, this, [&] { error = reply->error(); });
        QTRY_VERIFY_WITH_TIMEOUT(updater.isNull(), 15000);

        qInfo("received %lld bytes before hanging up", received);
        QCOMPARE(error, QNetworkReply::OperationCanceledError);
        QVERIFY2(received > Updater::MaxManifestBytes, qPrintable(QString::number(received)));
        QVERIFY2(received <= 4 * Updater::MaxManifestBytes, qPrintable(QString::number(received)));
        QCOMPARE(op.boxes.size(), 0);
        QCOMPARE(m_server.requests().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.openConnections(), 0, 5000);
    }

    // The start-up check sends nothing for about three seconds, then one
    // silent request; an updater gone before then sends none.
    void startupCheck()
    {
        m_server.setMode(ManifestServer::Mode::Answer);
        m_server.setAnswer(200, manifest(running));
        Operator op;

        auto* quitEarly = new QObject;
        QPointer<Updater> early = Updater::armStartupCheck(quitEarly);
        early->setManifestUrl(m_server.url(QStringLiteral("/quit-early")));
        QObject app;
        QPointer<Updater> updater = Updater::armStartupCheck(&app);
        QCOMPARE(updater->parent(), &app);
        updater->setManifestUrl(m_server.url());
        QElapsedTimer clock;
        clock.start();

        // The program quitting early: the owner takes its updater along.
        delete quitEarly;
        QVERIFY(early.isNull());

        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests().size(), 1, 6000);
        // Coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(updater.isNull(), 10000);
        QCOMPARE(m_server.requests().size(), 1);
        QCOMPARE(m_server.requests().first().path, QByteArray("/api/versions.json"));
        QCOMPARE(op.boxes.size(), 0); // silent: current version, nothing shown
    }
};

VELLMARK_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
// Update checks against a web server on this machine, with the operator
// answering the boxes: started by hand, at start-up and from the About card.
#include "testsupport.h"
#include "update/aboutdialog.h"
#include "update/updatemanifest.h"
#include "update/updater.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QNetworkReply>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

namespace {

// A web server on 127.0.0.1 that every update check of the test process asks.
// Each request gets the prepared answer, or none while its status is 0. A body
// over 1 MiB goes without Content-Length, as an endless answer would.
struct ManifestServer : QTcpServer {
    QByteArrayList requests; // each request's head, as received
    int status = 0;
    QByteArray body;

    void answer(int s, const QByteArray& b) { status = s, body = b; }
    bool start()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = nextPendingConnection()) {
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { reply(socket); });
            }
        });
        return listen(QHostAddress::LocalHost, 0) &&
               Updater::setManifestUrlForTesting(
                   QUrl(QStringLiteral("http://127.0.0.1:%1/api/versions.json").arg(serverPort())));
    }

    void reply(QTcpSocket* socket)
    {
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.endsWith("\r\n\r\n"))
            return;
        requests.append(head);
        if (status == 0)
            return;
        const QByteArray length = "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        socket->write("HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" +
                      (body.size() <= (1 << 20) ? length : "") + "\r\n" + body);
        socket->disconnectFromHost();
    }
};

// Plays the operator: answers each message box (the given buttons in turn,
// then Escape), noting its title, text, informative text, buttons and icon,
// and catches the addresses the program would open.
class Operator : public QObject {
    Q_OBJECT

  public:
    QList<QStringList> boxes;
    QList<QUrl> opened;

    explicit Operator(const QStringList& answers = {}) : m_answers(answers)
    {
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        connect(&m_poll, &QTimer::timeout, this, &Operator::look);
        m_poll.start(10);
    }
    ~Operator() override
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
    }

  public slots:
    void openUrl(const QUrl& url) { opened.append(url); }

  private:
    void look()
    {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box->property("answered").toBool())
            return;
        box->setProperty("answered", true);
        QStringList buttons;
        for (QAbstractButton* b : box->buttons())
            buttons.append(b->text().remove(QLatin1Char('&')));
        boxes.append({box->windowTitle(), box->text(), box->informativeText(), buttons.join('/'),
                      QString::number(box->icon())});
        const int pick = buttons.indexOf(m_answers.isEmpty() ? QString() : m_answers.takeFirst());
        if (pick >= 0)
            box->buttons().at(pick)->click();
        else
            QTest::keyClick(box, Qt::Key_Escape);
    }

    QTimer m_poll;
    QStringList m_answers;
};

using Boxes = QList<QStringList>; // one line per message box
const QString kInfoIcon = QString::number(QMessageBox::Information);
const QStringList kUpToDate{"Vellmark", "You're up to date.\nVersion 1.1.2", "", "OK", kInfoIcon};

QByteArray manifest(const QString& version, const QString& url = {}, const QString& notes = {})
{
    return QStringLiteral(R"({"vellmark":{"version":"%1","downloadUrl":"%2","releaseNotes":"%3"}})")
        .arg(version, url, notes)
        .toUtf8();
}

QStringList announced(const QByteArray& body)
{
    const UpdateManifest m = UpdateManifest::parse(body);
    return {"Update Available — Vellmark", m.announcement(QStringLiteral("1.1.2")), m.notesText(),
            "Download/Later", kInfoIcon};
}

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void click(QWidget* dialog, const QString& text)
{
    QTest::mouseClick(button(dialog, text), Qt::LeftButton);
}

} // namespace

class TestUpdater : public QObject {
    Q_OBJECT

    ManifestServer m_server;

  private slots:
    void initTestCase() { QVERIFY(m_server.start()); }
    void init() { m_server.requests.clear(); }

    void check_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Boxes>("boxes");
        QTest::addColumn<bool>("opened");
        const QByteArray current = manifest("1.1.2");
        const QByteArray newer =
            manifest("1.2.0", "https://downloads.vellmark.app/latest", "Fixes & more");
        const QByteArray http = manifest("2", "http://downloads.vellmark.app/latest");
        // Padded in front, so an answer cut short is no longer JSON.
        const QByteArray full = QByteArray(UpdateManifest::kMaxBytes - newer.size(), ' ') + newer;
        const Boxes none;
        // clang-format off
        QTest::newRow("current, silent") << 200 << current << true << "" << none << false;
        QTest::newRow("current, reported") << 200 << current << false << "OK" << Boxes{kUpToDate} << false;
        QTest::newRow("newer, silent, Download") << 200 << newer << true << "Download" << Boxes{announced(newer)} << true;
        QTest::newRow("newer, reported, Later") << 200 << newer << false << "Later" << Boxes{announced(newer)} << false;
        QTest::newRow("newer, Escape") << 200 << newer << true << "Escape" << Boxes{announced(newer)} << false;
        QTest::newRow("Download, http page") << 200 << http << true << "Download" << Boxes{announced(http)} << false;
        QTest::newRow("no version") << 200 << manifest("") << false << "" << none << false;
        QTest::newRow("not found") << 404 << newer << false << "" << none << false;
        QTest::newRow("body at the bound") << 200 << full << true << "Later" << Boxes{announced(full)} << false;
        QTest::newRow("body over the bound") << 200 << ' ' + full << false << "" << none << false;
        QTest::newRow("endless body") << 200 << manifest("9", {}, QString(8 << 20, 'x')) << false << "" << none << false;
        // clang-format on
    }

    void check()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, silent);
        QFETCH(QString, answer);
        QFETCH(bool, opened);
        m_server.answer(status, body);
        Operator op({answer});
        QPointer<Updater> updater(new Updater);
        updater->checkForUpdates(silent);
        // However long the answer, the program stops reading soon after the bound
        // (counted as received: socket buffers take in megabytes nobody reads).
        qint64 received = 0;
        connect(updater->findChild<QNetworkReply*>(), &QNetworkReply::downloadProgress, this,
                [&](qint64 bytes, qint64) { received = std::max(received, bytes); });
        QTRY_VERIFY_WITH_TIMEOUT(updater.isNull(), 15000);
        QVERIFY2(received <= 4 * UpdateManifest::kMaxBytes, qPrintable(QString::number(received)));

        QCOMPARE(m_server.requests.size(), 1);
        QVERIFY(m_server.requests.first().startsWith("GET /api/versions.json HTTP/1.1\r\n"));
        QVERIFY(m_server.requests.first().contains("\r\nUser-Agent: Vellmark/1.1.2\r\n"));
        QTEST(op.boxes, "boxes");
        const QUrl target = UpdateManifest::parse(body).downloadTarget();
        QCOMPARE(op.opened, opened ? QList<QUrl>{target} : QList<QUrl>());
    }

    // The start-up check sends nothing for about three seconds, then one
    // silent request; an updater whose owner is gone by then sends none.
    void startupCheck()
    {
        m_server.answer(200, manifest("1.1.2"));
        Operator op;
        auto* quitEarly = new QObject;
        QPointer<Updater> early = Updater::armStartupCheck(quitEarly);
        QObject app;
        QPointer<Updater> updater = Updater::armStartupCheck(&app);
        QElapsedTimer clock;
        clock.start();
        delete quitEarly;
        QVERIFY(early.isNull());
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests.size(), 1, 6000);
        // Coarse timers may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 2850, qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(updater.isNull(), 10000);
        QCOMPARE(m_server.requests.size(), 1);
        QCOMPARE(op.boxes.size(), 0);
    }

    // How the card looks is the screenshot test's; here, what it does: both
    // buttons close it, and the web link opens the maker's site.
    void aboutCard()
    {
        Operator op;
        AboutDialog dialog;
        // The screenshot draws the card alone; these decide what shows round it.
        QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
        dialog.show();
        for (const char* how : {"×", "Close"}) {
            QTimer::singleShot(0, &dialog, [&] { click(&dialog, QString::fromUtf8(how)); });
            // Should the press not close the card, end it anyway and fail.
            QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });
            QCOMPARE(dialog.exec(), int(QDialog::Accepted));
        }
        click(&dialog, "tellurith-labs.app");
        QCOMPARE(op.opened, QList<QUrl>{QUrl(QStringLiteral("https://tellurith-labs.app/"))});
    }

    void aboutUpdateButton()
    {
        Operator op;
        AboutDialog dialog;
        dialog.show();
        // A card closed while its check is under way: the check still
        // reports, in full (not silently), and the re-enable that was due on
        // the closed card harms nothing.
        m_server.answer(200, manifest("1.1.2"));
        auto* closed = new AboutDialog;
        closed->show();
        click(closed, "Check for Updates");
        QVERIFY(!button(closed, "Check for Updates")->isEnabled());
        bool closedCardDue = false;
        QTimer::singleShot(5300, this, [&closedCardDue] { closedCardDue = true; });
        delete closed;
        QTRY_COMPARE_WITH_TIMEOUT(op.boxes, Boxes{kUpToDate}, 10000);

        // A server that never answers: the button comes back after 5 s all
        // the same, and a second press starts a second check.
        m_server.answer(0, {});
        QPushButton* update = button(&dialog, "Check for Updates");
        QElapsedTimer clock;
        clock.start();
        click(&dialog, "Check for Updates");
        QVERIFY(!update->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(update->isEnabled(), 8000);
        // Timers of this length may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 4750, qPrintable(QString::number(clock.elapsed())));
        click(&dialog, "Check for Updates");
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests.size(), 3, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(closedCardDue, 2000);
        QCOMPARE(op.boxes.size(), 1);
    }
};

VELLMARK_TEST_MAIN(TestUpdater)
#include "tst_updater.moc"

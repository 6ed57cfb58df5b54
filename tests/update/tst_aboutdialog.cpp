// SPDX-License-Identifier: GPL-3.0-or-later
#include "manifestserver.h"
#include "operator.h"
#include "testsupport.h"
#include "update/aboutdialog.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QNetworkProxy>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

namespace {

const QUrl updateUrl(QStringLiteral(VELLMARK_UPDATE_URL));

QPushButton* button(QWidget* dialog, const QString& text)
{
    for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == text)
            return b;
    return nullptr;
}

QLabel* label(QWidget* dialog, const QString& text)
{
    for (auto* l : dialog->findChildren<QLabel*>())
        if (l->text() == text)
            return l;
    return nullptr;
}

} // namespace

class TestAboutDialog : public QObject {
    Q_OBJECT

  private:
    // The card's update check asks the program's real update address. This
    // server is the process's HTTP proxy, so that request is tunnelled to it
    // on 127.0.0.1 and never leaves the machine.
    ManifestServer m_server{updateUrl.host()};

  private slots:
    void initTestCase()
    {
        QString error;
        QVERIFY2(m_server.start(&error), qPrintable(error));
        m_server.setTunnelling(true);
        QNetworkProxy::setApplicationProxy(QNetworkProxy(
            QNetworkProxy::HttpProxy, QStringLiteral("127.0.0.1"), m_server.serverPort()));
    }

    void init() { m_server.forgetRequests(); }

    void card()
    {
        AboutDialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        QCOMPARE(dialog.windowTitle(), QStringLiteral("About Vellmark"));
        QCOMPARE(dialog.width(), 340);
        QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(dialog.testAttribute(Qt::WA_TranslucentBackground));
        QVERIFY(dialog.isModal());
        auto* card = dialog.findChild<QWidget*>(QStringLiteral("aboutCard"));
        QVERIFY(card);
        QCOMPARE(card->geometry(), QRect(20, 20, 300, dialog.height() - 40));

        // Top to bottom, as the operator reads the card.
        QLabel* logo = nullptr;
        for (auto* l : dialog.findChildren<QLabel*>())
            if (l->text().isEmpty())
                logo = l;
        QVERIFY(logo);
        const QList<QWidget*> order{
            button(&dialog, QStringLiteral("×")),
            logo,
            label(&dialog, QStringLiteral("VELLMARK")),
            label(&dialog, QStringLiteral("v1.1.2")),
            label(&dialog, QStringLiteral("Professional Vellmark for Events")),
            button(&dialog, QStringLiteral("tellurith-labs.app")),
            button(&dialog, QStringLiteral("Check for Updates")),
            button(&dialog, QStringLiteral("Close")),
        };
        for (int i = 0; i < order.size(); ++i) {
            QVERIFY2(order.at(i), qPrintable(QString::number(i)));
            QVERIFY(order.at(i)->isVisible());
            if (i > 0)
                QVERIFY(order.at(i)->geometry().top() > order.at(i - 1)->geometry().top());
        }
        // The corner button sits at the card's right, everything else centred.
        QWidget* corner = order.first();
        QVERIFY(corner->geometry().right() > card->width() - 40);
        for (int i = 2; i < order.size(); ++i) {
            const int centre = order.at(i)->geometry().center().x();
            QVERIFY2(qAbs(centre - card->width() / 2) <= 2, qPrintable(QString::number(i)));
        }
        QLabel* legal = nullptr;
        for (auto* l : dialog.findChildren<QLabel*>())
            if (l->text().contains(QLatin1String("Tellurith")))
                legal = l;
        QVERIFY(legal);
        QVERIFY(legal->geometry().top() > order.at(4)->geometry().top());
        QVERIFY(legal->geometry().top() < order.at(5)->geometry().top());
        // The licence is named, and no line of the legal text is cut off.
        QVERIFY(legal->text().contains(QLatin1String("GNU GPL v3 or later")));
        for (const QString& line : legal->text().split(QLatin1Char('\n')))
            QVERIFY2(legal->fontMetrics().horizontalAdvance(line) <= legal->contentsRect().width(),
                     qPrintable(line));

        // The logo, when the resource is there, fits a 64-px square; without
        // it the label stays empty and the card is otherwise the same.
        const QString logoPath = QStringLiteral(":/assets/VELLMARK LOGO DESKTOP NO BACKGROUND.png");
        if (QFile::exists(logoPath)) {
            QVERIFY(!logo->pixmap().isNull());
            QVERIFY(logo->pixmap().width() <= 64 && logo->pixmap().height() <= 64);
            QVERIFY(qMax(logo->pixmap().width(), logo->pixmap().height()) == 64);
        } else {
            QVERIFY(logo->pixmap().isNull());
        }
    }

    void closing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("result");
        QTest::newRow("corner button") << "×" << int(QDialog::Accepted);
        QTest::newRow("Close") << "Close" << int(QDialog::Accepted);
        QTest::newRow("Escape") << "Escape" << int(QDialog::Rejected);
    }

    void closing()
    {
        QFETCH(QString, how);
        AboutDialog dialog;
        bool pressed = false;
        QTimer::singleShot(0, &dialog, [&] {
            auto* modal = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
            if (!modal)
                return;
            pressed = true;
            if (how == QLatin1String("Escape"))
                QTest::keyClick(modal, Qt::Key_Escape);
            else
                QTest::mouseClick(button(modal, how), Qt::LeftButton);
        });
        // Should the press not close the card, end it anyway and fail.
        QTimer::singleShot(5000, &dialog, [&] { dialog.done(-1); });
        const int result = dialog.exec();
        QVERIFY(pressed);
        QTEST(result, "result");
        QVERIFY(!dialog.isVisible());
    }

    void webSite()
    {
        Operator op;
        AboutDialog dialog;
        dialog.show();
        QTest::mouseClick(button(&dialog, QStringLiteral("tellurith-labs.app")), Qt::LeftButton);
        QCOMPARE(op.opened, QList<QUrl>{QUrl(QStringLiteral("https://tellurith-labs.app/"))});
        QVERIFY(dialog.isVisible());
    }

    void updateButton()
    {
        Operator op;

        // A card closed while its check is under way: the check still
        // reports, in full (not silently), and the re-enable that was due on
        // the closed card harms nothing.
        m_server.setMode(ManifestServer::Mode::Answer);
        m_server.setAnswer(200, R"({"vellmark":{"version":"1.1.2"}})");
        auto* closed = new AboutDialog;
        closed->show();
        QPushButton* closedButton = button(closed, QStringLiteral("Check for Updates"));
        QTest::mouseClick(closedButton, Qt::LeftButton);
        QVERIFY(!closedButton->isEnabled());
        // Marks when the closed card's re-enable would have been due, at
        // the latest; it runs alongside the second card's wait below.
        bool closedCardDue = false;
        QTimer::singleShot(5300, Qt::PreciseTimer, this,
                           [&closedCardDue] { closedCardDue = true; });
        QTest::mouseClick(button(closed, QStringLiteral("Close")), Qt::LeftButton);
        QVERIFY(!closed->isVisible());
        delete closed;
        QTRY_COMPARE_WITH_TIMEOUT(op.boxes.size(), 1, 10000);
        QCOMPARE(op.boxes.first().text, QStringLiteral("You're up to date.\nVersion 1.1.2"));

        QCOMPARE(m_server.requests().size(), 1);
        const ManifestServer::Request& request = m_server.requests().first();
        QCOMPARE(request.connectTarget,
                 updateUrl.host().toUtf8() + ':' + QByteArray::number(updateUrl.port(443)));
        QCOMPARE(request.method, QByteArray("GET"));
        QCOMPARE(request.path, updateUrl.path().toUtf8());
        QCOMPARE(request.headers.value("user-agent"), QByteArray("Vellmark/1.1.2"));

        // A server that never answers: the button comes back after 5 s all
        // the same, and a second press starts a second check.
        m_server.forgetRequests();
        m_server.setMode(ManifestServer::Mode::Hold);
        AboutDialog dialog;
        dialog.show();
        QPushButton* update = button(&dialog, QStringLiteral("Check for Updates"));
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(update, Qt::LeftButton);
        QVERIFY(!update->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(update->isEnabled(), 8000);
        // Timers of this length may fire up to 5 % early.
        QVERIFY2(clock.elapsed() >= 4750, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(m_server.requests().size(), 1);
        QTest::mouseClick(update, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_server.requests().size(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(closedCardDue, 2000);
        QCOMPARE(op.boxes.size(), 1);
    }
};

VELLMARK_TEST_MAIN(TestAboutDialog)
#include "tst_aboutdialog.moc"

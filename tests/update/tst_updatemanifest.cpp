// SPDX-License-Identifier: GPL-3.0-or-later
// What the update check makes of an answer, without a network or a window.
#include "testsupport.h"
#include "update/updatemanifest.h"
#include "update/updater.h"

#include <QApplication>
#include <QTextDocument>
#include <QtTest>

class TestUpdateManifest : public QObject {
    Q_OBJECT

  private slots:
    void versions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("parsed");
        QTest::addColumn<bool>("newer"); // than 1.1.2, the running version
        QTest::newRow("same") << "1.1.2" << QList<int>{1, 1, 2} << false;
        QTest::newRow("numeric, not textual") << "1.1.10" << QList<int>{1, 1, 10} << true;
        QTest::newRow("two parts") << "1.2" << QList<int>{1, 2, 0} << true;
        QTest::newRow("fourth part ignored") << "1.1.2.9" << QList<int>{1, 1, 2} << false;
        QTest::newRow("older minor, higher patch") << "1.0.9" << QList<int>{1, 0, 9} << false;
        QTest::newRow("letter before the digits") << "v2.0.0" << QList<int>{0, 0, 0} << false;
        QTest::newRow("empty middle piece") << "1..3" << QList<int>{1, 0, 3} << false;
        QTest::newRow("beyond 32 bits") << "4294967297.0.0" << QList<int>{0, 0, 0} << false;
        QTest::newRow("largest int") << "2147483647" << QList<int>{2147483647, 0, 0} << true;
        QTest::newRow("negative") << "1.1.-5" << QList<int>{1, 1, -5} << false;
    }

    void versions()
    {
        QFETCH(QString, text);
        QTEST(parseVersion(text), "parsed");
        QTEST(isNewerVersion(text, QStringLiteral(VELLMARK_VERSION)), "newer");
        QVERIFY(!isNewerVersion(text, text));
    }

    void bodies_data()
    {
        const QByteArray full = R"({"other":{"version":"99"},"vellmark":{"version":"1.2.0",)"
                                R"("downloadUrl":"https://d/","releaseNotes":"Fixes"}})";
        const QByteArray gap(UpdateManifest::kMaxBytes - full.size(), ' ');
        const QStringList read{"1.2.0", "https://d/", "Fixes"}, none{"", "", ""};
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("read"); // version, download address, notes
        QTest::newRow("complete") << full << read;
        QTest::newRow("not strings")
            << QByteArray(R"({"vellmark":{"version":"1.3","downloadUrl":null,"releaseNotes":2}})")
            << QStringList{"1.3", "", ""};
        QTest::newRow("not JSON") << QByteArray("<html>Bad gateway</html>") << none;
        QTest::newRow("entry not an object") << QByteArray(R"({"vellmark":"2.0.0"})") << none;
        QTest::newRow("exactly the bound") << gap + full << read;
        QTest::newRow("a byte over the bound") << ' ' + gap + full << none;
    }

    void bodies()
    {
        QFETCH(QByteArray, body);
        const UpdateManifest m = UpdateManifest::parse(body);
        QTEST((QStringList{m.version, m.downloadUrl, m.releaseNotes}), "read");
    }

    // The server's text shows as text, never as markup; only an https page opens.
    void announcement_data()
    {
        const QString page = QStringLiteral("https://downloads.vellmark.app/latest");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("notes");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("opened");
        // clang-format off
        QTest::newRow("plain") << "1.2.0" << "" << page << true;
        QTest::newRow("markup in the version") << R"(9<img src="x"><a href="x">a</a>)" << "" << page << true;
        QTest::newRow("entity, placeholders") << "9 &amp; %2 %1" << "" << page << true;
        QTest::newRow("markup in the notes") << "9" << R"(<b>B</b> <a href="x">a</a>)" << page << true;
        QTest::newRow("ampersands, lines") << "9" << "Fish & chips, a &lt; b\n  two" << page << true;
        QTest::newRow("http page") << "9" << "" << "http://downloads.vellmark.app/latest" << false;
        QTest::newRow("script address") << "9" << "" << "javascript:alert(1)" << false;
        QTest::newRow("no address") << "9" << "" << "" << false;
        // clang-format on
    }

    void announcement()
    {
        QFETCH(QString, version);
        QFETCH(QString, notes);
        QFETCH(QString, address);
        QFETCH(bool, opened);
        const UpdateManifest m{version, address, notes};
        QTextDocument shown;
        shown.setHtml(m.announcement(QStringLiteral("1.1.2")));
        QCOMPARE(shown.toPlainText().replace(QChar::LineSeparator, '\n'),
                 QStringLiteral("Vellmark %1 is available\nYou have 1.1.2.").arg(version));
        // The box's label decides by itself whether the notes are markup;
        // they have to be, for the escaping to read right.
        QCOMPARE(Qt::mightBeRichText(m.notesText()), !notes.isEmpty());
        shown.setHtml(m.notesText());
        QCOMPARE(shown.toPlainText().replace(QChar::Nbsp, ' '), notes);
        QCOMPARE(m.downloadTarget(), opened ? QUrl(address) : QUrl());
    }

    // Only a test server on this machine can stand in for the built-in address.
    void testAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("taken");
        QTest::newRow("http, 127.0.0.1") << "http://127.0.0.1:4443/api/versions.json" << true;
        QTest::newRow("https, ::1") << "https://[::1]:4443/m" << true;
        QTest::newRow("http, another host") << "http://updates.example/m" << false;
        QTest::newRow("https, another host") << "https://updates.example/m" << false;
        QTest::newRow("a name for this machine") << "http://localhost/m" << false;
    }

    void testAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, taken);
        const QUrl builtIn(QStringLiteral(VELLMARK_UPDATE_URL));
        QCOMPARE(Updater::manifestUrl(), builtIn);
        QTEST(Updater::setManifestUrlForTesting(QUrl(address)), "taken");
        QCOMPARE(Updater::manifestUrl(), taken ? QUrl(address) : builtIn);
        QVERIFY(Updater::setManifestUrlForTesting(QUrl()));
    }
};

VELLMARK_TEST_MAIN(TestUpdateManifest)
#include "tst_updatemanifest.moc"

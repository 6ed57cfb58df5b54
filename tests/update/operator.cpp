// SPDX-License-Identifier: GPL-3.0-or-later
#include "operator.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QtTest>

namespace {
const char* const schemes[] = {"https", "http", "file", "ftp", "javascript", "data", "mailto"};
}

Operator::Operator(QObject* parent) : QObject(parent)
{
    for (const char* scheme : schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
    m_poll.setInterval(10);
    connect(&m_poll, &QTimer::timeout, this, &Operator::look);
    m_poll.start();
}

Operator::~Operator()
{
    for (const char* scheme : schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void Operator::look()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("operatorAnswered").toBool())
        return;
    box->setProperty("operatorAnswered", true);

    Box seen;
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informativeText = box->informativeText();
    seen.icon = box->icon();
    seen.textFormat = box->textFormat();
    const QList<QAbstractButton*> buttons = box->buttons();
    for (QAbstractButton* b : buttons) {
        seen.buttons.append(b->text().remove(QLatin1Char('&')));
        seen.roles.append(box->buttonRole(b));
    }
    boxes.append(seen);

    const QString answer = m_answers.isEmpty() ? QStringLiteral("Escape") : m_answers.takeFirst();
    if (answer == QLatin1String("Escape")) {
        QTest::keyClick(box, Qt::Key_Escape);
        return;
    }
    for (QAbstractButton* b : buttons) {
        if (b->text().remove(QLatin1Char('&')) == answer) {
            b->click();
            return;
        }
    }
    // An answer the box does not offer: leave it, so the test sees the
    // mismatch, but do not block the run.
    QTest::keyClick(box, Qt::Key_Escape);
}

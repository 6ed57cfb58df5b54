// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>

// Plays the operator for the update flows: answers every message box the
// program puts up (noting what it showed) and catches every address the
// program hands to the desktop instead of opening it.
class Operator : public QObject {
    Q_OBJECT

  public:
    struct Box {
        QString title;
        QString text;
        QString informativeText;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        Qt::TextFormat textFormat = Qt::AutoText;
        QStringList buttons; // as QMessageBox::buttons() lists them
        QList<QMessageBox::ButtonRole> roles;
    };

    explicit Operator(QObject* parent = nullptr);
    ~Operator() override;

    // The answers to give, one per box in order: a button's text or "Escape".
    // Once they run out every further box is left with Escape.
    void setAnswers(const QStringList& answers) { m_answers = answers; }

    QList<Box> boxes;
    QList<QUrl> opened;

  public slots:
    void openUrl(const QUrl& url) { opened.append(url); }

  private:
    void look();

    QTimer m_poll;
    QStringList m_answers;
};

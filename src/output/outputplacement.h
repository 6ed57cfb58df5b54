// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QScreen;
class QWidget;

// Where the audience window goes and whether it is up, kept right while
// screens come and go during a show. The output goes full-screen on a screen
// that is not the operator's; when that screen disappears the output is taken
// down at once (never left to fall onto the operator's screen) and a notice
// says so; when a screen other than the operator's appears while the output is
// meant to be up, the output goes full-screen there by itself.
class OutputPlacement : public QObject {
    Q_OBJECT

  public:
    // output is the audience window, operatorWindow the one whose screen the
    // output must never cover; both must outlive this object.
    OutputPlacement(QWidget* output, QWidget* operatorWindow, QObject* parent = nullptr);

    // The operator asks for the output: full-screen on the first screen, in the
    // toolkit's order, that is not the operator's, or as an 800 × 500 window
    // when there is no other screen.
    void show();
    // The operator takes the output down; it stays down whatever screens
    // appear. Closing the output window itself counts the same.
    void hide();

    // Whether the operator wants the output up, even while no screen can take it.
    bool isMeantVisible() const { return m_meantVisible; }
    // What the operator must know about the output's screen; empty while all is well.
    QString notice() const { return m_notice; }

  signals:
    void noticeChanged(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void onScreenAdded(QScreen* screen);
    void onScreenRemoved(QScreen* screen);
    void showFullScreenOn(QScreen* screen);
    bool isOnStageScreen() const;
    void setNotice(const QString& text);

    QWidget* m_output;
    QWidget* m_operator;
    // The screen the output was put on full-screen; null while it is windowed
    // or its screen has gone.
    QPointer<QScreen> m_target;
    bool m_meantVisible = false;
    // Set while the output is taken down for a lost screen, so that hiding is
    // not mistaken for the operator's choice.
    bool m_hidingForLostScreen = false;
    QString m_notice;
};

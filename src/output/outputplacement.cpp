// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/outputplacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

OutputPlacement::OutputPlacement(QWidget* output, QWidget* operatorWindow, QObject* parent)
    : QObject(parent), m_output(output), m_operator(operatorWindow)
{
    // screenRemoved arrives while the dying screen still exists and before the
    // toolkit moves its windows to the primary screen, which may be the
    // operator's: the output is hidden here, before it could appear there.
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &OutputPlacement::onScreenRemoved);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &OutputPlacement::onScreenAdded);
    m_output->installEventFilter(this);
    // The keyboard stays with the operator whenever the output appears, at
    // start-up and when it comes back by itself in the middle of a show.
    m_output->setAttribute(Qt::WA_ShowWithoutActivating);
}

void OutputPlacement::show()
{
    m_meantVisible = true;
    setNotice({});
    QScreen* own = m_operator->screen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* s : screens) {
        if (s != own) {
            showFullScreenOn(s);
            return;
        }
    }
    m_target = nullptr;
    m_output->setWindowState(m_output->windowState() & ~Qt::WindowFullScreen);
    m_output->resize(800, 500);
    m_output->show();
}

void OutputPlacement::hide()
{
    m_output->hide();
    // A window that was already down sends no hide event; the choice counts all the same.
    m_meantVisible = false;
    setNotice({});
}

bool OutputPlacement::eventFilter(QObject* watched, QEvent* event)
{
    // Whatever took the output down, if it was not a lost screen it was the
    // operator (the toggle, or the output window's own close button).
    if (watched == m_output && event->type() == QEvent::Hide && !m_output->isVisible() &&
        !m_hidingForLostScreen) {
        m_meantVisible = false;
        setNotice({});
    }
    return QObject::eventFilter(watched, event);
}

void OutputPlacement::onScreenRemoved(QScreen* screen)
{
    const bool outputsScreen = screen == m_target || m_output->screen() == screen;
    if (!outputsScreen || screen == m_operator->screen())
        return;
    m_target = nullptr;
    if (!m_meantVisible)
        return;
    m_hidingForLostScreen = true;
    m_output->hide();
    m_hidingForLostScreen = false;
    const QString name =
        screen->name().isEmpty() ? QString() : QStringLiteral(" “%1”").arg(screen->name());
    setNotice(QStringLiteral("⚠  Output screen%1 disconnected — the audience sees no timer. "
                             "The output comes back by itself when a screen is connected.")
                  .arg(name));
}

void OutputPlacement::onScreenAdded(QScreen* screen)
{
    if (!m_meantVisible || screen == m_operator->screen() || isOnStageScreen())
        return;
    showFullScreenOn(screen);
    setNotice({});
}

bool OutputPlacement::isOnStageScreen() const
{
    return m_output->isVisible() && m_output->isFullScreen() &&
           m_output->screen() != m_operator->screen();
}

void OutputPlacement::showFullScreenOn(QScreen* screen)
{
    m_target = screen;
    // Leave full-screen first: a window still full-screen from an earlier
    // screen would keep that screen's geometry.
    m_output->setWindowState(m_output->windowState() & ~Qt::WindowFullScreen);
    if (QWindow* window = m_output->windowHandle())
        window->setScreen(screen);
    m_output->setGeometry(screen->geometry());
    // Not showFullScreen(): that also activates the window, taking the
    // keyboard from the operator.
    m_output->setWindowState(m_output->windowState() | Qt::WindowFullScreen);
    m_output->show();
}

void OutputPlacement::setNotice(const QString& text)
{
    if (text == m_notice)
        return;
    m_notice = text;
    emit noticeChanged(m_notice);
}

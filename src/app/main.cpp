// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appwindows.h"
#include "app/commandline.h"
#include "app/startupwork.h"
#include "app/theme.h"
#include "app/unixsignalquitter.h"
#include "control/controlwindow.h"
#include "remote/networkparts.h"
#include "remote/remotepanel.h"
#include "remote/viewaddresspanel.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QIcon>
#include <QPixmap>

#include <algorithm>
#include <future>
#include <memory>

int main(int argc, char** argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();
    if (const auto exitCode = CommandLine::answerBeforeStart(argc, argv))
        return *exitCode;

    // Read while the application object connects to the display.
    auto fontConfiguration = std::async(std::launch::async, StartupWork::readFontConfiguration);
    QApplication app(argc, argv);
    // The font database, on the second core while the main thread reads the
    // settings and sets the theme.
    auto fontDatabase = std::async(std::launch::async, StartupWork::readFontDatabase);
    setKnownFaces(fontConfiguration.get());
    QApplication::setApplicationName(QStringLiteral("Vellmark"));
    QApplication::setOrganizationName(QStringLiteral("Tellurith"));
    if (const auto exitCode = CommandLine::rejectLeftovers(QApplication::arguments()))
        return *exitCode;

    // The desktop entry, so task bars and Wayland compositors match the
    // windows to the installed entry and show its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("app.tellurith.Vellmark"));
    // The window icon's pictures, decoded on another core meanwhile.
    auto iconImages = std::async(std::launch::async, StartupWork::windowIconImages);

    // A terminal's Ctrl+C or a service manager's SIGTERM ends the run through
    // the event loop, like closing the operator's window.
    UnixSignalQuitter quitter;

    AppSettings settings;
    loadSettings(settings);

    TimerEngine engine;
    engine.setDuration(settings.defaultDuration);
    engine.setOvertimeEnabled(settings.overtimeEnabled);

    AppWindows windows(&settings, &engine);

    // The window icon, for task bars and window lists on X11, follows the
    // first frame: handing its six sizes to the window system for each window
    // (some 700 KB) is nothing the first frame shows.
    QObject::connect(
        &windows.control(), &ControlWindow::firstFrameShown, &app,
        [&iconImages] {
            QIcon icon;
            for (const QImage& image : iconImages.get())
                icon.addPixmap(QPixmap::fromImage(image));
            QApplication::setWindowIcon(icon);
        },
        Qt::SingleShotConnection);

    // Where remote control listens and what came in, and where browsers open
    // the live view: in the control window from the first frame.
    ensureRemoteToken(settings);
    auto* remotePanel = new RemotePanel;
    windows.control().addFooter(remotePanel);
    auto* viewAddress = new ViewAddressPanel;
    windows.control().addPanelSection(QStringLiteral("Live View"), viewAddress);

    // The network side (the remote listeners with the live view, the update
    // check) is a plug-in with the network and TLS libraries behind it: it
    // is loaded once both windows are on the screen, and the panels follow
    // it from then on. The update check still runs 3 s after the start.
    std::unique_ptr<RemoteControl> remote;
    QObject::connect(
        &windows.control(), &ControlWindow::firstFrameShown, &app,
        [&] {
            NetworkParts* parts = NetworkParts::instance();
            if (!parts) {
                remotePanel->showUnavailable();
                return;
            }
            remote.reset(parts->createRemoteControl(&windows.showController(), nullptr));
            remotePanel->follow(remote.get());
            viewAddress->follow(remote.get());
            remote->restart();
            parts->armStartupCheck(
                &app, int(std::max<qint64>(
                          0, NetworkParts::kStartupCheckDelayMs - sinceStart.elapsed())));
        },
        Qt::SingleShotConnection);

    // Everything is in the control window: both windows go on the screen.
    windows.show();

    return app.exec();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/appwindows.h"
#include "app/commandline.h"
#include "app/startupwork.h"
#include "app/unixsignalquitter.h"
#include "control/controlwindow.h"
#include "remote/remotepanel.h"
#include "remote/remoteserver.h"
#include "remote/viewaddresspanel.h"
#include "remote/viewpage.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"
#include "update/updater.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <future>

int main(int argc, char** argv)
{
    if (const auto exitCode = CommandLine::answerBeforeStart(argc, argv))
        return *exitCode;

    // Read while the application object connects to the display.
    auto fontConfiguration = std::async(std::launch::async, StartupWork::readFontConfiguration);
    QApplication app(argc, argv);
    fontConfiguration.wait();
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

    // Remote control, as the settings say; the control window shows where it
    // listens and what came in.
    ensureRemoteToken(settings);
    RemoteServer remote(&windows.showController());
    // The listeners (and the TLS set-up the HTTP server makes as it is built)
    // come up once both windows are on the screen: the first frame does not
    // need them, and the operator sees where they listen a moment later.
    QObject::connect(&windows.control(), &ControlWindow::firstFrameShown, &remote,
                     &RemoteServer::restart);
    windows.control().addFooter(new RemotePanel(&remote));
    // The live view for browsers on the same port, and where to open it.
    ViewPage::addTo(remote);
    auto* viewAddress = new ViewAddressPanel;
    viewAddress->follow(&remote);
    windows.control().addPanelSection(QStringLiteral("Live View"), viewAddress);

    // Everything is in the control window: both windows go on the screen.
    windows.show();

    // The silent update check, owned by the application object, 3 s from now.
    Updater::armStartupCheck(&app);

    return app.exec();
}

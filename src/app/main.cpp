#include "app/appwindows.h"
#include "settings/appsettings.h"
#include "timer/timerengine.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellmark"));
    QApplication::setOrganizationName(QStringLiteral("Tellurith"));

    AppSettings settings;
    loadSettings(settings);

    TimerEngine engine;
    engine.setDuration(settings.defaultDuration);
    engine.setOvertimeEnabled(settings.overtimeEnabled);

    AppWindows windows(&settings, &engine);

    // Start-up update check: the Updater is created here, owned by the
    // application object, arming its silent check for 3000 ms later.

    return app.exec();
}

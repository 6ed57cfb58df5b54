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

    return 0;
}

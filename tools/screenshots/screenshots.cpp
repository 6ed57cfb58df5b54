// SPDX-License-Identifier: GPL-3.0-or-later
// Renders the screenshots of the documentation from the program's real windows:
// the control window, the output window in its normal, warning, critical,
// count-to-a-time and clock-only looks, the settings dialog and the About card.
//
// Everything that could make two renderings differ is pinned: Qt's offscreen
// platform with a fixed pair of screens at 96 DPI, an empty settings store in
// the private home of tests/support (never the user's own), a fixed set of font
// files, the Fusion style, a fixed wall-clock text and, for the count to a
// time of day, a fixed clock in the engine. The same build so
// renders the same pictures on any Debian 12 machine set up by
// scripts/setup.sh.
//
// Usage: vellmark-screenshots <output folder>

#include "app/appwindows.h"
#include "privatehome.h"
#include "settings/appsettings.h"
#include "settings/settingsdialog.h"
#include "timer/timerengine.h"
#include "update/aboutdialog.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTextStream>
#include <QTimeEdit>

#include <cstdio>
#include <memory>

namespace {

// The operator's screen holds the control window; the stage's screen, where
// the output window opens full-screen as at start-up, is 1280 × 720 so the
// pictures stay small while showing the window as the audience sees it.
const char* const kScreens = R"({"screens":[)"
                             R"({"name":"Operator","x":0,"y":0,"width":1920,"height":1080,)"
                             R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1},)"
                             R"({"name":"Stage","x":1920,"y":0,"width":1280,"height":720,)"
                             R"("logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})";
const QSize kStageSize(1280, 720);
const QSize kControlSize(560, 760);

struct FontFile {
    const char* path;
    const char* package;
};

// The only fonts the renderer sees: the theme's sans-serif and monospace
// families, and the symbols of the transport and view captions (⏸ ⏱ 🕐).
const FontFile kFonts[] = {
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "fonts-dejavu-core"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", "fonts-dejavu-core"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf", "fonts-dejavu-core"},
    {"/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf", "fonts-dejavu-core"},
    {"/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf", "fonts-symbola"},
};

const char* const kFontConfig = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>%1</dir>
  <cachedir>%2</cachedir>
  <alias binding="strong"><family>sans-serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="strong"><family>Sans Serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="strong"><family>serif</family><prefer><family>DejaVu Sans</family></prefer></alias>
  <alias binding="strong"><family>monospace</family><prefer><family>DejaVu Sans Mono</family></prefer></alias>
  <match target="font">
    <edit name="antialias" mode="assign"><bool>true</bool></edit>
    <edit name="hinting" mode="assign"><bool>true</bool></edit>
    <edit name="hintstyle" mode="assign"><const>hintslight</const></edit>
    <edit name="rgba" mode="assign"><const>none</const></edit>
  </match>
</fontconfig>
)";

// The About card is translucent; it is shown over this neutral desktop colour.
const QColor kDesktop(0x3a, 0x3e, 0x44);

const char* const kMessage = "Please wrap up — Q&A next";
const char* const kNextMessage = "Next talk at 14:30";

bool fail(const QString& what)
{
    QTextStream(stderr) << "vellmark-screenshots: " << what << '\n';
    return false;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Points fontconfig and Qt's platform into the private home; clears what could
// scale or restyle the windows. Runs before the application object exists.
bool prepareEnvironment(const QString& root)
{
    const QString fonts = root + QStringLiteral("/fonts");
    for (const char* sub : {"fonts", "fontcache"})
        if (!QDir(root).mkpath(QLatin1String(sub)))
            return fail(QStringLiteral("cannot create %1/%2").arg(root, QLatin1String(sub)));

    for (const FontFile& font : kFonts) {
        const QString path = QString::fromUtf8(font.path);
        if (!QFile::exists(path))
            return fail(QStringLiteral("%1 is missing; install the package %2 (scripts/setup.sh)")
                            .arg(path, QLatin1String(font.package)));
        if (!QFile::link(path, fonts + QLatin1Char('/') + QFileInfo(path).fileName()))
            return fail(QStringLiteral("cannot link %1 into %2").arg(path, fonts));
    }
    const QString fontConfig = root + QStringLiteral("/fonts.conf");
    if (!writeFile(fontConfig, QString::fromUtf8(kFontConfig)
                                   .arg(fonts, root + QStringLiteral("/fontcache"))
                                   .toUtf8()))
        return fail(QStringLiteral("cannot write %1").arg(fontConfig));

    const QString screens = root + QStringLiteral("/screens.json");
    if (!writeFile(screens, QByteArray(kScreens)))
        return fail(QStringLiteral("cannot write %1").arg(screens));

    qputenv("FONTCONFIG_FILE", fontConfig.toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", ("offscreen:configfile=" + screens).toLocal8Bit());
    for (const char* name :
         {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_ENABLE_HIGHDPI_SCALING",
          "QT_SCALE_FACTOR_ROUNDING_POLICY", "QT_FONT_DPI", "QT_STYLE_OVERRIDE",
          "QT_QPA_PLATFORMTHEME", "QT_QPA_FONTDIR"})
        qunsetenv(name);
    return true;
}

void settle()
{
    // Twice: laying out one widget may post the layout request of its parent.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

void step(TimerEngine& engine, int times)
{
    // The engine's own one-second step, taken without waiting for the seconds.
    for (int i = 0; i < times; ++i)
        QMetaObject::invokeMethod(&engine, "onTimeout", Qt::DirectConnection);
}

QPushButton* buttonCaptioned(QWidget* root, const QString& caption)
{
    const auto buttons = root->findChildren<QPushButton*>();
    for (QPushButton* b : buttons)
        if (b->text() == caption)
            return b;
    return nullptr;
}

// The wall clock is the output window's readout showing a time of day. Its
// text is fixed right before each grab, with no event processed in between,
// so the clock's own 500 ms refresh cannot overwrite it. The callers settle
// the layout before they step the engine, for the same reason: no timer of
// the window may fire between the last step and the grab.
QLabel* clockLabel(OutputWindow& output)
{
    static const QRegularExpression timeOfDay(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    const auto labels = output.findChildren<QLabel*>();
    for (QLabel* l : labels)
        if (timeOfDay.match(l->text()).hasMatch())
            return l;
    return nullptr;
}

QLabel* readoutLabel(OutputWindow& output, const QString& text)
{
    const auto labels = output.findChildren<QLabel*>();
    for (QLabel* l : labels)
        if (l->text() == text)
            return l;
    return nullptr;
}

class Renderer {
  public:
    explicit Renderer(const QString& outDir) : m_outDir(outDir) {}

    bool run();

  private:
    bool save(const QPixmap& picture, const QString& name);
    bool grabOutput(const QString& name, const QString& readout, const QString& clock);
    bool pushMessage(const QString& text);

    QString m_outDir;
    AppSettings m_settings;
    TimerEngine m_engine;
    std::unique_ptr<AppWindows> m_windows;
};

bool Renderer::save(const QPixmap& picture, const QString& name)
{
    const QString path = m_outDir + QLatin1Char('/') + name + QStringLiteral(".png");
    if (!picture.save(path, "PNG", 9))
        return fail(QStringLiteral("cannot write %1").arg(path));
    QTextStream(stdout) << path << '\n';
    return true;
}

bool Renderer::grabOutput(const QString& name, const QString& readout, const QString& clock)
{
    OutputWindow& output = m_windows->output();
    if (!readout.isEmpty()) {
        QLabel* timer = readoutLabel(output, readout);
        if (!timer || !timer->isVisible())
            return fail(
                QStringLiteral("%1: the output window does not show %2").arg(name, readout));
        // In the hidden half of the blink the readout is drawn in the background.
        if (timer->styleSheet().contains(m_settings.bgColor.name()))
            return fail(QStringLiteral("%1: the readout is in its hidden blink half").arg(name));
    }
    QLabel* clockText = clockLabel(output);
    if (!clockText)
        return fail(QStringLiteral("%1: the output window shows no wall clock").arg(name));
    clockText->setText(clock);
    return save(output.grab(), name);
}

bool Renderer::pushMessage(const QString& text)
{
    ControlWindow& control = m_windows->control();
    QLineEdit* edit = nullptr;
    const auto edits = control.findChildren<QLineEdit*>();
    for (QLineEdit* e : edits)
        if (!e->placeholderText().isEmpty())
            edit = e;
    QPushButton* push = buttonCaptioned(&control, QStringLiteral("Push"));
    if (!edit || !push)
        return fail(QStringLiteral("the control window has no message entry"));
    edit->setText(text);
    push->click();
    return true;
}

bool Renderer::run()
{
    // As start-up does it, from the empty private store: the defaults.
    loadSettings(m_settings);
    // A fixed token, so the Remote page looks the same on every run.
    m_settings.remoteToken = QStringLiteral("3f9c0e71a2b84d56c7e0193a8b2f6d45");
    m_engine.setDuration(m_settings.defaultDuration);
    m_engine.setOvertimeEnabled(m_settings.overtimeEnabled);
    m_windows = std::make_unique<AppWindows>(&m_settings, &m_engine);
    m_windows->show();

    ControlWindow& control = m_windows->control();
    OutputWindow& output = m_windows->output();
    settle();
    if (control.size() != kControlSize)
        return fail(QStringLiteral("the control window opened at %1 × %2, not %3 × %4")
                        .arg(control.width())
                        .arg(control.height())
                        .arg(kControlSize.width())
                        .arg(kControlSize.height()));
    if (output.size() != kStageSize || !output.isFullScreen())
        return fail(QStringLiteral("the output window is not full-screen on the stage's screen"));

    // The operator picks the 15 min preset and starts; 12:34 remain.
    auto* presets = control.findChild<QListWidget*>(QStringLiteral("presetList"));
    if (!presets || presets->count() < 3)
        return fail(QStringLiteral("the control window has no preset strip"));
    presets->setCurrentRow(2);
    emit presets->itemClicked(presets->item(2));
    if (m_engine.remaining() != 900)
        return fail(QStringLiteral("the third preset did not set 15:00"));
    settle();
    step(m_engine, 900 - (12 * 60 + 34));
    if (!grabOutput(QStringLiteral("output-normal"), QStringLiteral("12:34"),
                    QStringLiteral("14:07:21")))
        return false;

    // The control window while running, a message typed and not yet pushed.
    // Nothing is processed between start and pause, so the engine's own
    // second cannot pass.
    const auto edits = control.findChildren<QLineEdit*>();
    for (QLineEdit* e : edits)
        if (!e->placeholderText().isEmpty())
            e->setText(QString::fromUtf8(kMessage));
    settle();
    m_engine.start();
    const QPixmap controlPicture = control.grab();
    m_engine.pause();
    if (!save(controlPicture, QStringLiteral("control")))
        return false;

    // Forty-five seconds left: amber, and the message is on the stage.
    if (!pushMessage(QString::fromUtf8(kMessage)))
        return false;
    settle();
    step(m_engine, 12 * 60 + 34 - 45);
    if (!grabOutput(QStringLiteral("output-warning"), QStringLiteral("00:45"),
                    QStringLiteral("14:19:10")))
        return false;

    // Seven seconds into overtime, message cleared. The steps run without the
    // event loop, so the blink that began at zero is still in its visible half.
    QPushButton* clear = buttonCaptioned(&control, QStringLiteral("Clear"));
    if (!clear)
        return fail(QStringLiteral("the control window has no Clear button"));
    clear->click();
    settle();
    step(m_engine, 45 + 7);
    if (!grabOutput(QStringLiteral("output-critical"), QStringLiteral("-00:07"),
                    QStringLiteral("14:20:02")))
        return false;

    // The next session ends at 14:30: set at 14:07:21 by the engine's clock,
    // the same moment the output's wall clock shows.
    m_engine.setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(14, 7, 21)); });
    auto* endsAt = control.findChild<QTimeEdit*>();
    auto* setTarget = control.findChild<QPushButton*>(QStringLiteral("setTargetBtn"));
    if (!endsAt || !setTarget)
        return fail(QStringLiteral("the control window has no Ends at entry"));
    endsAt->setTime(QTime(14, 30));
    setTarget->click();
    settle();
    if (!grabOutput(QStringLiteral("output-target"), QStringLiteral("22:39"),
                    QStringLiteral("14:07:21")))
        return false;

    // Between talks: the clock alone, the next duration set, a note to the room.
    QPushButton* clockView = buttonCaptioned(&control, QStringLiteral("🕐  Clock"));
    if (!clockView)
        return fail(QStringLiteral("the control window has no clock view button"));
    clockView->click();
    presets->setCurrentRow(3);
    emit presets->itemClicked(presets->item(3));
    if (!pushMessage(QString::fromUtf8(kNextMessage)))
        return false;
    settle();
    if (!grabOutput(QStringLiteral("output-clock"), QString(), QStringLiteral("14:26:45")))
        return false;

    {
        // The dialog as it opens, on its Clock page ("settings"), and each
        // of its other pages ("settings-colors" and so on).
        SettingsDialog dialog(&m_settings, &control);
        dialog.show();
        settle();
        auto* tabs = dialog.findChild<QTabWidget*>();
        if (!tabs)
            return fail(QStringLiteral("the settings dialog has no pages"));
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            settle();
            const QString name = page == 0
                                     ? QStringLiteral("settings")
                                     : QStringLiteral("settings-") +
                                           tabs->tabText(page).remove(QLatin1Char('&')).toLower();
            if (!save(dialog.grab(), name))
                return false;
        }
        dialog.reject();
    }

    // The card over a plain desktop, as it appears over the operator's screen.
    AboutDialog about(&control);
    about.show();
    settle();
    QPixmap card(about.size());
    card.fill(kDesktop);
    {
        QPainter painter(&card);
        about.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    about.reject();
    return save(card, QStringLiteral("about"));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vellmark-screenshots <output folder>\n");
        return 2;
    }
    const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(outDir)) {
        fail(QStringLiteral("cannot create %1").arg(outDir));
        return 1;
    }

    PrivateHome home;
    if (home.path().isEmpty() || !prepareEnvironment(home.path()))
        return 1;

    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vellmark"));
    QApplication::setOrganizationName(QStringLiteral("Tellurith"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    Renderer renderer(outDir);
    return renderer.run() ? 0 : 1;
}

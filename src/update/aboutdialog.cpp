// SPDX-License-Identifier: GPL-3.0-or-later
#include "update/aboutdialog.h"

#include "remote/networkparts.h"

#include <QDesktopServices>
#include <QFrame>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char* const kCardStyle =
    "QWidget#aboutCard { background: qlineargradient(x1:0,y1:0,x2:0,y2:1, "
    "stop:0 #2e2e2e, stop:1 #1a1a1a); border: 2px solid #444444; "
    "border-radius: 16px; }";

// No padding: the application theme pads every push button, which would leave
// no room for the glyph inside the 28-px square.
const char* const kCornerCloseStyle =
    "QPushButton { background: none; border: none; color: #888; font-size: 20px; "
    "border-radius: 4px; padding: 0px; }"
    "QPushButton:hover { color: #ff6b6b; background: rgba(255,107,107,0.1); }";

const char* const kLinkStyle = "QPushButton { background: none; border: none; color: #22c55e; "
                               "font-size: 12px; font-weight: bold; letter-spacing: 0.5px; }"
                               "QPushButton:hover { color: #4ade80; }";

// Style sheets ignore "opacity" on push buttons, so the disabled button (the
// 5 s after a press) is drawn at half strength through its colours instead.
const char* const kUpdateStyle =
    "QPushButton { background: rgba(34,197,94,0.1); border: 1px solid rgba(34,197,94,0.3); "
    "color: #22c55e; font-size: 12px; font-weight: bold; padding: 8px 24px; border-radius: 8px; "
    "letter-spacing: 0.5px; }"
    "QPushButton:hover { background: rgba(34,197,94,0.2); border-color: rgba(34,197,94,0.5); }"
    "QPushButton:disabled { background: rgba(34,197,94,0.05); border-color: rgba(34,197,94,0.15); "
    "color: rgba(34,197,94,0.5); }";

const char* const kCloseStyle =
    "QPushButton { background: #2e2e2e; border: 1px solid #555; color: #cccccc; "
    "font-size: 12px; padding: 7px 32px; border-radius: 8px; }"
    "QPushButton:hover { background: #3a3a3a; border-color: #777; color: #ffffff; }";

// How long the update button stays disabled after a press.
constexpr int kUpdateButtonPauseMs = 5000;

// The maker's site: shown without a scheme, opened over https only.
const char* const kWebSiteText = "tellurith-labs.app";
const char* const kWebSiteUrl = "https://tellurith-labs.app/";

QFrame* makeGradientSeparator()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setStyleSheet(QStringLiteral(
        "QFrame { background: qlineargradient(x1:0,y1:0,x2:1,y2:0,stop:0 transparent, stop:0.5 "
        "#555555, stop:1 transparent);border:none; max-height:1px; }"));
    return line;
}

QLabel* makeLabel(const QString& text, const char* style)
{
    auto* label = new QLabel(text);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QString::fromUtf8(style));
    return label;
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Vellmark"));
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedWidth(340);

    auto* card = new QWidget(this);
    card->setObjectName(QStringLiteral("aboutCard"));
    card->setStyleSheet(QString::fromUtf8(kCardStyle));

    auto* shadow = new QGraphicsDropShadowEffect;
    shadow->setBlurRadius(40.0);
    shadow->setColor(QColor(0, 0, 0, 160));
    shadow->setOffset(0.0, 8.0);
    card->setGraphicsEffect(shadow);

    auto* layout = new QVBoxLayout(card);
    layout->setContentsMargins(36, 20, 36, 28);
    layout->setSpacing(0);

    auto* closeRow = new QHBoxLayout;
    closeRow->addStretch(0);
    auto* cornerClose = new QPushButton(QStringLiteral("×"));
    cornerClose->setFixedSize(28, 28);
    cornerClose->setStyleSheet(QString::fromUtf8(kCornerCloseStyle));
    connect(cornerClose, &QPushButton::clicked, this, &QDialog::accept);
    closeRow->addWidget(cornerClose);
    layout->addLayout(closeRow);

    // Without the logo resource the label simply stays empty.
    auto* logo = new QLabel;
    const QPixmap logoPixmap(QStringLiteral(":/assets/VELLMARK LOGO DESKTOP NO BACKGROUND.png"));
    if (!logoPixmap.isNull())
        logo->setPixmap(logoPixmap.scaled(64, 64, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logo->setAlignment(Qt::AlignCenter);
    logo->setStyleSheet(QStringLiteral("background:none;"));
    layout->addWidget(logo);
    layout->addSpacing(8);

    layout->addWidget(makeLabel(QStringLiteral("VELLMARK"),
                                "color:#ffffff; font-size:20px; font-weight:bold; "
                                "letter-spacing:3px; background:none;"));
    layout->addWidget(makeLabel(QStringLiteral("v%1").arg(QStringLiteral(VELLMARK_VERSION)),
                                "color:#aaaaaa; font-size:12px; font-weight:bold; "
                                "letter-spacing:1px; margin-top:4px; background:none;"));
    layout->addSpacing(14);

    layout->addWidget(makeGradientSeparator());
    layout->addSpacing(12);

    layout->addWidget(
        makeLabel(QStringLiteral("Professional Vellmark for Events"),
                  "color:#ffffff; font-size:11px; letter-spacing:0.5px; background:none;"));
    layout->addSpacing(6);
    // One line names the licence; its full text ships as LICENSE.
    layout->addWidget(makeLabel(QStringLiteral("© 2026 Tellurith\n"
                                               "Designed and developed by Tellurith\n"
                                               "Free software: GNU GPL v3 or later"),
                                "color:#888888; font-size:10px; background:none;"));
    layout->addSpacing(12);

    layout->addWidget(makeGradientSeparator());
    layout->addSpacing(10);

    auto* webLink = new QPushButton(QString::fromUtf8(kWebSiteText));
    webLink->setStyleSheet(QString::fromUtf8(kLinkStyle));
    webLink->setCursor(Qt::PointingHandCursor);
    connect(webLink, &QPushButton::clicked, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kWebSiteUrl))); });
    layout->addWidget(webLink, 0, Qt::AlignHCenter);
    layout->addSpacing(10);

    layout->addWidget(makeGradientSeparator());
    layout->addSpacing(12);

    auto* updateButton = new QPushButton(QStringLiteral("Check for Updates"));
    updateButton->setStyleSheet(QString::fromUtf8(kUpdateStyle));
    connect(updateButton, &QPushButton::clicked, this, [this, updateButton] {
        updateButton->setEnabled(false);
        startReportedUpdateCheck(this);
        // The button is the timer's context, so closing the card cancels the
        // re-enable while the check itself carries on and reports.
        QTimer::singleShot(kUpdateButtonPauseMs, updateButton,
                           [updateButton] { updateButton->setEnabled(true); });
    });
    layout->addWidget(updateButton, 0, Qt::AlignHCenter);
    layout->addSpacing(16);

    auto* closeButton = new QPushButton(QStringLiteral("Close"));
    closeButton->setStyleSheet(QString::fromUtf8(kCloseStyle));
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(closeButton, 0, Qt::AlignHCenter);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 20, 20, 20);
    outer->addWidget(card);

    setModal(true);
}

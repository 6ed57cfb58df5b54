// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/stepper.h"

#include "control/placedstyle.h"

#include <QAbstractSpinBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QWidget>

namespace {

const char* const kSpinStyle = "QAbstractSpinBox { background: #2b2b2b; color: #e8e8e8; "
                               "border-top: 1px solid #444; border-bottom: 1px solid #444; "
                               "border-left: none; border-right: none; border-radius: 0; "
                               "padding: 6px 6px; }";

const char* const kButtonStyle =
    "QPushButton { background: #3a3a3a; color: #ffffff; font-size: 11px; font-weight: bold; "
    "border: 1px solid #444; padding: 0 8px 4px 8px; }"
    "QPushButton:hover { background: #505050; color: #ffffff; }"
    "QPushButton:pressed { background: #1a6633; color: #ffffff; }"
    // The theme's minimum content height of push buttons (28 px, plus the 4 px
    // bottom padding and the borders) would grow the buttons to 34 px inside
    // the 32 px strip and cut off their bottom border. 26 px of content make
    // exactly the fixed 32.
    "QPushButton { min-height: 26px; }";

} // namespace

QWidget* makeStepper(QAbstractSpinBox* spin)
{
    spin->setButtonSymbols(QAbstractSpinBox::NoButtons);
    spin->setAlignment(Qt::AlignCenter);
    spin->setMinimumWidth(80);
    styleWhenPlaced(spin, QLatin1String(kSpinStyle));

    auto* down = new QPushButton(QStringLiteral("◀"));
    auto* up = new QPushButton(QStringLiteral("▶"));
    styleWhenPlaced(
        down, QLatin1String(kButtonStyle) +
        QLatin1String("QPushButton { border-radius:3px 0 0 3px; border-right:none; }"));
    styleWhenPlaced(
        up, QLatin1String(kButtonStyle) +
        QLatin1String("QPushButton { border-radius:0 3px 3px 0; border-left:none; }"));

    down->setFixedSize(28, 32);
    up->setFixedSize(28, 32);
    spin->setFixedHeight(32);

    QObject::connect(down, &QPushButton::clicked, spin, &QAbstractSpinBox::stepDown);
    QObject::connect(up, &QPushButton::clicked, spin, &QAbstractSpinBox::stepUp);

    auto* wrapper = new QWidget;
    wrapper->setFixedHeight(32);
    wrapper->setAttribute(Qt::WA_TranslucentBackground);

    auto* row = new QHBoxLayout(wrapper);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->setAlignment(Qt::AlignVCenter);
    row->addWidget(down, 0, Qt::AlignVCenter);
    row->addWidget(spin, 0, Qt::AlignVCenter);
    row->addWidget(up, 0, Qt::AlignVCenter);
    return wrapper;
}

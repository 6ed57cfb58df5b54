// SPDX-License-Identifier: GPL-3.0-or-later
#include "control/placedstyle.h"

#include <QVariant>
#include <QWidget>

namespace {

constexpr char kHeldSheet[] = "vellmarkHeldStyleSheet";

} // namespace

void styleWhenPlaced(QWidget* widget, const QString& sheet)
{
    widget->setProperty(kHeldSheet, sheet);
}

void applyPlacedStyles(QWidget* root)
{
    for (QWidget* w : root->findChildren<QWidget*>()) {
        const QVariant sheet = w->property(kHeldSheet);
        if (!sheet.isValid())
            continue;
        w->setProperty(kHeldSheet, QVariant());
        w->setStyleSheet(sheet.toString());
    }
}

void setOwnStyleSheet(QWidget* widget, const QString& sheet)
{
    if (widget->property(kHeldSheet).isValid())
        styleWhenPlaced(widget, sheet);
    else
        widget->setStyleSheet(sheet);
}

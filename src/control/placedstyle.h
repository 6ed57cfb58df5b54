// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QString;
class QWidget;

// A widget's own style sheet, held back until the widget has reached its
// window. A widget that has its own style sheet is polished again each time it
// moves into a styled parent, and the rows of a window are put together in a
// few moves; one whose sheet arrives after its last move is polished once, as
// it is first shown. The look is the same either way.
void styleWhenPlaced(QWidget* widget, const QString& sheet);

// Gives every widget under root the sheet held back for it. Call once the
// widgets are in place, before root is shown.
void applyPlacedStyles(QWidget* root);

// A widget's own style sheet from now on: set at once, or held back instead
// of the one held back so far, until applyPlacedStyles() reaches it.
void setOwnStyleSheet(QWidget* widget, const QString& sheet);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QAbstractSpinBox;
class QWidget;

// Restyles spin as the middle of a "◀ value ▶" strip and returns the new,
// parentless strip widget that the caller puts in its layout instead of spin.
// The arrows step it as its own arrows would: a time entry, the part of the
// time the cursor is in. The strip's look comes with applyPlacedStyles() on
// its window (placedstyle.h), once the strip is in place.
QWidget* makeStepper(QAbstractSpinBox* spin);

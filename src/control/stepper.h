#pragma once

class QSpinBox;
class QWidget;

// Restyles spin as the middle of a "◀ value ▶" strip and returns the new,
// parentless strip widget that the caller puts in its layout instead of spin.
QWidget* makeStepper(QSpinBox* spin);

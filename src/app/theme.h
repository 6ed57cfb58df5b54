// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sets the program's dark theme as the application-wide style sheet, so every
// window, dialog and message box the program opens wears it. Call it before
// the first window is built: widgets that exist when it is set are polished a
// second time. Calling it again changes nothing.
void applyTheme();

class QString;

// Tells the theme the face that the font family `family` resolves to, when it
// is known already, so that the theme need not load that font to ask. Call it
// before the first applyTheme().
void setKnownFace(const QString& family, const QString& face);

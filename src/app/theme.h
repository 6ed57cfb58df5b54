// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Sets the program's dark theme as the application-wide style sheet, so every
// window, dialog and message box the program opens wears it. Call once, before
// the first window is shown.
void applyTheme();

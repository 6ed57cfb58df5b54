// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/theme.h"

#include <QImage>
#include <QList>
#include <QString>

// Start-up work that needs neither the display nor the windows, for a second
// core (std::async) while the main thread connects to the display and builds
// the windows, so the first frame does not wait for it.
namespace StartupWork {

// Reads the font configuration and the font caches (fontconfig's own set-up:
// its configuration files parsed, every font folder's cache mapped), which the
// toolkit would otherwise do on the main thread at the first text it
// measures. It touches no toolkit state, so it may run before the application
// object exists; fontconfig makes its configuration once per process.
// Returns what the theme would otherwise load fonts of its own to learn: the
// faces that the generic families kGenericSans and "monospace" resolve to,
// and whether Segoe UI is installed (all unknown when fontconfig is not used).
KnownFaces readFontConfiguration();
inline constexpr char16_t kGenericSans[] = u"Sans Serif";

// Reads the toolkit's font database (every installed face, asked of the
// platform), which the first text measured would otherwise read on the main
// thread. Once the application object exists; the database is shared by all
// threads and locks itself.
void readFontDatabase();

// The window icon's pictures, decoded from the program's resources, one per
// size the icon offers (16 to 256 pixels). Safe on another thread once the
// application object exists.
QList<QImage> windowIconImages();

} // namespace StartupWork

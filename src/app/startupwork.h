// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QList>

#include <thread>

// Start-up work that needs neither the display nor the windows, done on a
// second core while the main thread connects to the display and builds the
// windows, so the first frame does not wait for it.
namespace StartupWork {

// Reads the font configuration and the font caches (fontconfig's own set-up:
// its configuration files parsed, every font folder's cache mapped), which the
// toolkit would otherwise do on the main thread at the first text it measures.
// Safe to start before the application object: it touches no toolkit state.
class FontConfiguration {
  public:
    FontConfiguration();
    ~FontConfiguration();
    FontConfiguration(const FontConfiguration&) = delete;
    FontConfiguration& operator=(const FontConfiguration&) = delete;

    // Returns once the configuration is read.
    void wait();

  private:
    std::thread m_thread;
};

// The window icon's pictures, decoded from the program's resources, one per
// size the icon offers (16 to 256 pixels), the largest last. Start it once the
// application object exists; take() waits for the pictures.
class WindowIconImages {
  public:
    WindowIconImages();
    ~WindowIconImages();
    WindowIconImages(const WindowIconImages&) = delete;
    WindowIconImages& operator=(const WindowIconImages&) = delete;

    QList<QImage> take();

  private:
    QList<QImage> m_images;
    std::thread m_thread;
};

} // namespace StartupWork

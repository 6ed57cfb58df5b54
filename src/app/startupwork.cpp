// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startupwork.h"

#include <QString>

#ifdef VELLMARK_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace StartupWork {

FontConfiguration::FontConfiguration()
{
#ifdef VELLMARK_HAS_FONTCONFIG
    // fontconfig makes its configuration once per process; a second caller
    // that comes while it is being made waits or gets the same one.
    m_thread = std::thread([] { FcInit(); });
#endif
}

FontConfiguration::~FontConfiguration()
{
    wait();
}

void FontConfiguration::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

WindowIconImages::WindowIconImages()
    : m_thread([this] {
          for (int size : {16, 32, 48, 64, 128, 256})
              m_images.append(
                  QImage(QStringLiteral(":/assets/icons/vellmark-%1.png").arg(size)));
      })
{
}

WindowIconImages::~WindowIconImages()
{
    if (m_thread.joinable())
        m_thread.join();
}

QList<QImage> WindowIconImages::take()
{
    if (m_thread.joinable())
        m_thread.join();
    return std::move(m_images);
}

} // namespace StartupWork

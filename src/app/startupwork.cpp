// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startupwork.h"

#include <QString>

#ifdef VELLMARK_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace StartupWork {

void readFontConfiguration()
{
#ifdef VELLMARK_HAS_FONTCONFIG
    FcInit();
#endif
}

QList<QImage> windowIconImages()
{
    QList<QImage> images;
    for (int size : {16, 32, 48, 64, 128, 256})
        images.append(QImage(QStringLiteral(":/assets/icons/vellmark-%1.png").arg(size)));
    return images;
}

} // namespace StartupWork

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startupwork.h"

#include <QFontDatabase>

#ifdef VELLMARK_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace StartupWork {

QString readFontConfiguration()
{
    QString face;
#ifdef VELLMARK_HAS_FONTCONFIG
    if (!FcInit())
        return face;
    // Asked as the toolkit asks for a font's face: the configuration's
    // substitutions, then the best installed match.
    const QByteArray family = QString::fromUtf16(kGenericSans).toUtf8();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return face;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch && name)
            face = QString::fromUtf8(reinterpret_cast<const char*>(name));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
#endif
    return face;
}

void readFontDatabase()
{
    QFontDatabase::families();
}

QList<QImage> windowIconImages()
{
    QList<QImage> images;
    for (int size : {16, 32, 48, 64, 128, 256})
        images.append(QImage(QStringLiteral(":/assets/icons/vellmark-%1.png").arg(size)));
    return images;
}

} // namespace StartupWork

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/startupwork.h"

#include <QFontDatabase>

#ifdef VELLMARK_HAS_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace StartupWork {

#ifdef VELLMARK_HAS_FONTCONFIG
namespace {

// The family names of the installed face that `family` resolves to, asked as
// the toolkit asks: the configuration's substitutions, then the best match.
QStringList resolvedFamilies(const QString& family)
{
    QStringList names;
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return names;
    const QByteArray utf8 = family.toUtf8();
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(utf8.constData()));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* name = nullptr;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i)
            if (name)
                names.append(QString::fromUtf8(reinterpret_cast<const char*>(name)));
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return names;
}

} // namespace
#endif

KnownFaces readFontConfiguration()
{
    KnownFaces faces;
#ifdef VELLMARK_HAS_FONTCONFIG
    if (!FcInit())
        return faces;
    faces.sansFamily = QString::fromUtf16(kGenericSans);
    faces.sansFace = resolvedFamilies(faces.sansFamily).value(0);
    faces.monospaceFace = resolvedFamilies(QStringLiteral("monospace")).value(0);
    // Installed when the best match has that name, among its own.
    const QString segoeUi = QStringLiteral("Segoe UI");
    const QStringList segoeMatch = resolvedFamilies(segoeUi);
    if (!segoeMatch.isEmpty())
        faces.segoeUiInstalled = segoeMatch.contains(segoeUi, Qt::CaseInsensitive);
#endif
    return faces;
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

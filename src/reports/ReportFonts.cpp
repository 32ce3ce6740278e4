#include "ReportFonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QMutex>
#include <QStringList>

namespace qal::reports {
namespace {

struct FontFile
{
    const char *path;
    const char *family;
};

// Debian packages fonts-liberation2 and fonts-wine.
constexpr FontFile kFiles[] = {
    {"/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf", "Liberation Sans"},
    {"/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf", "Liberation Sans"},
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Regular.ttf", "Liberation Mono"},
    {"/usr/share/fonts/truetype/liberation2/LiberationMono-Bold.ttf", "Liberation Mono"},
    {"/usr/share/wine/fonts/tahoma.ttf", "Tahoma"},
    {"/usr/share/wine/fonts/tahomabd.ttf", "Tahoma"},
};

QString familyOf(Face face)
{
    switch (face) {
    case Face::Arial:
        return QStringLiteral("Liberation Sans");
    case Face::CourierNew:
        return QStringLiteral("Liberation Mono");
    case Face::Tahoma:
        return QStringLiteral("Tahoma");
    }
    return QStringLiteral("Liberation Sans");
}

} // namespace

bool LoadReportFonts(QString *error)
{
    static QMutex mutex;
    static bool loaded = false;
    static QStringList missing;
    QMutexLocker lock(&mutex);
    if (!loaded) {
        for (const FontFile &f : kFiles) {
            const QString path = QString::fromLatin1(f.path);
            if (!QFile::exists(path) || QFontDatabase::addApplicationFont(path) < 0)
                missing << path;
        }
        loaded = true;
    }
    if (error)
        *error = missing.isEmpty() ? QString() : QStringLiteral("Faltan las fuentes: ") + missing.join(u", ");
    return missing.isEmpty();
}

QFont ReportFont(Face face, qreal points, bool bold, bool underline)
{
    LoadReportFonts();
    QFont font(familyOf(face));
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setUnderline(underline);
    // Outlines as designed: hinting would move glyphs by device pixels, and the preview,
    // the printer and a PDF would break lines differently.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace qal::reports

#include "Heading.h"

#include "Canvas.h"
#include "ReportFonts.h"

#include <QImage>

// The resources of a static library are registered by hand.
static void initReportResources()
{
    Q_INIT_RESOURCE(reports);
}

namespace qal::reports {
namespace {

constexpr double kLogoSize = 20; // mm

} // namespace

const QImage &LogoDocumentos()
{
    static const QImage image = [] {
        initReportResources();
        return QImage(QStringLiteral(":/reports/logo.png"));
    }();
    return image;
}

double DrawHeading(Canvas &canvas, bool centred)
{
    canvas.image(QRectF(0, 0, kLogoSize, kLogoSize), LogoDocumentos());
    const QFont font = ReportFont(centred ? Face::Tahoma : Face::Arial, 11, true);
    const double lh = canvas.lineHeight(font);
    const double top = (kLogoSize - 2 * lh) / 2;
    if (centred) {
        const double w = canvas.page().width();
        canvas.text(QRectF(0, top, w, lh), Qt::AlignHCenter | Qt::AlignTop, kHeadingMinistry, font);
        canvas.text(QRectF(0, top + lh, w, lh), Qt::AlignHCenter | Qt::AlignTop, kHeadingOffice, font);
    } else {
        canvas.text(kLogoSize + 4, top, kHeadingMinistry, font);
        canvas.text(kLogoSize + 4, top + lh, kHeadingOffice, font);
    }
    return kLogoSize;
}

void DrawPlaceAndDate(Canvas &canvas, const QDate &date)
{
    const QFont font = ReportFont(Face::Arial, 10);
    canvas.text(QRectF(0, 0, canvas.page().width(), canvas.lineHeight(font)), Qt::AlignRight | Qt::AlignTop,
                QStringLiteral("Buenos Aires, ") + FechaCorta(date), font);
}

QString FechaLarga(const QDate &date)
{
    static const char *const months[] = {"enero", "febrero", "marzo",     "abril",   "mayo",      "junio",
                                         "julio", "agosto",  "septiembre", "octubre", "noviembre", "diciembre"};
    if (!date.isValid())
        return {};
    return QStringLiteral("%1 de %2 de %3")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(QString::fromLatin1(months[date.month() - 1]))
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString FechaCorta(const QDate &date)
{
    return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
}

} // namespace qal::reports

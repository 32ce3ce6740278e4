#include "TrpRechPriv.h"

#include "Canvas.h"
#include "Heading.h"
#include "ReportFonts.h"

namespace qal::reports {
namespace {

constexpr double kItemRow = 8;

// Items sit in two columns: odd places of a list on the left, even ones on the right.
double checkList(Canvas &c, double top, const QString &title, const QList<ItemRechazo> &items, const QString &flags)
{
    const QFont heading = ReportFont(Face::Arial, 12, true, true);
    const QFont text = ReportFont(Face::Arial, 10);
    const QFont box = ReportFont(Face::CourierNew, 10, true);
    c.text(10, top, title, heading);
    const double first = top + 10;
    const double column = (c.page().width() - 20) / 2;
    for (int i = 0; i < items.size(); ++i) {
        const double x = 10 + (i % 2) * column;
        const double y = first + (i / 2) * kItemRow;
        const bool marked = items[i].position > 0 && MarcadoEnRechazo(flags, items[i].position);
        const double boxWidth = c.text(x, y, marked ? QStringLiteral("(X)") : QStringLiteral("( )"), box);
        c.text(x + boxWidth + 2, y, items[i].texto, text);
    }
    return first + ((items.size() + 1) / 2) * kItemRow;
}

} // namespace

const QList<ItemRechazo> &ItemsImpresiones()
{
    static const QList<ItemRechazo> items {
        {1, QStringLiteral("1. Con entintado desparejo")},
        {2, QStringLiteral("2. Con demasiada tinta")},
        {3, QStringLiteral("3. Con tinta inadecuada")},
        {4, QStringLiteral("4. Sin previo lavado de manos")},
        {5, QStringLiteral("5. En forma no rodada (faltan datos)")},
        {6, QStringLiteral("6. En forma superpuesta")},
        {7, QStringLiteral("7. Que no corresponden al causante")},
    };
    return items;
}

const QList<ItemRechazo> &ItemsFichas()
{
    static const QList<ItemRechazo> items {
        {0, QStringLiteral("1. No se acompañaron")},
        {8, QStringLiteral("2. Con impresiones repetidas")},
        {9, QStringLiteral("3 Con mano repetida")},
        {10, QStringLiteral("4. Incompleta (faltan impresiones)")},
        {11, QStringLiteral("5. Con dedos lesionados")},
        {12, QStringLiteral("6. Sin los datos del causante")},
        {13, QStringLiteral("7. A nombre de otra persona")},
        {14, QStringLiteral("8. Destruida")},
        {0, QStringLiteral("9.Sin las impresiones digitales")},
    };
    return items;
}

bool MarcadoEnRechazo(const QString &cRechazo, int position)
{
    return position > 0 && cRechazo.size() >= position && cRechazo.at(position - 1) == u'1';
}

void TrpRechPriv::paint(Canvas &c) const
{
    const DatosRechazo &d = datos;
    const QFont caption = ReportFont(Face::Arial, 11);
    const QFont value = ReportFont(Face::Arial, 11, true);
    const QFont large = ReportFont(Face::Arial, 18, true);
    const double w = c.page().width();

    DrawPlaceAndDate(c, d.fecha);
    double y = DrawHeading(c, false) + 14;
    c.text(QRectF(0, y, w, c.lineHeight(large)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Rechazo de huellas digitales"), large);
    y += 22;
    c.captioned(10, y, QStringLiteral("Código de Pedido"), d.codigoPedido, caption, value);
    y += 10;
    c.captioned(10, y, QStringLiteral("Apellidos:"), d.apellidos, caption, value);
    y += 9;
    c.captioned(10, y, QStringLiteral("Nombres:"), d.nombres, caption, value);
    y += 16;
    y = checkList(c, y, QStringLiteral("Impresiones digitales tomadas"), ItemsImpresiones(), d.cRechazo) + 10;
    checkList(c, y, QStringLiteral("Fichas Dactiloscópicas"), ItemsFichas(), d.cRechazo);
}

} // namespace qal::reports

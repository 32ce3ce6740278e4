#include "TrpContesPriv.h"

#include "Canvas.h"
#include "Heading.h"
#include "ReportFonts.h"

namespace qal::reports {

void TrpContesPriv::paint(Canvas &c) const
{
    const DatosContestacion &d = datos;
    const QFont caption = ReportFont(Face::Arial, 11);
    const QFont value = ReportFont(Face::Arial, 11, true);
    const QFont large = ReportFont(Face::Arial, 18, true);
    const double w = c.page().width();

    DrawPlaceAndDate(c, d.fecha);
    double y = DrawHeading(c, false) + 14;
    c.text(QRectF(0, y, w, c.lineHeight(large)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Contestación de Pedido Personal"), large);
    y += 22;
    c.captioned(10, y, QStringLiteral("Código de Pedido"), d.codigoPedido, caption, value);
    c.captioned(100, y, QStringLiteral("Número de Expediente"), d.numeroExpediente, caption, value);
    y += 12;
    c.captioned(10, y, QStringLiteral("Apellidos:"), d.apellidos, caption, value);
    y += 9;
    c.captioned(10, y, QStringLiteral("Nombres:"), d.nombres, caption, value);
    y += 16;
    c.text(10, y, QStringLiteral("Pedido de Antecedentes enviado por carta Certificada"), value);
    y += 10;
    c.captioned(10, y, QStringLiteral("Número de Carta Certificada:"), d.numeroCertificada, caption, value);
    y += 12;
    const double obs = 10 + c.text(10, y, QStringLiteral("Observaciones:"), caption) + 2;
    y += std::max(c.paragraph(obs, y, w - obs - 10, d.observaciones, value), c.lineHeight(value)) + 6;
    c.captioned(10, y, QStringLiteral("Resultado:"), d.resultado, caption, value);
}

} // namespace qal::reports

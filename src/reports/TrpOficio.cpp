#include "TrpOficio.h"

#include "Canvas.h"
#include "Heading.h"
#include "ReportFonts.h"

namespace qal::reports {
namespace {

constexpr double kRow = 7.5; // mm between the lines of a section

// A framed section: its bold name, then one line per row; returns where it ends.
template <typename Rows>
double section(Canvas &c, double top, const QString &name, int rowCount, Rows rows)
{
    const QFont bold = ReportFont(Face::Arial, 11, true);
    const double height = 4 + c.lineHeight(bold) + 3 + rowCount * kRow;
    c.frame(QRectF(0, top, c.page().width(), height), 0.4);
    c.text(4, top + 3, name, bold);
    rows(top + 4 + c.lineHeight(bold) + 3);
    return top + height;
}

} // namespace

void TrpOficio::paint(Canvas &c) const
{
    const QFont caption = ReportFont(Face::Arial, 10);
    const QFont value = ReportFont(Face::Arial, 10, true);
    const QFont title = ReportFont(Face::Arial, 12, true);
    const double w = c.page().width();
    const DatosOficio &d = datos;

    double y = DrawHeading(c, true) + 4;
    c.text(QRectF(0, y, w, c.lineHeight(caption)), Qt::AlignRight | Qt::AlignTop, d.lugarYFecha, caption);
    y += 12;
    c.text(QRectF(0, y, w, c.lineHeight(title)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("PEDIDO DE INFORMES SOBRE CONDENAS  Y PROCESOS PENDIENTES"), title);
    y += 12;

    y = section(c, y, QStringLiteral("ORGANISMO REQUIRENTE"), 7, [&](double r) {
        c.captioned(4, r, QStringLiteral("Fuero de Competencia - Nro."), d.organismo, caption, value);
        c.captioned(4, r + kRow, QStringLiteral("Secretaria:"), d.secretaria, caption, value);
        c.captioned(4, r + 2 * kRow, QStringLiteral("Calle - Nº:"), d.domicilio, caption, value);
        c.captioned(4, r + 3 * kRow, QStringLiteral("Localidad:"), d.localidad, caption, value);
        c.captioned(4, r + 4 * kRow, QStringLiteral("Provincia:"), d.provincia, caption, value);
        c.captioned(4, r + 5 * kRow, QStringLiteral("Motivo de la Solicitud / Delito Imputado: "), d.delito, caption,
                    value);
        c.captioned(4, r + 6 * kRow, QStringLiteral("Causa Nº."), d.causa, caption, value);
    });
    y += 8;

    section(c, y, QStringLiteral("DATOS DEL CAUSANTE"), 9, [&](double r) {
        // the aliases follow their line, 1 mm after its end
        c.text(c.captioned(4, r, QStringLiteral("Apellido(s):"), d.apellidos, caption, value) + 1, r,
               d.apellidosSupuestos, value);
        c.text(c.captioned(4, r + kRow, QStringLiteral("Nombre(s):"), d.nombres, caption, value) + 1, r + kRow,
               d.nombresSupuestos, value);
        c.captioned(4, r + 2 * kRow, QStringLiteral("Sexo:"), d.sexo, caption, value);
        c.captioned(4, r + 3 * kRow, QStringLiteral("Fecha de Nacimiento:"), d.fechaNacimiento, caption, value);
        c.captioned(95, r + 3 * kRow, QStringLiteral("o Edad Presunta:"), d.edad, caption, value);
        c.captioned(4, r + 4 * kRow, QStringLiteral("Nacionalidad:"), d.nacionalidad, caption, value);
        c.captioned(4, r + 5 * kRow, QStringLiteral("D.N.I:"), d.documento, caption, value);
        c.captioned(95, r + 5 * kRow, QStringLiteral("Exp. Por:"), d.mostrarExpedidoPor ? d.expedidoPor : QString(),
                    caption, value);
        c.captioned(4, r + 6 * kRow, QStringLiteral("Nombres del Padre:"), d.nombresPadre, caption, value);
        c.captioned(4, r + 7 * kRow, QStringLiteral("Apellidos de la Madre:"), d.apellidosMadre, caption, value);
        c.captioned(4, r + 8 * kRow, QStringLiteral("Nombres de la Madre:"), d.nombresMadre, caption, value);
    });

    const double foot = c.page().height() - 20;
    c.line(10, foot, 70, foot);
    c.line(w - 70, foot, w - 10, foot);
    c.text(QRectF(10, foot + 2, 60, c.lineHeight(caption)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Sello del Organismo"), caption);
    c.text(QRectF(w - 70, foot + 2, 60, c.lineHeight(caption)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Firma del Oficiante"), caption);
}

} // namespace qal::reports

#include "TrpCompr.h"

#include "Canvas.h"
#include "Heading.h"
#include "ReportFonts.h"

#include "data/SupportContact.h"

#include <QImage>

namespace qal::reports {
namespace {

constexpr double kPartHeight = 128;
constexpr double kRow = 6.4;

const QString kTitulo = QStringLiteral("Comprobante del Trámite de Antecedentes Penales");

void logoAndTitle(Canvas &c, double top)
{
    c.image(QRectF(3, top + 3, 16, 16), LogoDocumentos());
    c.text(24, top + 7, kTitulo, ReportFont(Face::Arial, 12, true, true));
}

} // namespace

QString TextoInformacionComprobante()
{
    return QStringLiteral(
        "Estimado/a, le informamos que su Solicitud de Trámite se encuentra en proceso de validación. "
        "Una vez aprobada, recibirá por correo electrónico los datos para descargar su Certificado de "
        "Antecedentes Penales Digital. Por consultas, ingrese al sitio web de QAL Central "
        "(%1) o comuníquese con la línea gratuita %2.")
        .arg(centralWebSite(), centralFreePhone());
}

bool TrpCompr::setDatos(const DatosComprobante &datos, QString *error)
{
    std::optional<Code39Symbol> symbol = EncodeCode39(datos.textoBarras, false, 2.5, error);
    if (!symbol)
        return false;
    m_datos = datos;
    m_barras = *symbol;
    return true;
}

void TrpCompr::paint(Canvas &c) const
{
    paintOfficePart(c, 0);
    const double middle = kPartHeight + 5;
    c.line(0, middle, c.page().width(), middle, 0.2);
    paintApplicantPart(c, middle + 5);
}

void TrpCompr::paintOfficePart(Canvas &c, double top) const
{
    const DatosComprobante &d = m_datos;
    const QFont caption = ReportFont(Face::Arial, 9);
    const QFont value = ReportFont(Face::Arial, 9, true);
    const double w = c.page().width();
    c.frame(QRectF(0, top, w, kPartHeight), 0.4);
    logoAndTitle(c, top);

    const double barWidth = m_barras.widthModules * kModuloBarrasMm;
    const QRectF bars(w - 6 - barWidth, top + 24, barWidth, kAltoBarrasMm);
    if (!m_barras.bars.isEmpty())
        c.barcode(bars, m_barras);
    const double labelWidth = std::max(barWidth, c.textWidth(d.etiquetaBarras, caption));
    c.text(QRectF(bars.center().x() - labelWidth / 2, bars.bottom() + 1.5, labelWidth, c.lineHeight(caption)),
           Qt::AlignHCenter | Qt::AlignTop, d.etiquetaBarras, caption);

    const QList<QPair<QString, QString>> rows {
        {QStringLiteral("Apellido(s):"), d.apellidos},
        {QStringLiteral("Nombre(s):"), d.nombres},
        {QStringLiteral("Sexo:"), d.sexo},
        {QStringLiteral("Nacionalidad"), d.nacionalidad},
        {QStringLiteral("Fecha de Nacimiento:"), d.fechaNacimiento},
        {QStringLiteral("Tipo de Documento:"), d.tipoDocumento},
        {QStringLiteral("Número"), QString()},
        {QStringLiteral("Expedido Por:"), d.mostrarExpedidoPor ? d.expedidoPor : QString()},
        {QStringLiteral("Nombres Padre:"), d.nombresPadre},
        {QStringLiteral("Apellidos Madre:"), d.apellidosMadre},
        {QStringLiteral("Nombre Madre:"), d.nombresMadre},
        {QStringLiteral("Tipo de Trámite:"), d.tramite},
        {QStringLiteral("Fecha de inicio del Trámite:"), d.fechaInicio},
    };
    double y = top + 24;
    for (const auto &[label, text] : rows) {
        const double end = c.captioned(5, y, label, text, caption, value);
        if (label == QStringLiteral("Número")) {
            // prefix, number and suffix, each only when there is one
            double x = end;
            for (const QString &part : {d.prefijo, d.numeroDocumento, d.sufijo}) {
                if (!part.isEmpty())
                    x += c.text(x, y, part, value) + 1.5;
            }
        }
        y += kRow;
    }
    const double sign = top + kPartHeight - 12;
    c.line(w - 75, sign, w - 10, sign, 0.2);
    c.text(QRectF(w - 75, sign + 1, 65, c.lineHeight(caption)), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Firma del Solicitante"), caption);
    c.captioned(5, sign, QStringLiteral("Comprobante de pago:"), d.comprobantePago, caption,
                ReportFont(Face::CourierNew, 10, true));
}

void TrpCompr::paintApplicantPart(Canvas &c, double top) const
{
    const DatosComprobante &d = m_datos;
    const QFont caption = ReportFont(Face::Arial, 10);
    const QFont value = ReportFont(Face::Arial, 10, true);
    const QFont heading = ReportFont(Face::Arial, 12, true);
    const double w = c.page().width();
    const double height = c.page().height() - top;
    c.frame(QRectF(0, top, w, height), 0.4);
    logoAndTitle(c, top);

    double y = top + 26;
    const double lh = c.lineHeight(heading);
    c.text(QRectF(0, y, w, lh), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("Información para la obtención del Certificado"), heading);
    c.text(QRectF(0, y + lh, w, lh), Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("de Antecedentes Penales Digital"), heading);
    y += 2 * lh + 8;
    c.captioned(8, y, QStringLiteral("Solicitud de Trámite:"), d.comprobantePago,
                caption, ReportFont(Face::CourierNew, 14, true));
    y += 10;
    c.captioned(8, y, QStringLiteral("Tipo de Trámite:"), d.tramite, caption, value);
    y += 8;
    c.captioned(8, y, QStringLiteral("Fecha de Ingreso de datos QAL:"), d.fechaInicio, caption, value);
    y += 12;
    c.paragraph(8, y, w - 16, TextoInformacionComprobante(), caption);
}

} // namespace qal::reports

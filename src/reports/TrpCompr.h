#pragma once

#include "Code39.h"
#include "Report.h"

namespace qal::reports {

// What the counter receipt of a personal request prints.
struct DatosComprobante
{
    QString apellidos, nombres, sexo, nacionalidad, fechaNacimiento, tipoDocumento;
    QString prefijo, numeroDocumento, sufijo;
    QString expedidoPor;
    bool mostrarExpedidoPor = false;
    QString nombresPadre, apellidosMadre, nombresMadre;
    QString tramite, fechaInicio, comprobantePago;
    QString etiquetaBarras; // "Regional:%s - Pedido:%s"
    QString textoBarras;    // C_PED "/" C_REG
};

// The text after the receipt's first sentence, shared with the receipt sent by e-mail.
QString TextoInformacionComprobante();

// The receipt handed to a person at the counter: an office part with the bar code and
// the person's data, and the applicant's part with the procedure number.
class TrpCompr final : public Report
{
public:
    // Fills the bar code from datos.textoBarras; false (with the reason) when Code 39
    // cannot carry it. A receipt is never printed with a wrong bar code.
    bool setDatos(const DatosComprobante &datos, QString *error = nullptr);
    const DatosComprobante &datos() const { return m_datos; }
    const Code39Symbol &barras() const { return m_barras; }

    QString title() const override { return QStringLiteral("ComprobanteQAL"); }
    void paint(Canvas &canvas) const override;

private:
    void paintOfficePart(Canvas &c, double top) const;
    void paintApplicantPart(Canvas &c, double top) const;

    DatosComprobante m_datos;
    Code39Symbol m_barras;
};

// The bar code's proportions on paper.
inline constexpr double kModuloBarrasMm = 0.33;
inline constexpr double kAltoBarrasMm = 12;

} // namespace qal::reports

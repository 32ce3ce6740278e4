#pragma once

#include "requests/PersonalCentralService.h"

#include <QDate>

namespace qal {

class Tdm;

// The personal request form's questions to the central office, over its SOAP services at the
// address of the settings file (read at every call).
class CentralPersonalSoap final : public PersonalCentralService
{
public:
    explicit CentralPersonalSoap(Tdm &dm);

    bool AplicarBoleta(const QString &boleta) override;
    bool ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error) override;
    bool ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo, int &result,
                            QString &error) override;

    // The payment date of a slip; false after "ERROR al intentar obtener la fecha del pago.".
    bool ObtenerFechaPago(const QString &boleta, QDate &fecha);

private:
    Tdm &m_dm;
};

} // namespace qal

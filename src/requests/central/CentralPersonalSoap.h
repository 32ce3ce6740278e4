#pragma once

#include "requests/PersonalCentralService.h"

namespace qal {

class Tdm;

// The personal request form's questions to the central office, over its SOAP services at the
// address of the settings file (read at every call). The slip is applied by the data module
// (Tdm::AplicarBoleta), whose bank-slip service asks the central office for the payment date.
class CentralPersonalSoap final : public PersonalCentralService
{
public:
    explicit CentralPersonalSoap(Tdm &dm);

    bool AplicarBoleta(const QString &boleta) override;
    bool ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error) override;
    bool ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo, int &result,
                            QString &error) override;

private:
    Tdm &m_dm;
};

} // namespace qal

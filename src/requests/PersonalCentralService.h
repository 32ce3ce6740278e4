#pragma once

#include <QString>

namespace qal {

// What the personal request form asks the central office, besides the bank-slip look-up of
// the checks before sending. Each call returns false when the office could not be reached
// or answered with a fault, described in error.
class PersonalCentralService
{
public:
    virtual ~PersonalCentralService() = default;

    // Applies the slip to the current personal request: its procedure type, priority, bank
    // and payment date. False (after its own message) when the slip cannot be applied.
    virtual bool AplicarBoleta(const QString &boleta) = 0;

    // The reason the central office rejected a personal request.
    virtual bool ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &motivo, QString &error) = 0;

    // Replaces the security code the central office holds for a personal request; result
    // below 1 is a refusal.
    virtual bool ActualizarCodSegur(int cPed, int cReg, const QString &actual, const QString &nuevo, int &result,
                                    QString &error) = 0;
};

} // namespace qal

#pragma once

#include <QDate>
#include <QString>
#include <QVariant>

namespace qal {

// The central office's bank-slip look-up, as the checks before sending a personal request
// use it.
class BankSlipService
{
public:
    virtual ~BankSlipService() = default;

    // Looks up the procedure paid with slip by the person with document: 1 when found (its
    // data are kept for CompararDatosBoleta), 0 when there is no such procedure, -1 on error,
    // described in error.
    virtual int ObtenerDatosBoleta(const QString &boleta, qint64 documento, QString &error) = 0;

    // Compares the data found by the last look-up with the request's; true when they agree,
    // otherwise false with what differs in diferencias.
    virtual bool CompararDatosBoleta(const QString &boleta, const QString &apellido, const QDate &nacimiento,
                                     const QVariant &documento, const QString &nombre, QString &diferencias) = 0;

    // The payment date of the slip; false (after the message, on an error) when there is none.
    virtual bool ObtenerFechaPago(const QString &boleta, QDate &fecha);

    static constexpr char kErrorFechaPago[] = "ERROR al intentar obtener la fecha del pago.";
};

// Answers as a service that cannot be reached: every look-up is an error.
class UnreachableBankSlipService final : public BankSlipService
{
public:
    int ObtenerDatosBoleta(const QString &, qint64, QString &error) override
    {
        error = QStringLiteral("Error al intentar obtener el código de la boleta.");
        return -1;
    }
    bool CompararDatosBoleta(const QString &, const QString &, const QDate &, const QVariant &, const QString &,
                             QString &diferencias) override
    {
        diferencias.clear();
        return true;
    }
};

} // namespace qal

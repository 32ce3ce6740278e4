// The data module's bank-slip operations on the current personal request.
#include "Tdm.h"

#include "core/Dialogs.h"

namespace qal {

bool BankSlipService::ObtenerFechaPago(const QString &, QDate &)
{
    Dialogs::information(QString::fromUtf8(kErrorFechaPago));
    return false;
}

bool Tdm::ObtenerFechaPago(const QString &boleta, QDate &fecha)
{
    return servicioBoleta && servicioBoleta->ObtenerFechaPago(boleta, fecha);
}

bool Tdm::AplicarBoleta(const QString &boleta)
{
    if (pedp.state() != dbase::Table::State::Edit && pedp.state() != dbase::Table::State::Insert)
        pedp.edit();
    const QString tipo = boleta.mid(1, 1);
    if (tipo.isEmpty() || tram.lookup(QStringLiteral("C_TRAM"), tipo, QStringLiteral("C_TRAM")).isNull()) {
        Dialogs::information(QStringLiteral("Error: No se pudo encontrar el tipo de tramite"));
        return false;
    }
    pedp.setValue(QStringLiteral("C_TRAM"), tipo);
    pedp.setValue(QStringLiteral("C_PRIOR"), tram.lookup(QStringLiteral("C_TRAM"), tipo, QStringLiteral("C_PRIOR")));
    if (tipo != QLatin1String("6")) {
        pedp.setValue(QStringLiteral("C_BANCO"), 2);
        QDate fecha;
        if (mChkDatBol && ObtenerFechaPago(boleta, fecha))
            pedp.setValue(QStringLiteral("F_PAGO"), fecha);
    } else {
        pedp.clearValue(QStringLiteral("C_BANCO"));
        pedp.clearValue(QStringLiteral("F_PAGO"));
    }
    return true;
}

} // namespace qal

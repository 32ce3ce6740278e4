// The data module's bank-slip operations on the current personal request.
#include "Tdm.h"

#include "core/Dialogs.h"

#include <QHash>

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

QString Tdm::nombreEnBoleta(const QString &lookup) const
{
    struct Busqueda
    {
        const char *codigo;
        const dbase::Table *tabla;
        const char *clave;
        const char *nombre;
    };
    const QHash<QString, Busqueda> busquedas {
        {QStringLiteral("x_sexo"), {"c_sexo", &sexo, "C_SEXO", "X_SEXO"}},
        {QStringLiteral("x_nac"), {"c_pais", &nac, "C_NAC", "X_NAC"}},
        {QStringLiteral("x_tdoc"), {"c_tdoc", &tdoc, "C_EXPORT", "X_TDOC"}},
    };
    const auto it = busquedas.constFind(lookup.toLower());
    if (it == busquedas.constEnd())
        return {};
    const QVariant codigo = pedBol.value(QLatin1String(it->codigo));
    if (codigo.isNull() || codigo.toString().trimmed().isEmpty() || !it->tabla->isOpen())
        return {};
    // the codes are compared as text: the slip's are numbers where some tables keep text
    return it->tabla
        ->lookup(QLatin1String(it->clave), codigo.toString().trimmed(), QLatin1String(it->nombre),
                 {.caseInsensitive = true})
        .toString()
        .trimmed();
}

} // namespace qal

#include "RequestSearch.h"

namespace qal {
namespace {

dbase::RecordSet buscar(TablaBusqueda tabla, const QList<dbase::FieldEquals> &condiciones)
{
    dbase::RecordSet result;
    result.table = dbase::query::openForReading(archivoBusqueda(tabla));
    result.records = dbase::query::recordsWhere(*result.table, condiciones);
    return result;
}

} // namespace

QString archivoBusqueda(TablaBusqueda tabla)
{
    switch (tabla) {
    case TablaBusqueda::Personales:
        return QStringLiteral("Pedp.dbf");
    case TablaBusqueda::Supuestos:
        return QStringLiteral("Sup.dbf");
    case TablaBusqueda::Oficiales:
        break;
    }
    return QStringLiteral("Ped.dbf");
}

bool CriterioNombres::vacio() const
{
    return condiciones().isEmpty();
}

QList<dbase::FieldEquals> CriterioNombres::condiciones() const
{
    QList<dbase::FieldEquals> result;
    const QList<QPair<const char *, const QString *>> entries {
        {"X_APE1", &ape1}, {"X_APE2", &ape2}, {"X_NOM1", &nom1}, {"X_NOM2", &nom2}, {"X_NOM3", &nom3}};
    for (const auto &[field, text] : entries) {
        if (!text->isEmpty())
            result.append({QString::fromLatin1(field), *text});
    }
    return result;
}

namespace busqueda {

dbase::RecordSet porCodigo(TablaBusqueda tabla, qint64 codigo)
{
    return buscar(tabla, {{QStringLiteral("C_PED"), codigo}});
}

dbase::RecordSet porNombres(TablaBusqueda tabla, const CriterioNombres &criterio)
{
    if (criterio.vacio())
        return {};
    return buscar(tabla, criterio.condiciones());
}

dbase::RecordSet porDocumento(TablaBusqueda tabla, qint64 documento)
{
    return buscar(tabla, {{QStringLiteral("N_DOC"), documento}});
}

} // namespace busqueda
} // namespace qal

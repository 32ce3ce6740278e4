#include "DemoCentral.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace qal {
namespace {

constexpr int kRegional = 12;

QJsonObject held(int pedido, const char *estado, qint64 expediente, const char *velcor, const char *oficina)
{
    return {{"regional", kRegional}, {"pedido", pedido}, {"estado", estado}, {"expediente", expediente},
            {"velcor", QString::fromUtf8(velcor)}, {"oficina", QString::fromUtf8(oficina)}};
}

// The requests of the demo folder the central office holds: official 2 answered there, the
// sent personal requests in process or answered.
QJsonObject requestsHeld()
{
    const QString lastMonth = QDate(Clock::today().year(), Clock::today().month(), 15).addMonths(-1).toString(
        QStringLiteral("dd/MM/yyyy"));
    QJsonObject personalSent = held(3, "T", 8100003, "EN TRÁMITE", "MESA DE ENTRADAS");
    personalSent.insert(QStringLiteral("fecha"), lastMonth);
    const QJsonObject personalAnswered {{"regional", kRegional}, {"pedido", 1}, {"estado", "C"},
                                        {"expediente", 8100001}, {"resultado", "N"}, {"fecha", lastMonth}};
    return {{"oficiales", QJsonArray {held(2, "C", 7004312, "CONTESTADO - LISTO PARA RETIRAR", "MESA DE ENTRADAS"),
                                      held(4, "T", 7004390, "EN TRÁMITE", "IDENTIFICACIÓN DACTILOSCÓPICA"),
                                      held(5, "C", 7004377, "ARCHIVADO", "ARCHIVO GENERAL")}},
            {"personales", QJsonArray {personalSent, personalAnswered}}};
}

QString text(const dbase::Table &t, const char *field)
{
    return t.value(QLatin1String(field)).toString().trimmed();
}

// The central office's record of the slip a personal request was paid with: the request's
// own data, under the central office's names and codes.
QJsonObject slipOf(const dbase::Table &pedp, const dbase::Table &tdoc)
{
    static const std::pair<const char *, const char *> names[] = {
        {"x_ape1", "X_APE1"},     {"x_ape2", "X_APE2"},     {"x_oape", "X_OAPE"},     {"x_nom1", "X_NOM1"},
        {"x_nom2", "X_NOM2"},     {"x_nom3", "X_NOM3"},     {"x_nom1p", "X_NOMPADR1"}, {"x_nom2p", "X_NOMPADR2"},
        {"x_nom3p", "X_NOMPADR3"}, {"x_ape1m", "X_APEMADR1"}, {"x_ape2m", "X_APEMADR2"}, {"x_nom1m", "X_NOMMADR1"},
        {"x_nom2m", "X_NOMMADR2"}, {"x_nom3m", "X_NOMMADR3"}, {"c_sexo", "C_SEXO"},    {"c_tram", "C_TRAM"},
        {"c_prefijo", "C_PREFIJO"}, {"c_sufijo", "C_SUFIJO"}};
    QJsonObject datos;
    for (const auto &[central, local] : names)
        if (!text(pedp, local).isEmpty())
            datos.insert(QLatin1String(central), text(pedp, local));
    datos.insert(QStringLiteral("c_pais"), pedp.value(QStringLiteral("C_NAC")).toInt());
    datos.insert(QStringLiteral("n_doc"), pedp.value(QStringLiteral("N_DOC")).toLongLong());
    datos.insert(QStringLiteral("f_nac"), pedp.value(QStringLiteral("F_NAC")).toDate().toString(QStringLiteral("dd/MM/yyyy")));
    // the central office's document codes are the export codes of the document table
    const QString tipo = tdoc.lookup(QStringLiteral("C_TDOC"), text(pedp, "C_TDOC"), QStringLiteral("C_EXPORT")).toString();
    if (!tipo.trimmed().isEmpty())
        datos.insert(QStringLiteral("c_tdoc"), tipo.trimmed());
    const int cPed = pedp.value(QStringLiteral("C_PED")).toInt();
    return {{"boleta", text(pedp, "C_PAGO")},
            {"documento", pedp.value(QStringLiteral("N_DOC")).toLongLong()},
            {"pedido", 4700 + cPed},
            {"datos", datos}};
}

QJsonArray slips()
{
    dbase::Table pedp(QStringLiteral("Pedp.DBF"));
    dbase::Table tdoc(QStringLiteral("tdoc.DBF"));
    pedp.open(dbase::Table::Mode::Shared);
    tdoc.open(dbase::Table::Mode::Shared);
    QJsonArray out;
    for (pedp.first(); !pedp.eof(); pedp.next())
        if (!text(pedp, "C_PAGO").isEmpty() && !pedp.isNull(QStringLiteral("N_DOC")))
            out.append(slipOf(pedp, tdoc));
    return out;
}

void write(const QString &file, const QJsonObject &data)
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(QJsonDocument(data).toJson()) < 0 || !out.commit())
        throw dbase::DatabaseError(QStringLiteral("No se pudo escribir %1").arg(file));
}

} // namespace

void writeDemoCentralData(const QString &folder)
{
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(folder);
    try {
        QJsonObject data = requestsHeld();
        data.insert(QStringLiteral("boletas"), slips());
        write(QDir(folder).filePath(QStringLiteral("central/estados.json")), data);
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal

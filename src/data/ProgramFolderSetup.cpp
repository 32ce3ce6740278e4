#include "ProgramFolderSetup.h"

#include "data/SettingsCatalogue.h"
#include "data/TableSchema.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qal {
namespace {

using Row = QList<QVariant>; // values in the order of the table's fields

QList<Row> provinces()
{
    const char *names[] = {"BUENOS AIRES", "CATAMARCA", "CHACO", "CHUBUT", "CIUDAD AUTÓNOMA DE BUENOS AIRES",
                           "CÓRDOBA", "CORRIENTES", "ENTRE RÍOS", "FORMOSA", "JUJUY", "LA PAMPA", "LA RIOJA",
                           "MENDOZA", "MISIONES", "NEUQUÉN", "RÍO NEGRO", "SALTA", "SAN JUAN", "SAN LUIS",
                           "SANTA CRUZ", "SANTA FE", "SANTIAGO DEL ESTERO", "TIERRA DEL FUEGO", "TUCUMÁN"};
    QList<Row> rows;
    for (int i = 0; i < 24; ++i)
        rows << Row {qlonglong(i + 1), QString::fromUtf8(names[i])};
    return rows;
}

QList<Row> rowsFor(const QString &component)
{
    const auto S = [](const char *s) { return QVariant(QString::fromUtf8(s)); };
    const auto N = [](qlonglong n) { return QVariant(n); };
    if (component == "prov")
        return provinces();
    if (component == "nac")
        return {{N(1), S("ARGENTINA")}, {N(2), S("BOLIVIA")}, {N(3), S("BRASIL")}, {N(4), S("CHILE")},
                {N(5), S("PARAGUAY")}, {N(6), S("PERÚ")}, {N(7), S("URUGUAY")}, {N(8), S("COLOMBIA")},
                {N(9), S("VENEZUELA")}, {N(10), S("ESPAÑA")}, {N(11), S("ITALIA")}, {N(99), S("OTRA")}};
    if (component == "tdoc")
        return {{S("DU"), S("DOCUMENTO ÚNICO"), S("1")}, {S("LE"), S("LIBRETA DE ENROLAMIENTO"), S("2")},
                {S("LC"), S("LIBRETA CÍVICA"), S("3")}, {S("CI"), S("CÉDULA DE IDENTIDAD"), S("4")},
                {S("PA"), S("PASAPORTE"), S("5")}, {S("DE"), S("DOCUMENTO EXTRANJERO"), S("6")}};
    if (component == "sexo")
        return {{S("M"), S("MASCULINO")}, {S("F"), S("FEMENINO")}, {S("X"), S("NO BINARIO")}};
    if (component == "prior")
        return {{N(1), S("24 Horas")}, {N(2), S("48 Horas")}, {N(3), S("5 Dias")}};
    if (component == "Est")
        return {{S("I"), S("Ingresado")}, {S("E"), S("Enviado")}, {S("T"), S("En trámite en QAL Central")},
                {S("C"), S("Contestado")}, {S("R"), S("Rechazado")}, {S("D"), S("Devuelto para corrección")}};
    if (component == "expp")
        return {{S("PF"), S("POLICÍA FEDERAL ARGENTINA")}, {S("RN"), S("REGISTRO NACIONAL DE LAS PERSONAS")},
                {S("PP"), S("POLICÍA PROVINCIAL")}, {S("EX"), S("AUTORIDAD EXTRANJERA")}};
    if (component == "res")
        return {{S("N"), S("No registra antecedentes")}, {S("S"), S("Registra antecedentes")},
                {S("P"), S("Registra procesos en trámite")}};
    if (component == "estcent")
        return {{S("REC"), S("RECIBIDO EN QAL CENTRAL")}, {S("TRA"), S("EN TRÁMITE")},
                {S("IDE"), S("EN IDENTIFICACIÓN DACTILOSCÓPICA")}, {S("INF"), S("INFORMADO")},
                {S("REZ"), S("RECHAZADO")}, {S("T"), S("EN TRÁMITE EN QAL CENTRAL")}, {S("C"), S("CONTESTADO")},
                {S("R"), S("RECHAZADO")}};
    if (component == "tdel")
        return {{N(100), S(""), S(""), S(""), S("DELITOS CONTRA LAS PERSONAS"), N(0)},
                {N(101), S("11179"), S("79"), S(""), S("HOMICIDIO SIMPLE"), N(100)},
                {N(102), S("11179"), S("89"), S(""), S("LESIONES LEVES"), N(100)},
                {N(200), S(""), S(""), S(""), S("DELITOS CONTRA LA PROPIEDAD"), N(0)},
                {N(201), S("11179"), S("162"), S(""), S("HURTO"), N(200)},
                {N(202), S("11179"), S("164"), S(""), S("ROBO"), N(200)},
                {N(203), S("11179"), S("166"), S("2"), S("ROBO CON ARMA"), N(200)},
                {N(204), S("11179"), S("172"), S(""), S("ESTAFA"), N(200)},
                {N(300), S(""), S(""), S(""), S("DELITOS CONTRA LA FE PÚBLICA"), N(0)},
                {N(301), S("11179"), S("292"), S(""), S("FALSIFICACIÓN DE DOCUMENTOS PÚBLICOS"), N(300)},
                {N(400), S(""), S(""), S(""), S("OTROS"), N(0)},
                {N(401), S("23737"), S("5"), S("c"), S("TENENCIA DE ESTUPEFACIENTES CON FINES DE COMERCIALIZACIÓN"), N(400)}};
    if (component == "tram")
        return {{S("1"), S("1"), S("URGENTE 24 HS")}, {S("2"), S("2"), S("URGENTE 48 HS")},
                {S("3"), S("3"), S("COMÚN")}, {S("4"), S("3"), S("EMPLEO")}, {S("5"), S("3"), S("EXTRANJERO")},
                {S("6"), S("3"), S("EXENTO")}};
    if (component == "carped")
        return {{S("C"), S("COMÚN")}, {S("N"), S("NOMINATIVO")}};
    if (component == "url")
        return {{N(1), S("http://127.0.0.1/qalcentral")}};
    if (component == "sec")
        return {{S("ped"), N(0)}, {S("pedp"), N(0)}, {S("org"), N(3)}};
    if (component == "usu")
        return {{S("admin"), S("Administrador del sistema"), QVariant()}};
    if (component == "org")
        return {{N(1), S("JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1"), S("TALCAHUANO 550"),
                 S("CIUDAD AUTÓNOMA DE BUENOS AIRES"), N(1013), N(5), S("jnc1@pjn.gov.ar")},
                {N(2), S("FISCALÍA DE INSTRUCCIÓN Nº 3"), S("AV. SANTA FE 1200"), S("ROSARIO"), N(2000), N(21),
                 S("fiscalia3@mpf.gob.ar")},
                {N(3), S("JUZGADO FEDERAL DE CÓRDOBA Nº 2"), S("AV. CONCEPCIÓN ARENAL 690"), S("CÓRDOBA"), N(5000),
                 N(6), S("jfcba2@pjn.gov.ar")}};
    if (component == "amb") {
        QList<Row> rows;
        for (const auto &[key, value] : defaultSettings())
            rows << Row {key, value};
        return rows;
    }
    return {};
}

void fill(const TableDef &def, bool legacy)
{
    const QList<Row> rows = rowsFor(def.component);
    if (rows.isEmpty())
        return;
    dbase::Table t(def.fileName);
    t.open(dbase::Table::Mode::Exclusive);
    for (const Row &row : rows) {
        t.append();
        for (int i = 0; i < row.size() && i < def.fields.size(); ++i) {
            if (legacy && def.fields[i].addedByUpgrade)
                continue;
            if (!row[i].isNull())
                t.setValue(def.fields[i].name, row[i]);
        }
        t.post();
    }
    t.close();
}

} // namespace

QList<QPair<QString, QString>> defaultSettings()
{
    QList<QPair<QString, QString>> rows;
    for (const SettingDef &d : settingsCatalogue())
        rows << qMakePair(d.key, d.initial);
    return rows;
}

void createProgramFolder(const QString &folder, bool legacy, const QList<FolderFile> &files)
{
    QDir().mkpath(folder);
    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(folder);
    try {
        for (const TableDef &def : tableDefinitions()) {
            for (const QString &ext : {QStringLiteral(".DBF"), QStringLiteral(".DBT"), QStringLiteral(".MDX"),
                                       QStringLiteral("_bak.mdx")})
                QFile::remove(ProgramFolder::resolve(QFileInfo(def.fileName).completeBaseName() + ext));
            dbase::Table::create(def.fileName, def.descriptors(legacy), def.hasIndex ? def.tags : QList<dbase::TagSpec>());
            fill(def, legacy);
            if (def.hasIndex) {
                const QString base = QFileInfo(def.fileName).completeBaseName();
                QFile::copy(ProgramFolder::resolve(base + QStringLiteral(".mdx")),
                            ProgramFolder::resolve(base + QStringLiteral("_bak.mdx")));
            }
        }
        for (const FolderFile &file : files) {
            if (!file.write(ProgramFolder::resolve(file.name)))
                throw dbase::DatabaseError(QStringLiteral("No se pudo escribir el archivo \"%1\".").arg(file.name));
        }
    } catch (...) {
        ProgramFolder::setPath(before);
        throw;
    }
    ProgramFolder::setPath(before);
}

} // namespace qal

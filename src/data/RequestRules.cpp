// The rules every request record obeys: defaults of a new request, checks and normalisation
// before a save, numbering, the images moved from the working files into the request's own
// files, deletion with the request's files, and the checks before a personal request is
// sent. They run in the table events, so that every path that saves a request passes
// through them.

#include "RequestRules.h"

#include "data/RequestFiles.h"
#include "data/Tdm.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QRandomGenerator>
#include <QUuid>

#include <utility>

namespace qal {
namespace {

using State = dbase::Table::State;

const QString kConfirmarBorrado = QStringLiteral("¿Está seguro que desea eliminar este registro?");
const QString kEdadFechaNacimiento =
    QStringLiteral("El causante debe tener entre 16 y 99 años de edad.\rVerifique la fecha de nacimiento.");
const QString kAnioNacimiento = QStringLiteral("La Fecha de Nacimiento debe ser mayor a 1900");
const QString kClasificacionVacia = QStringLiteral("_____");

[[noreturn]] void abandonar()
{
    throw dbase::Abort();
}

QString texto(const dbase::Table &t, const QString &field)
{
    const QVariant v = t.value(field);
    return v.isNull() ? QString() : v.toString();
}

bool verdadero(const QVariant &v)
{
    return !v.isNull() && v.toBool();
}

bool editando(const dbase::Table &t)
{
    return t.state() == State::Edit || t.state() == State::Insert;
}

void normalizarNombres(dbase::Table &t, const QStringList &fields)
{
    for (const QString &f : fields) {
        const QVariant before = t.value(f);
        const QVariant after = NormalizarNombre(before);
        if (after != before)
            t.setValue(f, after);
    }
}

bool nombresValidos(const dbase::Table &t, const QStringList &fields)
{
    for (const QString &f : fields) {
        if (!NombreValido(t.value(f)))
            return false;
    }
    return true;
}

// Runs CampoVacio over (field, label) pairs; false at the first empty one.
bool camposCompletos(const dbase::Table &t, std::initializer_list<std::pair<const char *, const char *>> fields)
{
    for (const auto &[field, label] : fields) {
        if (CampoVacio(t.value(QLatin1String(field)), QString::fromUtf8(label)))
            return false;
    }
    return true;
}

// A setting that is a code number, as a field value: null when it is empty.
QVariant codigoDeAjuste(const QString &value)
{
    return value.trimmed().isEmpty() ? QVariant() : QVariant(value.trimmed());
}

} // namespace

// ------------------------------------------------------------------ shared checks

bool CampoVacio(const QVariant &value, const QString &label)
{
    const bool vacio = value.isNull() || (value.typeId() == QMetaType::QString && value.toString().isEmpty());
    if (vacio)
        Dialogs::warning(QStringLiteral("Debe completar el campo \"%1\"").arg(label), QStringLiteral("Advertencia"));
    return vacio;
}

bool NombreValido(const QVariant &value)
{
    if (value.isNull())
        return true;
    const QString text = value.toString();
    for (const QChar c : text) {
        const bool valid = (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) || c == QLatin1Char(' ')
            || c == QLatin1Char('\'') || c == QChar(0x00D1); // Ñ, byte 209 of Windows-1252
        if (!valid) {
            Dialogs::information(text + QStringLiteral(" contiene caracteres que no son válidos\r"
                                                       "Sólo se acepta A .. Z y el apostrofe"));
            return false;
        }
    }
    return true;
}

QVariant NormalizarNombre(const QVariant &value)
{
    if (value.isNull())
        return value;
    QString text = value.toString().trimmed();
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') && out.endsWith(QLatin1Char(' ')))
            continue;
        out += c;
    }
    return out;
}

QString GenerarCodigoSeguridad(int length)
{
    QString guid = QUuid::createUuid().toString().toUpper();
    for (const QChar c : {QLatin1Char('\''), QLatin1Char('-'), QLatin1Char('{'), QLatin1Char('}')})
        guid.remove(c);
    if (length <= 0)
        return {};
    length = std::min<int>(length, guid.size());
    // the start is one of the first 22 positions, as far as the length leaves room
    const int positions = std::min<int>(22, guid.size() - length + 1);
    const int start = static_cast<int>(QRandomGenerator::global()->bounded(positions));
    return guid.mid(start, length);
}

const QStringList &camposNombre()
{
    static const QStringList fields {
        QStringLiteral("X_APE1"),     QStringLiteral("X_APE2"),     QStringLiteral("X_NOM1"),
        QStringLiteral("X_NOM2"),     QStringLiteral("X_NOM3"),     QStringLiteral("X_NOMPADR1"),
        QStringLiteral("X_NOMPADR2"), QStringLiteral("X_NOMPADR3"), QStringLiteral("X_APEMADR1"),
        QStringLiteral("X_APEMADR2"), QStringLiteral("X_NOMMADR1"), QStringLiteral("X_NOMMADR2"),
        QStringLiteral("X_NOMMADR3")};
    return fields;
}

int EdadEnAnios(const QDate &birth, const QDate &day)
{
    return static_cast<int>(birth.daysTo(day) / 365);
}

// ------------------------------------------------------------------ wiring

void Tdm::wireRequestRules()
{
    ped.onNewRecord = [this](dbase::Table &t) { pedNewRecord(t); };
    pedp.onNewRecord = [this](dbase::Table &t) { pedpNewRecord(t); };
    for (dbase::Table *t : {&ped, &pedp}) {
        t->beforeInsert = [this](dbase::Table &t) { BeforeEdit(t); };
        t->beforeEdit = [this](dbase::Table &t) { BeforeEdit(t); };
        t->afterDelete = [this](dbase::Table &t) { afterRequestDelete(t); };
    }
    ped.afterEdit = [this](dbase::Table &t) { pedAfterEdit(t); };
    pedp.afterEdit = [this](dbase::Table &t) { pedpAfterEdit(t); };
    ped.beforePost = [this](dbase::Table &t) { pedBeforePost(t); };
    pedp.beforePost = [this](dbase::Table &t) { pedpBeforePost(t); };
    org.beforePost = [this](dbase::Table &t) { orgBeforePost(t); };
    sup.beforeInsert = [this](dbase::Table &t) { supBeforeInsert(t); };
    sup.beforePost = [this](dbase::Table &t) { supBeforePost(t); };
    org.beforeDelete = [this](dbase::Table &t) { BeforeDelete(t); };
    ped.beforeDelete = [this](dbase::Table &t) { pedBeforeDelete(t); };
    pedp.beforeDelete = [this](dbase::Table &t) { pedpBeforeDelete(t); };
    ped.onFieldChange = [this](dbase::Table &t, const QString &field) {
        if (field.compare(QLatin1String("C_ORG"), Qt::CaseInsensitive) == 0)
            pedC_ORGChange(t);
    };
    pedp.onFieldChange = [this](dbase::Table &t, const QString &field) {
        if (field.compare(QLatin1String("C_TRAM"), Qt::CaseInsensitive) == 0)
            pedpC_TRAMChange(t);
    };
    tdel.setFilter([this](const dbase::Table &t) { return tdelFilterRecord(t); });
    ped.addListener([this](dbase::Table &, dbase::Table::Notification n, const QString &) {
        if (n == dbase::Table::Notification::StateChanged || n == dbase::Table::Notification::Opened
            || n == dbase::Table::Notification::Closed)
            dsPedStateChange();
    });
}

// ------------------------------------------------------------------ shared operations

bool Tdm::ConfirmarGrabar()
{
    const bool autorizada = grabacionAutorizada;
    grabacionAutorizada = false;
    if (!autorizada) {
        Dialogs::warning(QStringLiteral("Se han modificado los datos de este registro.\r"
                                        "Presione en el navegador el tilde para grabar\r"
                                        "o la equis para cancelar."),
                         QStringLiteral("Advertencia"));
    }
    return autorizada;
}

bool Tdm::NumerarRegistro(dbase::Table &t, const QString &keyField)
{
    if (!editando(t))
        return true;
    QString counter;
    for (const auto &[component, table] : tables()) {
        if (table == &t)
            counter = component;
    }
    try {
        const qint64 number = NumeroSecuencia(counter);
        t.setValue(keyField, number);
        return true;
    } catch (const dbase::Abort &) {
        return false;
    }
}

bool Tdm::PuedeImprimirContestacion()
{
    if (!verdadero(ped.value(QStringLiteral("M_CONTESTA")))) {
        Dialogs::error(QStringLiteral("El pedido no ha sido contestado"), QStringLiteral("Error"));
        return false;
    }
    if (!ped.isNull(QStringLiteral("B_RESP")))
        return true;
    if (ExisteArchivo(ArchivoPedido(QStringLiteral("c"), ped.value(QStringLiteral("C_PED")),
                                    ped.value(QStringLiteral("C_REG")))))
        return true;
    Dialogs::information(QStringLiteral("Este pedido no posee contestación"));
    return false;
}

bool Tdm::PuedeImprimirContestacionPersonal()
{
    const QString estado = texto(pedp, QStringLiteral("C_EST"));
    if (estado == QLatin1String("C") || estado == QLatin1String("R"))
        return true;
    Dialogs::error(QStringLiteral("El pedido no ha sido contestado o rechazado"), QStringLiteral("Error"));
    return false;
}

void Tdm::FiltrarDelitos(const QString &text)
{
    filtroDelito = text.toLower();
    tdel.setFilter([this](const dbase::Table &t) { return tdelFilterRecord(t); });
}

// ------------------------------------------------------------------ new records, edits

void Tdm::pedNewRecord(dbase::Table &t)
{
    t.setValue(QStringLiteral("M_ENVIADO"), false);
    t.setValue(QStringLiteral("M_CONTESTA"), false);
    t.setValue(QStringLiteral("F_PED"), Clock::today());
    t.setValue(QStringLiteral("C_REG"), codigoDeAjuste(LeerParametro(QStringLiteral("c_reg"))));
    t.setValue(QStringLiteral("C_EST"), QStringLiteral("I"));
    t.clearValue(QStringLiteral("F_NAC"));
    t.setValue(QStringLiteral("C_CARPED"), QStringLiteral("C"));
    t.setValue(QStringLiteral("M_EXCART51"), false);
    t.setValue(QStringLiteral("C_CLASDER"), kClasificacionVacia);
    t.setValue(QStringLiteral("C_CLASIZQ"), kClasificacionVacia);
    t.setValue(QStringLiteral("M_ESPECIAL"), false);
    t.setValue(QStringLiteral("M_TOMA_KTV"), false);
    t.setValue(QStringLiteral("M_MENOR"), false);
}

void Tdm::pedpNewRecord(dbase::Table &t)
{
    t.setValue(QStringLiteral("F_PED"), Clock::today());
    t.setValue(QStringLiteral("C_REG"), codigoDeAjuste(LeerParametro(QStringLiteral("c_regp"))));
    t.clearValue(QStringLiteral("F_NAC"));
    t.setValue(QStringLiteral("M_EXCART51"), false);
    t.setValue(QStringLiteral("C_CLASDER"), kClasificacionVacia);
    t.setValue(QStringLiteral("C_CLASIZQ"), kClasificacionVacia);
}

void Tdm::BeforeEdit(dbase::Table &)
{
    // No image left over from another request may be stored with this one.
    BorrarArchivosTrabajo();
}

void Tdm::pedAfterEdit(dbase::Table &t)
{
    for (const QString &f : {QStringLiteral("C_CLASDER"), QStringLiteral("C_CLASIZQ")}) {
        if (t.isNull(f))
            t.setValue(f, kClasificacionVacia);
    }
}

void Tdm::pedpAfterEdit(dbase::Table &t)
{
    pedAfterEdit(t);
}

void Tdm::pedC_ORGChange(dbase::Table &t)
{
    const QVariant codigo = t.value(QStringLiteral("C_ORG"));
    if (codigo.isNull() || !org.isOpen())
        return;
    const QString key = QStringLiteral("C_ORG");
    if (org.lookup(key, codigo, key).isNull())
        return;
    for (const QString &f : {QStringLiteral("C_PROV"), QStringLiteral("X_DOM"), QStringLiteral("X_LOC"),
                             QStringLiteral("C_CODPOS")})
        t.setValue(f, org.lookup(key, codigo, f));
}

void Tdm::pedpC_TRAMChange(dbase::Table &t)
{
    if (!editando(t))
        return;
    const QVariant tramite = t.value(QStringLiteral("C_TRAM"));
    QVariant prioridad;
    if (!tramite.isNull() && tram.isOpen())
        prioridad = tram.lookup(QStringLiteral("C_TRAM"), tramite, QStringLiteral("C_PRIOR"));
    t.setValue(QStringLiteral("C_PRIOR"), prioridad);
}

void Tdm::pedpCalcFields(dbase::Table &t)
{
    const QVariant expe = t.value(QStringLiteral("N_EXPE"));
    t.setValue(QStringLiteral("c_pedido"),
               QStringLiteral("W") + (expe.isNull() ? QString() : QString::number(expe.toLongLong())));
}

bool Tdm::tdelFilterRecord(const dbase::Table &t) const
{
    if (filtroDelito.isEmpty())
        return true;
    return texto(t, QStringLiteral("X_TDEL")).toLower().contains(filtroDelito);
}

void Tdm::dsPedStateChange()
{
    // closed only for a moment, while a write is re-read
    if (!ped.isOpen())
        return;
    const bool habilitada = ped.state() != State::Browse;
    if (habilitada == busquedaDelitoHabilitada)
        return;
    busquedaDelitoHabilitada = habilitada;
    emit busquedaDelitoHabilitadaChanged(habilitada);
}

// ------------------------------------------------------------------ saves

void Tdm::pedBeforePost(dbase::Table &t)
{
    const bool nuevo = t.state() == State::Insert;
    if (!ConfirmarGrabar())
        abandonar();
    t.setValue(QStringLiteral("C_VERSION"), VersionPrograma);
    if (!camposCompletos(t, {{"C_ORG", "Fuero, Competencia y Nro"},
                             {"X_DOM", "Calle y Nro"},
                             {"X_LOC", "Localidad"},
                             {"C_PROV", "Provincia"},
                             {"C_NAC", "Nacionalidad"},
                             {"C_SEXO", "Sexo"},
                             {"C_CODPOS", "Código Postal"},
                             {"F_PED", "Fecha"},
                             {"X_APE1", "Apellido"},
                             {"X_NOM1", "Nombre"},
                             {"C_PRIOR", "Prioridad"}}))
        abandonar();
    if (t.isNull(QStringLiteral("C_CARPED")))
        t.setValue(QStringLiteral("C_CARPED"), QStringLiteral("C"));

    const bool menor = verdadero(t.value(QStringLiteral("M_MENOR")));
    const QDate nacimiento = t.value(QStringLiteral("F_NAC")).toDate();
    if (nacimiento.isValid()) {
        if (nacimiento.year() < 1900) {
            Dialogs::information(kAnioNacimiento);
            abandonar();
        }
        const int edad = EdadEnAnios(nacimiento, Clock::today());
        if (edad > 99 || (edad < 16 && !menor)) {
            Dialogs::information(kEdadFechaNacimiento);
            abandonar();
        }
    }
    const QVariant edadPresunta = t.value(QStringLiteral("N_EDAD"));
    if (!edadPresunta.isNull()) {
        const double edad = edadPresunta.toDouble();
        if (edad > 99 || (edad < 16 && !menor)) {
            Dialogs::information(
                QStringLiteral("El causante debe tener entre 16 y 99 años de edad.\rVerifique la edad presunta."));
            abandonar();
        }
    }
    if (nuevo && CampoVacio(t.value(QStringLiteral("C_TDEL")), QStringLiteral("Delito")))
        abandonar();
    normalizarNombres(t, camposNombre());
    if (!nombresValidos(t, camposNombre()))
        abandonar();

    // The images: checked here, copied once the request has its number, so that a new
    // request's images are stored under its own name.
    QList<std::pair<QString, QString>> copias; // working file, per-request prefix
    bool conFicha = false;
    if (texto(t, QStringLiteral("C_CARPED")) == QLatin1String("C")) {
        conFicha = true;
        if (!ExisteArchivo(archivos::editTif) && !ExisteArchivo(archivos::dedosTif)
            && !t.isNull(QStringLiteral("B_HUELLA")))
            EscribirArchivo(archivos::editTif, t.value(QStringLiteral("B_HUELLA")).toByteArray());
        if (ExisteArchivo(archivos::editTif)) {
            if (!aceptacionImagenes->CheckCardImage(ProgramFolder::resolve(archivos::editTif)))
                abandonar();
            copias.append({archivos::editTif, QStringLiteral("h")});
        }
        if (ExisteArchivo(archivos::editZip))
            copias.append({archivos::editZip, QStringLiteral("z")});
    }
    if (ExisteArchivo(archivos::docuTif))
        copias.append({archivos::docuTif, QStringLiteral("d")});

    // A refused save that already had its number keeps it.
    if (nuevo && t.isNull(QStringLiteral("C_PED")) && !NumerarRegistro(t, QStringLiteral("C_PED")))
        abandonar();

    const QVariant cPed = t.value(QStringLiteral("C_PED"));
    const QVariant cReg = t.value(QStringLiteral("C_REG"));
    bool fichaFallida = false;
    for (const auto &[trabajo, prefijo] : copias) {
        // A copy that fails is not reported; the request keeps what it had.
        const bool copiado = ReemplazarArchivo(trabajo, ArchivoPedido(prefijo, cPed, cReg));
        if (!copiado && prefijo == QLatin1String("h"))
            fichaFallida = true;
    }
    // The card blob of an old request gives way to the card file only once that file holds
    // the card; a failed copy keeps the blob.
    if (conFicha && !t.isNull(QStringLiteral("B_HUELLA")) && !fichaFallida
        && ExisteArchivo(ArchivoPedido(QStringLiteral("h"), cPed, cReg)))
        t.clearValue(QStringLiteral("B_HUELLA"));
    BorrarArchivos({archivos::docuTif, archivos::editTif, archivos::editZip});
}

void Tdm::pedpBeforePost(dbase::Table &t)
{
    const bool nuevo = t.state() == State::Insert;
    t.setValue(QStringLiteral("C_VERSION"), VersionPrograma);
    if (!hayLiveScan)
        t.setValue(QStringLiteral("C_LOGIN"), usuarioActual);
    if (mDomic && texto(t, QStringLiteral("C_TRAM")) != QLatin1String("6")
        && texto(t, QStringLiteral("C_PAGO_DOMIC")).isEmpty()) {
        // the authorisation was for this attempt
        grabacionAutorizada = false;
        Dialogs::information(QStringLiteral("ERROR: En los pedidos domiciliarios que no sean exentos, se debe "
                                            "cargar el código del pago domiciliario"));
        abandonar();
    }
    if (!ConfirmarGrabar())
        abandonar();
    normalizarNombres(t, camposNombre());
    if (nuevo) {
        // A refused save that already had its number keeps it.
        if (t.isNull(QStringLiteral("C_PED")) && !NumerarRegistro(t, QStringLiteral("C_PED")))
            abandonar();
        t.setValue(QStringLiteral("C_EST"), QStringLiteral("I"));
    }
    // Both images are checked before either is copied.
    const bool conFicha = ExisteArchivo(archivos::editTif);
    if (conFicha && !aceptacionImagenes->CheckCardImage(ProgramFolder::resolve(archivos::editTif)))
        abandonar();
    const bool conDocumentos = ExisteArchivo(archivos::docuTif);
    if (conDocumentos && !aceptacionImagenes->CheckDocumentImage(ProgramFolder::resolve(archivos::docuTif)))
        abandonar();
    const QVariant cPed = t.value(QStringLiteral("C_PED"));
    const QVariant cReg = t.value(QStringLiteral("C_REG"));
    // Copy failures are not reported; the request keeps what it had.
    if (conFicha)
        ReemplazarArchivo(archivos::editTif, ArchivoPedido(QStringLiteral("hp"), cPed, cReg));
    if (ExisteArchivo(archivos::editZip))
        ReemplazarArchivo(archivos::editZip, ArchivoPedido(QStringLiteral("zp"), cPed, cReg));
    if (conDocumentos)
        ReemplazarArchivo(archivos::docuTif, ArchivoPedido(QStringLiteral("dp"), cPed, cReg));
    BorrarArchivos({archivos::editTif, archivos::docuTif, archivos::editZip});

    if (texto(t, QStringLiteral("C_EST")) == QLatin1String("D"))
        t.clearValue(QStringLiteral("F_CON"));
    if (t.isNull(QStringLiteral("C_SEGUR")))
        t.setValue(QStringLiteral("C_SEGUR"), GenerarCodigoSeguridad(10));
    const QString pago = texto(t, QStringLiteral("C_PAGO"));
    if (!pago.trimmed().isEmpty() && formularioPedidoPersonalVisible && formularioPedidoPersonalVisible()
        && pago.mid(1, 1) != texto(t, QStringLiteral("C_TRAM"))) {
        Dialogs::information(
            QStringLiteral("ERROR: El tipo de trámite no corresponde con el tipo indicado en la Boleta"));
        abandonar();
    }
}

void Tdm::orgBeforePost(dbase::Table &t)
{
    if (!ConfirmarGrabar())
        abandonar();
    if (!camposCompletos(t, {{"X_ORG", "Organismo"},
                             {"X_DOM", "Domicilio"},
                             {"X_LOC", "Localidad"},
                             {"C_PROV", "Provincia"},
                             {"C_CODPOS", "Código Postal"}}))
        abandonar();
    if (t.state() == State::Insert && !NumerarRegistro(t, QStringLiteral("C_ORG")))
        abandonar();
}

void Tdm::supBeforeInsert(dbase::Table &)
{
    if (ped.state() == State::Insert)
        Dialogs::warning(QStringLiteral("Debe grabar el pedido antes de ingresar Supuestos"),
                         QStringLiteral("Advertencia"));
}

void Tdm::supBeforePost(dbase::Table &t)
{
    if (t.isNull(QStringLiteral("X_APE1"))) {
        Dialogs::information(QStringLiteral("Debe completar el primer apellido"));
        abandonar();
    }
    if (t.isNull(QStringLiteral("X_NOM1"))) {
        Dialogs::information(QStringLiteral("Debe completar el primer nombre"));
        abandonar();
    }
    const QStringList nombres {QStringLiteral("X_APE1"), QStringLiteral("X_APE2"), QStringLiteral("X_NOM1"),
                               QStringLiteral("X_NOM2"), QStringLiteral("X_NOM3")};
    if (!nombresValidos(t, nombres))
        abandonar();
    normalizarNombres(t, nombres);
    t.setValue(QStringLiteral("C_REG"), codigoDeAjuste(LeerParametro(QStringLiteral("c_reg"))));
    const QVariant organismo = ped.isOpen() ? ped.value(QStringLiteral("C_ORG")) : QVariant();
    t.setValue(QStringLiteral("C_PROV"), organismo.isNull() || !org.isOpen()
                                             ? QVariant()
                                             : org.lookup(QStringLiteral("C_ORG"), organismo, QStringLiteral("C_PROV")));
}

// ------------------------------------------------------------------ deletes

void Tdm::BeforeDelete(dbase::Table &)
{
    if (!Dialogs::confirm(kConfirmarBorrado, QStringLiteral("Confirmar")))
        abandonar();
}

void Tdm::pedBeforeDelete(dbase::Table &t)
{
    m_archivosABorrar.clear();
    BeforeDelete(t);
    const QVariant cPed = t.value(QStringLiteral("C_PED"));
    const QVariant cReg = t.value(QStringLiteral("C_REG"));
    // The document file stays until the purge.
    m_archivosABorrar = {ArchivoPedido(QStringLiteral("h"), cPed, cReg), ArchivoPedido(QStringLiteral("z"), cPed, cReg),
                         ArchivoPedido(QStringLiteral("c"), cPed, cReg)};
}

void Tdm::pedpBeforeDelete(dbase::Table &t)
{
    m_archivosABorrar.clear();
    BeforeDelete(t);
    const QVariant cPed = t.value(QStringLiteral("C_PED"));
    const QVariant cReg = t.value(QStringLiteral("C_REG"));
    m_archivosABorrar = {ArchivoPedido(QStringLiteral("hp"), cPed, cReg),
                         ArchivoPedido(QStringLiteral("zp"), cPed, cReg),
                         ArchivoPedido(QStringLiteral("cp"), cPed, cReg)};
}

void Tdm::afterRequestDelete(dbase::Table &t)
{
    // Only now that the record is gone: a delete that failed keeps the request's images.
    const QStringList files = std::exchange(m_archivosABorrar, {});
    BorrarArchivos(files);
    FlushBuffers(t);
}

// ------------------------------------------------------------------ before sending

bool Tdm::ComprobarPedidoPersonal()
{
    dbase::Table &t = pedp;
    if (texto(t, QStringLiteral("C_TRAM")) == QLatin1String("6")
        && (t.isNull(QStringLiteral("C_PRIOR")) || t.value(QStringLiteral("C_PRIOR")).toDouble() != 3)) {
        Dialogs::information(QStringLiteral("Los exentos deben tener prioridad 5 Dias."));
        return false;
    }
    const QDate nacimiento = t.value(QStringLiteral("F_NAC")).toDate();
    if (nacimiento.isValid()) {
        if (nacimiento.year() < 1900) {
            Dialogs::information(kAnioNacimiento);
            return false;
        }
        const int edad = EdadEnAnios(nacimiento, Clock::today());
        if (edad > 99 || edad < 16) {
            Dialogs::information(kEdadFechaNacimiento);
            return false;
        }
    }
    if (!camposCompletos(t, {{"C_TDOC", "Tipo de Documento"},
                             {"C_SEXO", "Sexo"},
                             {"C_NAC", "Nacionalidad"},
                             {"F_PED", "Fecha del Pedido"},
                             {"X_APE1", "Apellido"},
                             {"X_NOM1", "Nombre"},
                             {"N_DOC", "Número de Documento"},
                             {"F_NAC", "Fecha de Nacimiento"},
                             {"C_PRIOR", "Prioridad"},
                             {"C_TRAM", "Tipo de Trámite"}}))
        return false;
    const bool exento = texto(t, QStringLiteral("C_TRAM")) == QLatin1String("6");
    if (LeerParametro(QStringLiteral("m_fecpago")) == QLatin1String("S") && !exento
        && CampoVacio(t.value(QStringLiteral("F_PAGO")), QStringLiteral("Fecha de Pago")))
        return false;
    const QDate pago = t.value(QStringLiteral("F_PAGO")).toDate();
    if (pago.isValid()) {
        const QDate pedido = t.value(QStringLiteral("F_PED")).toDate();
        if (pago > pedido) {
            Dialogs::information(QStringLiteral("ERROR: La fecha de pago debe ser anterior a la fecha del pedido"));
            return false;
        }
        bool ok = false;
        int limite = LeerParametro(QStringLiteral("dias_fpago")).trimmed().toInt(&ok);
        if (!ok)
            limite = 365;
        if (pago.daysTo(pedido) > limite) {
            Dialogs::information(
                QStringLiteral("ERROR: La fecha de pago no debe tener más de %1 días").arg(limite));
            return false;
        }
    }
    if (!nombresValidos(t, camposNombre()))
        return false;

    const QString boleta = texto(t, QStringLiteral("C_PAGO")).trimmed();
    const QVariant documento = t.value(QStringLiteral("N_DOC"));
    if (!mChkDatBol || boleta.isEmpty() || documento.isNull() || !servicioBoleta)
        return true;
    QString error;
    const int encontrada = servicioBoleta->ObtenerDatosBoleta(boleta, static_cast<qint64>(documento.toDouble()), error);
    if (encontrada == 1) {
        QString diferencias;
        if (servicioBoleta->CompararDatosBoleta(boleta, texto(t, QStringLiteral("X_APE1")), nacimiento, documento,
                                                texto(t, QStringLiteral("X_NOM1")), diferencias))
            return true;
        return compararPedidoBoleta
            && compararPedidoBoleta(boleta, t.value(QStringLiteral("C_REG")), t.value(QStringLiteral("C_PED")));
    }
    if (encontrada == 0) {
        return !Dialogs::confirm(QStringLiteral("El Documento del Pedido no corresponde con la Boleta ó Boleta "
                                                "Inexistente.\r¿Desea cancelar el envío del pedido?"),
                                 QStringLiteral("Advertencia"));
    }
    Dialogs::information(QStringLiteral("ERROR: Al intentar verificar los datos con la boleta.\rMensaje: ") + error);
    return true;
}

} // namespace qal

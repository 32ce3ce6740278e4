#include "exchange/ContestacionesCentral.h"

#include "data/EstadosCentral.h"
#include "data/PosicionTabla.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"
#include "core/Cp1252.h"
#include "core/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qal::exchange {

namespace {

const QString kRespDat = QStringLiteral("resp.dat");
const QString kRespTif = QStringLiteral("resp.tif");
const QString kEstOfi = QStringLiteral("EstOfi.DAT");
const QString kEstPriv = QStringLiteral("EstPriv.DAT");

QString ahora()
{
    return Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
}

qlonglong integer(const QString &text)
{
    bool ok = false;
    const qlonglong n = text.trimmed().toLongLong(&ok);
    return ok ? n : 0;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    return fa.isFile() && fb.isFile() && fa.size() == fb.size() && contents(a) == contents(b);
}

// A text field holds what a save would leave of value: cut to the field's width, blanks
// trimmed.
bool holds(const dbase::Table &t, const char *field, const QString &value)
{
    const QString name = QLatin1String(field);
    return t.value(name).toString().trimmed() == value.left(t.fieldWidth(name)).trimmed();
}

bool holdsFile(const dbase::Table &t, qlonglong expediente)
{
    return expediente <= 0 || t.value(QStringLiteral("N_EXPE")).toLongLong() == expediente;
}

QString estadoActual(const dbase::Table &t)
{
    return t.value(QStringLiteral("C_EST")).toString().trimmed();
}

// Deletes the attachment files a handler looked at, whatever it did with them.
class Consumidos
{
public:
    explicit Consumidos(QStringList paths)
        : m_paths(std::move(paths))
    {
    }
    ~Consumidos()
    {
        for (const QString &p : m_paths)
            QFile::remove(p);
    }

private:
    QStringList m_paths;
};

} // namespace

bool RespuestaCentral::leer(const QString &path, RespuestaCentral *r)
{
    if (!QFileInfo(path).isFile())
        return false;
    const IniFile ini(path);
    const auto text = [&ini](const char *key) { return ini.readString(QStringLiteral("DATA"), QLatin1String(key)); };
    r->c_ped = integer(text("c_ped"));
    r->c_reg = integer(text("c_reg"));
    r->n_expe = integer(text("n_expe"));
    r->c_est = text("c_est");
    r->x_obs = text("x_obs");
    r->n_cert = text("n_cert");
    r->c_rechazo = text("c_rechazo");
    r->c_res = text("c_res");
    return true;
}

ContestacionesCentral::ContestacionesCentral(Tdm &dm, const QString &carpeta, AvisosRecepcion &avisos,
                                             const QString &prefijo)
    : m_dm(dm)
    , m_carpeta(carpeta)
    , m_avisos(avisos)
    , m_prefijo(prefijo)
{
}

QString ContestacionesCentral::archivoContestacion(qlonglong cPed, qlonglong cReg, bool personal)
{
    return ArchivoPedido(personal ? QStringLiteral("cp") : QStringLiteral("c"), cPed, cReg);
}

QString ContestacionesCentral::ruta(const QString &name) const
{
    return QDir(m_carpeta).filePath(m_prefijo + name);
}

bool ContestacionesCentral::falla(const QString &motivo)
{
    m_motivo = motivo;
    return false;
}

void ContestacionesCentral::linea(const QString &texto)
{
    m_avisos.actividad(ahora() + texto);
}

ContestacionesCentral::Paso ContestacionesCentral::transicion(const QString &actual, const QString &destino)
{
    const bool enviado = actual == QLatin1String("E") || actual == QLatin1String("T");
    if (destino == QLatin1String("T")) {
        if (enviado)
            return Paso::Aplicar;
        if (actual == QLatin1String("C") || actual == QLatin1String("R"))
            return Paso::SinEfecto; // a late receipt never moves a closed request back
        return Paso::Rehusar;
    }
    if (destino == QLatin1String("C") || destino == QLatin1String("R"))
        return enviado || actual == destino ? Paso::Aplicar : Paso::Rehusar;
    return Paso::Rehusar;
}

bool ContestacionesCentral::leerRespuesta(RespuestaCentral *r)
{
    if (!RespuestaCentral::leer(ruta(kRespDat), r))
        return falla(QStringLiteral("falta el archivo resp.dat"));
    if (r->c_ped <= 0 || r->c_reg <= 0)
        return falla(QStringLiteral("resp.dat no indica pedido y regional"));
    return true;
}

bool ContestacionesCentral::buscar(dbase::Table &t, const RespuestaCentral &r)
{
    if (!t.findKey(r.c_ped))
        return falla(QStringLiteral("no existe el pedido %1").arg(r.c_ped));
    const qlonglong reg = t.value(QStringLiteral("C_REG")).toLongLong();
    if (reg != r.c_reg)
        return falla(QStringLiteral("el pedido %1 es de la regional %2, no de la %3").arg(r.c_ped).arg(reg).arg(r.c_reg));
    return true;
}

bool ContestacionesCentral::guardar(dbase::Table &t, const std::function<void(dbase::Table &)> &cambios)
{
    try {
        t.edit();
        cambios(t);
        m_dm.grabacionAutorizada = true;
        t.post();
        return true;
    } catch (const std::exception &e) {
        // Refused by the record rules or by the engine: the edit is cancelled, so the table
        // never stays in edit state (which would keep every later reception away).
        m_dm.grabacionAutorizada = false;
        if (t.state() != dbase::Table::State::Browse) {
            try {
                t.cancel();
            } catch (const std::exception &) {
            }
        }
        const auto *refused = dynamic_cast<const dbase::Abort *>(&e);
        return falla(refused ? QStringLiteral("las reglas del pedido no aceptaron la grabación")
                             : QString::fromUtf8(e.what()));
    }
}

bool ContestacionesCentral::ProcesarContestacionOficial()
{
    m_motivo.clear();
    const Consumidos consumidos {{ruta(kRespDat), ruta(kRespTif)}};
    RespuestaCentral r;
    if (!leerRespuesta(&r))
        return false;
    if (!QFileInfo(ruta(kRespTif)).isFile())
        return falla(QStringLiteral("falta el archivo resp.tif"));
    dbase::Table &t = m_dm.ped;
    const PosicionTabla posicion(t, QStringLiteral("C_PED"));
    if (!buscar(t, r))
        return false;
    const QString actual = estadoActual(t);
    if (transicion(actual, QStringLiteral("C")) != Paso::Aplicar)
        return falla(QStringLiteral("el pedido %1 está en estado %2").arg(r.c_ped).arg(actual));
    const QString archivo = archivoContestacion(r.c_ped, r.c_reg, false);
    if (actual == QLatin1String("C") && t.value(QStringLiteral("M_CONTESTA")).toBool() && holdsFile(t, r.n_expe)
        && sameFile(ruta(kRespTif), ProgramFolder::resolve(archivo)))
        return true; // applied before
    // The image first: a request is never "C" without its answer.
    if (!ReemplazarArchivo(ruta(kRespTif), archivo))
        return falla(QStringLiteral("no se pudo guardar la contestación en ") + archivo);
    const bool ok = guardar(t, [&](dbase::Table &p) {
        if (r.n_expe > 0)
            p.setValue(QStringLiteral("N_EXPE"), r.n_expe);
        p.setValue(QStringLiteral("F_CON"), Clock::today());
        p.setValue(QStringLiteral("M_CONTESTA"), true);
        p.setValue(QStringLiteral("C_EST"), QStringLiteral("C"));
    });
    if (ok && m_dm.mImpAuto)
        m_avisos.imprimirImagen(archivo);
    return ok;
}

bool ContestacionesCentral::ProcesarConfirmacionOficial()
{
    m_motivo.clear();
    const Consumidos consumidos {{ruta(kRespDat), ruta(kRespTif)}};
    RespuestaCentral r;
    if (!leerRespuesta(&r))
        return false;
    if (r.c_est != QLatin1String("T"))
        return falla(QStringLiteral("la confirmación no trae el estado T"));
    dbase::Table &t = m_dm.ped;
    const PosicionTabla posicion(t, QStringLiteral("C_PED"));
    if (!buscar(t, r))
        return false;
    const QString actual = estadoActual(t);
    const QString texto = QStringLiteral(" Pedido Oficial %1 Recibido y en Trámite").arg(r.c_ped);
    switch (transicion(actual, QStringLiteral("T"))) {
    case Paso::Rehusar:
        return falla(QStringLiteral("el pedido %1 está en estado %2").arg(r.c_ped).arg(actual));
    case Paso::SinEfecto:
        linea(QLatin1Char(' ') + texto + QStringLiteral(": sin efecto, el pedido ya está ")
              + (actual == QLatin1String("C") ? QStringLiteral("Contestado") : QStringLiteral("Rechazado")));
        return true;
    case Paso::Aplicar:
        break;
    }
    if (actual == QLatin1String("T") && holdsFile(t, r.n_expe))
        return true; // applied before
    if (!guardar(t, [&](dbase::Table &p) {
            if (r.n_expe > 0)
                p.setValue(QStringLiteral("N_EXPE"), r.n_expe);
            p.setValue(QStringLiteral("C_EST"), QStringLiteral("T"));
        }))
        return false;
    linea(QLatin1Char(' ') + texto);
    m_avisos.mostrarActividad();
    return true;
}

bool ContestacionesCentral::ProcesarContestacionPersonal()
{
    m_motivo.clear();
    const Consumidos consumidos {{ruta(kRespDat), ruta(kRespTif)}};
    RespuestaCentral r;
    if (!leerRespuesta(&r))
        return false;
    const bool imagen = QFileInfo(ruta(kRespTif)).isFile();
    dbase::Table &t = m_dm.pedp;
    const PosicionTabla posicion(t, QStringLiteral("C_PED"));
    if (!buscar(t, r))
        return false;
    const QString actual = estadoActual(t);
    const QString inicio = QStringLiteral("  Pedido Personal %1").arg(r.c_ped);
    switch (transicion(actual, r.c_est)) {
    case Paso::Rehusar:
        return falla(QStringLiteral("el pedido %1 está en estado %2 y la contestación trae el estado \"%3\"")
                         .arg(r.c_ped)
                         .arg(actual, r.c_est));
    case Paso::SinEfecto:
        linea(inicio + QStringLiteral(" Recibido y en Trámite: sin efecto, el pedido ya está ")
              + (actual == QLatin1String("C") ? QStringLiteral("Contestado") : QStringLiteral("Rechazado")));
        return true;
    case Paso::Aplicar:
        break;
    }
    const bool cierra = r.c_est != QLatin1String("T");
    const bool porCorreo = r.c_res == QLatin1String("R");
    const QString archivo = archivoContestacion(r.c_ped, r.c_reg, true);
    const bool yaEstaba = actual == r.c_est && holdsFile(t, r.n_expe)
                          && (!cierra
                              || (holds(t, "N_CERT", r.n_cert) && holds(t, "X_OBS", r.x_obs)
                                  && holds(t, "C_RECHAZO", r.c_rechazo) && holds(t, "C_RES", r.c_res)))
                          && (imagen ? sameFile(ruta(kRespTif), ProgramFolder::resolve(archivo))
                                     : !(porCorreo && ExisteArchivo(archivo)));
    if (yaEstaba)
        return true; // applied before
    if (imagen && !ReemplazarArchivo(ruta(kRespTif), archivo))
        return falla(QStringLiteral("no se pudo guardar la contestación en ") + archivo);
    if (!guardar(t, [&](dbase::Table &p) {
            p.setValue(QStringLiteral("C_EST"), r.c_est);
            if (r.n_expe > 0)
                p.setValue(QStringLiteral("N_EXPE"), r.n_expe);
            if (cierra) {
                p.setValue(QStringLiteral("F_CON"), Clock::today());
                p.setValue(QStringLiteral("N_CERT"), r.n_cert);
                p.setValue(QStringLiteral("X_OBS"), r.x_obs);
                p.setValue(QStringLiteral("C_RECHAZO"), r.c_rechazo);
                p.setValue(QStringLiteral("C_RES"), r.c_res);
            }
        }))
        return false;
    // Answered by post: the stored image is no longer the answer. Only once the request
    // says so, so that a refused save keeps it.
    if (porCorreo && !imagen)
        BorrarArchivo(archivo);

    if (r.c_est == QLatin1String("R")) {
        linea(inicio + QStringLiteral(" Rechazado"));
    } else if (r.c_est == QLatin1String("C")) {
        if (!porCorreo || imagen)
            linea(inicio + QStringLiteral(" Contestado"));
        else
            linea(inicio + QStringLiteral(" Contestado por vía postal, carta certificada número ") + r.n_cert);
        if (m_dm.mImpConfP)
            m_avisos.imprimirContestacionPersonal();
    } else {
        linea(inicio + QStringLiteral(" Recibido y en Trámite"));
    }
    if (imagen && m_dm.mImpAuto)
        m_avisos.imprimirImagen(archivo);
    m_avisos.mostrarActividad();
    return true;
}

bool ContestacionesCentral::rechazo(dbase::Table &t, const QString &tipo)
{
    m_motivo.clear();
    const Consumidos consumidos {{ruta(kRespDat), ruta(kRespTif)}};
    RespuestaCentral r;
    if (!leerRespuesta(&r))
        return false;
    if (r.c_est != QLatin1String("R"))
        return falla(QStringLiteral("el rechazo no trae el estado R"));
    const PosicionTabla posicion(t, QStringLiteral("C_PED"));
    if (!buscar(t, r))
        return false;
    const QString actual = estadoActual(t);
    if (transicion(actual, QStringLiteral("R")) != Paso::Aplicar)
        return falla(QStringLiteral("el pedido %1 está en estado %2").arg(r.c_ped).arg(actual));
    if (actual == QLatin1String("R") && holdsFile(t, r.n_expe) && holds(t, "X_RECHAZO", r.x_obs))
        return true; // applied before
    if (!guardar(t, [&](dbase::Table &p) {
            if (r.n_expe > 0)
                p.setValue(QStringLiteral("N_EXPE"), r.n_expe);
            p.setValue(QStringLiteral("C_EST"), QStringLiteral("R"));
            p.setValue(QStringLiteral("X_RECHAZO"), r.x_obs);
        }))
        return false;
    linea(QStringLiteral("  Pedido %1 %2 Rechazado. Observaciones:").arg(tipo).arg(r.c_ped) + r.x_obs);
    m_avisos.mostrarActividad();
    return true;
}

bool ContestacionesCentral::ProcesarRechazoOficial()
{
    return rechazo(m_dm.ped, QStringLiteral("Oficial"));
}

bool ContestacionesCentral::ProcesarRechazoPersonal()
{
    return rechazo(m_dm.pedp, QStringLiteral("Privado"));
}

bool ContestacionesCentral::ProcesarEstadoCentral()
{
    m_motivo.clear();
    m_avisos.limpiarEstados();
    bool found = false;
    const std::pair<QString, ListaEstados> lists[] = {{kEstOfi, ListaEstados::Oficiales},
                                                      {kEstPriv, ListaEstados::Personales}};
    for (const auto &[name, kind] : lists) {
        const QString path = ruta(name);
        if (!QFileInfo(path).isFile())
            continue;
        found = true;
        const QString text = fromCp1252(contents(path));
        QFile::remove(path);
        m_avisos.estados(AplicarListaEstados(m_dm, kind, text));
    }
    if (!found)
        return falla(QStringLiteral("faltan los archivos EstOfi.DAT y EstPriv.DAT"));
    return true;
}

} // namespace qal::exchange

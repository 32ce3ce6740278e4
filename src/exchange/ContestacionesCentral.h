#pragma once

#include "exchange/AvisosRecepcion.h"

#include <QString>

#include <functional>

namespace qal {
class Tdm;
namespace dbase {
class Table;
}
} // namespace qal

namespace qal::exchange {

// The keys of "resp.dat", the small INI file ([DATA]) that comes with every answer of the
// central office. Integers read 0 when missing or not numeric, texts empty when missing.
struct RespuestaCentral
{
    qlonglong c_ped = 0;
    qlonglong c_reg = 0;
    qlonglong n_expe = 0;
    QString c_est;
    QString x_obs;
    QString n_cert;
    QString c_rechazo;
    QString c_res;

    // False when the file does not exist.
    static bool leer(const QString &path, RespuestaCentral *respuesta);
};

// The answer handlers: each applies the attachments saved in the program folder to its
// request and returns true when the message is dealt with (and may be deleted). False
// leaves the message on the server for the next run; motivo() then says why.
//
// A request moves only along its state rules: a confirmation ("T") of a request already
// answered or rejected changes nothing and is dealt with; an answer or rejection for a
// request that was never sent ("I"), is being corrected ("D") or was already closed the
// other way is refused. A message applied before (a run stopped between the save and the
// deletion) is recognised by the request already holding what it carries, and changes,
// logs and prints nothing a second time.
class ContestacionesCentral
{
public:
    // prefijo: put before every attachment name (Outlook's counter); empty for POP3.
    ContestacionesCentral(Tdm &dm, const QString &carpeta, AvisosRecepcion &avisos, const QString &prefijo = {});

    bool ProcesarContestacionOficial();
    bool ProcesarConfirmacionOficial();
    bool ProcesarContestacionPersonal();
    bool ProcesarRechazoOficial();
    bool ProcesarRechazoPersonal();
    bool ProcesarEstadoCentral();

    const QString &motivo() const { return m_motivo; }

    // The answer files' names in the program folder.
    static QString archivoContestacion(qlonglong cPed, qlonglong cReg, bool personal);

private:
    enum class Paso { Aplicar, SinEfecto, Rehusar };
    static Paso transicion(const QString &actual, const QString &destino);

    QString ruta(const QString &name) const;
    bool leerRespuesta(RespuestaCentral *r);
    bool buscar(dbase::Table &t, const RespuestaCentral &r);
    bool guardar(dbase::Table &t, const std::function<void(dbase::Table &)> &cambios);
    bool rechazo(dbase::Table &t, const QString &tipo);
    bool falla(const QString &motivo);
    void linea(const QString &texto);

    Tdm &m_dm;
    QString m_carpeta;
    AvisosRecepcion &m_avisos;
    QString m_prefijo;
    QString m_motivo;
};

} // namespace qal::exchange

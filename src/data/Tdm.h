#pragma once

#include "data/BankSlipService.h"
#include "data/ImageAcceptance.h"
#include "data/MessageTransport.h"
#include "data/Progress.h"
#include "data/RequestLists.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace qal {

// The data module: every table of the program, open from start-up to the end of the
// process, the settings read at start, the mail timer and the run-time flags. Windows reach
// the data only through it.
class Tdm : public QObject
{
    Q_OBJECT

public:
    explicit Tdm(QObject *parent = nullptr);
    ~Tdm() override;

    static Tdm *instance(); // the one data module of the process (the last created)

    // ---- tables, in component order
    dbase::Table sec, org, prov, ped, nac, tdoc, sexo, prior, pedp, sup, Est, expp, res, usu, estcent, tdel,
        tram, amb, carped, url;
    // Every table object with its component name, in component order.
    QList<QPair<QString, dbase::Table *>> tables();
    dbase::Table *table(const QString &component);

    // ---- run-time state
    bool RecepcionLibre = true;
    bool InicioCompleto = false;
    QString VersionPrograma;
    bool grabacionAutorizada = false; // the save-authorised flag of the record rules
    int maxContes = 1;
    bool mSegur = false, mImpConfP = false, mNomi = false, mObliDoc = true, hayLiveScan = false,
         mDomic = false, mChkDatBol = true, mImpAuto = true;
    QTimer Timer;
    // The one bank-slip record the bank-slip service returned, compared with a personal request.
    PedBol pedBol;

    // What start-up needs of the windows: progress windows and a way to end the program.
    ProgressFactory openProgress;
    std::function<void()> terminate;
    // Fetches and processes the mailbox; set by the mail layer.
    std::function<void()> fetchMail;
    // The one transport object; installed by the exchange layer at start.
    std::unique_ptr<MessageTransport> SMime;
    // Sends through SMime; without one the failure is shown and the result is false.
    bool EnviarMensaje(const QString &destinatario, const QString &asunto, int pedido, int regional,
                       const QStringList &adjuntos, const QString &cuerpo);

    // ---- start-up: repair, upgrade, pack, re-index, open, read the settings
    void dmCreate();
    bool terminated() const { return m_terminated; }

    // ---- settings (the parameter table)
    QString LeerParametro(const QString &key);
    // Never throws: any failure gives false and leaves the stored value as it was.
    bool GrabarParametro(const QString &key, const QString &value);
    // Re-reads the flags the settings window changes: mNomi, mDomic, mChkDatBol, mImpAuto.
    void refreshFlags();

    // ---- maintenance
    // Opens every table once; an index that fails is restored from its "_bak.mdx" copy (or,
    // without a usable copy, written from the program's definitions). Tables whose header
    // disagrees with their file are listed in tablasDanadas and left untouched.
    void RepararIndices();
    // File names of the tables found damaged at start: read only, and no maintenance step
    // writes them.
    QStringList tablasDanadas;
    void ActualizarEsquema();
    // Packs one table file exclusively, regenerating its indexes when asked.
    void Empaquetar(const QString &fileName, bool regenerate = true);
    // Regenerates every table's indexes; false when a table is missing (the program ends).
    // Tables in fresh (file names) had theirs regenerated a moment ago and are only checked.
    bool Reindexar(Progress *progress, const QStringList &fresh = {});
    void PurgarContestaciones(Progress *progress);
    void FlushBuffers(dbase::Table &table);

    // ---- sequence numbers; 0 after the message when the counter is missing or zero
    qint64 NumeroSecuencia(const QString &name);

    // ---- periodic reception
    void RecibirCorreo();
    void TimerTick(bool receptionDisabled);

    // ---- request records (RequestRules.cpp)
    QString usuarioActual; // the logged-in operator's user name
    QString filtroDelito;  // offence filter text, lower case; empty accepts every offence
    bool busquedaDelitoHabilitada = false; // the official form's offence search button
    // The bank-slip look-up of the checks before sending a personal request.
    std::unique_ptr<BankSlipService> servicioBoleta;
    // Applies a slip code to the current personal request (BankSlips.cpp): its procedure type
    // (the code's second character) with that type's priority, and for types other than "6"
    // the bank and, with the slip checks on, the payment date. False after the message when
    // the type is unknown.
    bool AplicarBoleta(const QString &boleta);
    bool ObtenerFechaPago(const QString &boleta, QDate &fecha);
    // The slip's look-up texts, named by this office's tables from the codes the central
    // office sent (BankSlips.cpp): "x_sexo" (sexo by c_sexo), "x_nac" (nac by c_pais) and
    // "x_tdoc" (the tdoc row whose C_EXPORT is c_tdoc, the central office's document code).
    // Empty without a code or for a code the table lacks.
    QString nombreEnBoleta(const QString &lookup) const;
    // The card and document image checks of a save, installed by the image services.
    std::unique_ptr<ImageAcceptance> aceptacionImagenes;
    // Set by the windows: whether the personal request form is on screen, and the window
    // that compares a personal request with its bank slip (C_PAGO, C_REG, C_PED; true when
    // the operator goes on).
    std::function<bool()> formularioPedidoPersonalVisible;
    std::function<bool(const QString &cPago, const QVariant &cReg, const QVariant &cPed)> compararPedidoBoleta;

    bool ConfirmarGrabar();
    bool NumerarRegistro(dbase::Table &table, const QString &keyField);
    bool ComprobarPedidoPersonal();
    bool PuedeImprimirContestacion();
    bool PuedeImprimirContestacionPersonal();
    // Sets the offence filter text and applies it to tdel.
    void FiltrarDelitos(const QString &text);

    // Table events of the request tables, agencies and aliases.
    void pedNewRecord(dbase::Table &t);
    void pedpNewRecord(dbase::Table &t);
    void BeforeEdit(dbase::Table &t);
    void pedAfterEdit(dbase::Table &t);
    void pedpAfterEdit(dbase::Table &t);
    void pedBeforePost(dbase::Table &t);
    void pedpBeforePost(dbase::Table &t);
    void orgBeforePost(dbase::Table &t);
    void supBeforeInsert(dbase::Table &t);
    void supBeforePost(dbase::Table &t);
    void BeforeDelete(dbase::Table &t);
    void pedBeforeDelete(dbase::Table &t);
    void pedpBeforeDelete(dbase::Table &t);
    void pedC_ORGChange(dbase::Table &t);
    void pedpC_TRAMChange(dbase::Table &t);
    void pedpCalcFields(dbase::Table &t);
    bool tdelFilterRecord(const dbase::Table &t) const;
    void dsPedStateChange();

Q_SIGNALS:
    void terminateRequested();
    void busquedaDelitoHabilitadaChanged(bool enabled);

private:
    // The schema upgrade one step at a time, each a rewrite of its table.
    void upgradeStepByStep(const std::function<bool(const char *)> &damaged);
    void repairIndexOf(const QString &component, dbase::Table &table);
    void reportDamagedTables();
    void wireEvents();
    void declareCalculatedFields();
    void openTables();
    void migratePop3Password();
    bool checkExportField();
    void readSettings();
    void requestTermination();
    void wireRequestRules();
    // The files of the request being deleted, removed once the record is gone.
    void afterRequestDelete(dbase::Table &t);

    bool m_terminated = false;
    QStringList m_archivosABorrar;
};

// Field widths of a table file: the declared width of a field, and changing it in place
// when it is oldWidth. folder is the program folder.
int AnchoCampo(const QString &folder, const QString &tableFile, const QString &field);
void CambiarAncho(const QString &folder, const QString &tableFile, const QString &field, int newWidth, int oldWidth);

} // namespace qal

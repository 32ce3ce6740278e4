#pragma once

#include "requests/ConsultaExpediente.h"
#include "requests/ConsultaMotivoRechazo.h"

#include <QDialog>
#include <QMainWindow>

#include <functional>
#include <memory>

namespace Ui {
class TFMenu;
}

namespace qal::exchange {
class TSMimeReg;
class TFSelInternet;
class TFRecEst;
class TFInboxMail;
} // namespace qal::exchange

namespace qal {

class Tdm;
class TFAdminUsu;
class TFVerConfig;
class PersonalCentralService;
class TFPedP;
class TFped;
class TFreporte;
class TFConsulta;
class TFConsPed;
class TFConsOrg;
class TFOrg;
class AvisosVentanas;
class TFEstCent;
class FingerprintVerifier;
class TFBioVerif;

// The main window: every command opens a screen or starts an operation of the data module.
class TFMenu : public QMainWindow
{
    Q_OBJECT

public:
    explicit TFMenu(QWidget *parent = nullptr);
    ~TFMenu() override;

    // Binds the window to the data module once it exists.
    void setDataModule(Tdm *dm);
    // Binds the mail windows and the reception timer to the data module's transport object.
    void setTransport(exchange::TSMimeReg *smime);
    // One line of the web-service sending log: to the sending-configuration window and, when
    // the mail log is on, to the activity log.
    void registrarEnvioWeb(const QString &line);
    void btInternetClick();

    // The central office's services the personal request form uses.
    void setServicioCentralPersonal(PersonalCentralService *service) { m_servicioPersonal = service; }
    // The central office's rejection reasons of official requests, for the official form.
    void setMotivoRechazoOficial(ConsultaMotivoRechazo consulta) { m_motivoRechazoOficial = std::move(consulta); }

    // The central office's fingerprint verification, for the start-up identification and the
    // personal requests' confirmation.
    void setVerificadorHuella(FingerprintVerifier *verifier);
    // The verification window, created on first use.
    TFBioVerif *formularioBiometrico();

    // Puts text in the status bar at once; nothing while the window is hidden.
    void MostrarEstado(const QString &text);

    // Set when another copy of the program is already running.
    bool otraInstancia = false;

    // The official request form, once it has been opened.
    TFped *formularioPedido() const { return m_fped; }
    // The search, list and agency windows, once opened.
    TFConsulta *busqueda() const { return m_consulta; }
    TFConsPed *listaPedidos() const { return m_consPed; }
    TFConsOrg *consultaOrganismos() const { return m_consOrg; }
    TFOrg *organismos() const { return m_org; }
    // The personal request form, once it has been opened.
    TFPedP *formularioPedidoPersonal() const { return m_fpedp; }
    // The central-state window, made with the data module.
    TFEstCent *estadoCentral() const { return m_estCent; }

    void FormShow();

    // The start-up log-in, "QAL Regional" as the system name; true when the operator is in.
    // Replaceable for tests; by default the "Control de Acceso" dialog.
    std::function<bool(const QString &sistema)> pedirClave;
    // Shows a modal window; tests drive the window themselves.
    std::function<int(QDialog &)> mostrarModal = [](QDialog &d) { return d.exec(); };
    // Set when the log-in failed or was cancelled: the program ends without using the window.
    bool accesoDenegado = false;

signals:
    void terminateRequested();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void connectCommands();
    void btRecibirClick();
    void btPedidoClick();
    TFped *pedidoOficial();
    // The personal request form with the central office's services, however it is first opened.
    TFPedP *pedidoPersonal();
    void BusquedaClick();
    void PedidosOficialesClick();
    void OrganismosConsultaClick();
    void OrganismosClick();
    void Button1Click();
    void OrdenamientodeArchivos1Click();
    void PedidospersonalessinenviarClick();
    void Acercade1Click();
    void cbDesRecibirClick();
    void FormClose();
    void identifyOperator();
    bool identifyByFingerprint();
    void ConfiguracionClick();
    void miConfigLiveScanClick();
    void miCambClaveClick();
    void AdministrarUsuClick();
    void miVerConfigHostClick();
    void ConfiguracinCorreoElectrnico1Click();
    void Probarconfiguracindecuenta1Click();
    void btEstCentClick();
    void InformeMensual1Click();
    ConsultaExpediente consultaExpediente();
    void BandejadeEntradadelCorreoElectrnico1Click();
    void mostrarItemsSinOutlook();

    std::unique_ptr<Ui::TFMenu> m_ui;
    Tdm *m_dm = nullptr;
    bool m_shown = false;
    TFAdminUsu *m_adminUsu = nullptr;
    TFVerConfig *m_verConfig = nullptr;
    TFped *m_fped = nullptr;
    TFPedP *m_fpedp = nullptr;
    PersonalCentralService *m_servicioPersonal = nullptr;
    ConsultaMotivoRechazo m_motivoRechazoOficial;
    FingerprintVerifier *m_verificador = nullptr;
    TFBioVerif *m_bio = nullptr;
    exchange::TSMimeReg *m_smime = nullptr;
    exchange::TFRecEst *m_recEst = nullptr;
    exchange::TFInboxMail *m_inbox = nullptr;
    exchange::TFSelInternet *m_selInternet = nullptr;
    TFreporte *m_reporte = nullptr;
    TFEstCent *m_estCent = nullptr;
    TFConsulta *m_consulta = nullptr;
    TFConsPed *m_consPed = nullptr;
    TFConsOrg *m_consOrg = nullptr;
    TFOrg *m_org = nullptr;
    std::unique_ptr<AvisosVentanas> m_avisos;
};

// Deletes the working files of the request being edited.
void deleteWorkingFiles(const QStringList &names);

} // namespace qal

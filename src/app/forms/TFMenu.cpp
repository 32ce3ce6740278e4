#include "TFMenu.h"

#include "ui_TFMenu.h"

#include "reports/forms/TFEstCent.h"
#include "reports/forms/TFInfMensual.h"
#include "reports/forms/TFreporte.h"

#include "app/forms/AvisosVentanas.h"
#include "app/forms/ProgressWindow.h"
#include "app/forms/TAboutBox.h"
#include "app/forms/TFLista.h"
#include "biometrics/TFingerScan.h"
#include "biometrics/forms/TFBioVerif.h"
#include "biometrics/forms/TFConfigLiveScan.h"
#include "data/Operador.h"
#include "data/SupportContact.h"
#include "data/Tdm.h"
#include "data/forms/TCambClave.h"
#include "data/forms/TFAdminUsu.h"
#include "data/forms/TFConfig.h"
#include "data/forms/TFVerConfig.h"
#include "data/forms/TPedirClave.h"
#include "exchange/TSMimeReg.h"
#include "exchange/forms/TFConfigMail.h"
#include "exchange/forms/TFInboxMail.h"
#include "exchange/forms/TFMailCheck.h"
#include "exchange/forms/TFRecEst.h"
#include "exchange/forms/TFSelInternet.h"
#include "exchange/soap/ServicioWeb.h"
#include "data/ActivityLog.h"
#include "data/NetworkIdentity.h"
#include "data/SupportContact.h"
#include "requests/forms/TFConsOrg.h"
#include "requests/forms/TFConsPed.h"
#include "requests/forms/TFConsulta.h"
#include "requests/forms/TFOrg.h"
#include "requests/forms/TFPedP.h"
#include "requests/forms/TFped.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QCloseEvent>
#include <QFile>
#include <QStatusBar>

// The pictures live in the static library's resources, which must be registered by hand.
static void initAppResources()
{
    Q_INIT_RESOURCE(app);
}

namespace qal {

void deleteWorkingFiles(const QStringList &names)
{
    for (const QString &name : names)
        QFile::remove(ProgramFolder::resolve(name));
}

TFMenu::TFMenu(QWidget *parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::TFMenu>())
{
    initAppResources();
    m_ui->setupUi(this);
    m_ui->imgLogo->setPixmap(QPixmap(QStringLiteral(":/app/logo.png")).scaledToHeight(120, Qt::SmoothTransformation));
    setWindowState(windowState() | Qt::WindowMaximized);
    deleteWorkingFiles({QStringLiteral("edit.tif"), QStringLiteral("edit.zip")});
    // The operator's menu appears only after a password log-in.
    m_ui->Usuario1->menuAction()->setVisible(false);
    // The mail windows work once the transport object exists (setTransport).
    for (QAction *a : {m_ui->ConfiguracinCorreoElectrnico1, m_ui->Probarconfiguracindecuenta1,
                       m_ui->BandejadeEntradadelCorreoElectrnico1})
        a->setEnabled(false);
    m_ui->btEstCent->setEnabled(false); // until the data module is there
    statusBar()->setSizeGripEnabled(true);
    // made at start so that the lines of earlier runs are there and this run's are kept
    m_reporte = new TFreporte(this);
    connectCommands();
}

TFMenu::~TFMenu() = default;

void TFMenu::setDataModule(Tdm *dm)
{
    m_dm = dm;
    // The sending log lives as long as the program: the web-service sends write to it.
    m_verConfig = new TFVerConfig(*dm, this);
    m_verConfig->setVerificacion([this] { return soap::VerificarConfiguracion(*m_dm, GetNetworkInfo()); });
    m_estCent = new TFEstCent(*dm, this);
    m_ui->btEstCent->setEnabled(true);
    connect(&dm->Timer, &QTimer::timeout, this, [this] {
        try {
            m_dm->TimerTick(m_ui->cbDesRecibir->isChecked());
        } catch (const std::exception &e) {
            Dialogs::error(QString::fromUtf8(e.what()));
        }
    });
}

void TFMenu::connectCommands()
{
    connect(m_ui->Salir1, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->btPedido, &QPushButton::clicked, this, &TFMenu::btPedidoClick);
    connect(m_ui->Pedidos2, &QAction::triggered, this, &TFMenu::btPedidoClick);
    connect(m_ui->Button1, &QPushButton::clicked, this, &TFMenu::Button1Click);
    connect(m_ui->btRecibir, &QPushButton::clicked, this, &TFMenu::btRecibirClick);
    connect(m_ui->btInternet, &QPushButton::clicked, this, &TFMenu::btInternetClick);
    connect(m_ui->btEstCent, &QPushButton::clicked, this, &TFMenu::btEstCentClick);
    connect(m_ui->InformeMensual1, &QAction::triggered, this, &TFMenu::InformeMensual1Click);
    connect(m_ui->RecibirContestaciones1, &QAction::triggered, this, &TFMenu::btRecibirClick);
    connect(m_ui->OrdenamientodeArchivos1, &QAction::triggered, this, &TFMenu::OrdenamientodeArchivos1Click);
    connect(m_ui->Pedidospersonalessinenviar1, &QAction::triggered, this, &TFMenu::PedidospersonalessinenviarClick);
    connect(m_ui->Acercade1, &QAction::triggered, this, &TFMenu::Acercade1Click);
    connect(m_ui->cbDesRecibir, &QCheckBox::clicked, this, &TFMenu::cbDesRecibirClick);
    connect(m_ui->Configuracion, &QAction::triggered, this, &TFMenu::ConfiguracionClick);
    connect(m_ui->miConfigLiveScan, &QAction::triggered, this, &TFMenu::miConfigLiveScanClick);
    connect(m_ui->miCambClave, &QAction::triggered, this, &TFMenu::miCambClaveClick);
    connect(m_ui->AdministrarUsu, &QAction::triggered, this, &TFMenu::AdministrarUsuClick);
    connect(m_ui->miVerConfigHost, &QAction::triggered, this, &TFMenu::miVerConfigHostClick);
    connect(m_ui->ConfiguracinCorreoElectrnico1, &QAction::triggered, this, &TFMenu::ConfiguracinCorreoElectrnico1Click);
    connect(m_ui->Probarconfiguracindecuenta1, &QAction::triggered, this, &TFMenu::Probarconfiguracindecuenta1Click);
    connect(m_ui->BandejadeEntradadelCorreoElectrnico1, &QAction::triggered, this,
            &TFMenu::BandejadeEntradadelCorreoElectrnico1Click);
    connect(m_ui->ReportedeActividad1, &QAction::triggered, m_reporte, &QWidget::show);
    connect(m_ui->Button2, &QPushButton::clicked, this, &TFMenu::BusquedaClick);
    connect(m_ui->Busqueda1, &QAction::triggered, this, &TFMenu::BusquedaClick);
    connect(m_ui->btOrg, &QPushButton::clicked, this, &TFMenu::OrganismosClick);
    connect(m_ui->Organismos2, &QAction::triggered, this, &TFMenu::OrganismosClick);
    connect(m_ui->Organismos1, &QAction::triggered, this, &TFMenu::OrganismosConsultaClick);
    connect(m_ui->PedidosOficiales1, &QAction::triggered, this, &TFMenu::PedidosOficialesClick);
}

namespace {

// A mail window that must not overlap a reception: it opens only while no reception runs,
// and the automatic reception keeps off the mailbox until it closes, whatever happens in it.
class PantallaDeCorreo
{
public:
    PantallaDeCorreo(Tdm &dm, const QString &aviso) : m_dm(dm), m_abierta(dm.RecepcionLibre)
    {
        if (!m_abierta)
            Dialogs::information(aviso);
        else
            m_dm.RecepcionLibre = false;
    }
    ~PantallaDeCorreo()
    {
        if (m_abierta)
            m_dm.RecepcionLibre = true;
    }
    PantallaDeCorreo(const PantallaDeCorreo &) = delete;
    PantallaDeCorreo &operator=(const PantallaDeCorreo &) = delete;
    bool abierta() const { return m_abierta; }

private:
    Tdm &m_dm;
    bool m_abierta;
};

void mostrar(QWidget *w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

TFped *TFMenu::pedidoOficial()
{
    if (!m_fped) {
        m_fped = new TFped(*m_dm, this);
        m_fped->setConsultaExpediente(consultaExpediente());
        m_fped->setConsultaMotivoRechazo(m_motivoRechazoOficial);
    }
    return m_fped;
}

TFPedP *TFMenu::pedidoPersonal()
{
    if (!m_fpedp) {
        m_fpedp = new TFPedP(*m_dm, this);
        m_fpedp->setServicioCentral(m_servicioPersonal);
        m_fpedp->setConsultaExpediente(consultaExpediente());
        m_fpedp->setVerificacionBiometrica(formularioBiometrico());
    }
    return m_fpedp;
}

void TFMenu::BusquedaClick()
{
    if (!m_dm)
        return;
    if (!m_consulta) {
        m_consulta = new TFConsulta(*m_dm, this);
        // the request found, in its form over the search: modal, or brought up when already open
        m_consulta->mostrarPedidoOficial = [this] {
            TFped *form = pedidoOficial();
            if (form->isVisible())
                mostrar(form);
            else
                form->exec();
        };
        m_consulta->mostrarPedidoPersonal = [this] {
            TFPedP *form = pedidoPersonal();
            if (form->isVisible())
                mostrar(form);
            else
                form->exec();
        };
    }
    mostrar(m_consulta);
}

void TFMenu::PedidosOficialesClick()
{
    if (!m_dm)
        return;
    if (!m_consPed) {
        m_consPed = new TFConsPed(*m_dm, this);
        m_consPed->mostrarPedidoOficial = [this] { mostrar(pedidoOficial()); };
    }
    mostrar(m_consPed);
}

void TFMenu::OrganismosConsultaClick()
{
    if (!m_dm)
        return;
    if (!m_consOrg)
        m_consOrg = new TFConsOrg(*m_dm, this);
    mostrar(m_consOrg);
}

void TFMenu::OrganismosClick()
{
    if (!m_dm)
        return;
    if (!m_org)
        m_org = new TFOrg(*m_dm, this);
    mostrar(m_org);
}

void TFMenu::btPedidoClick()
{
    if (!m_dm)
        return;
    if (m_dm->LeerParametro(QStringLiteral("c_reg")) == QLatin1String("0")) {
        Dialogs::information(QStringLiteral("El sistema no está configurado para gestionar pedidos oficiales"));
        return;
    }
    mostrar(pedidoOficial());
}

void TFMenu::Button1Click()
{
    if (!m_dm)
        return;
    // Only the exact value "0" turns personal requests off; an office never configured still
    // enters them.
    if (m_dm->LeerParametro(QStringLiteral("c_regp")) == QLatin1String("0")) {
        Dialogs::information(QStringLiteral("El sistema no está configurado para gestionar pedidos personales\r"
                                            "Pongase en contacto con: ")
                             + supportContact());
        return;
    }
    mostrar(pedidoPersonal());
}

void TFMenu::MostrarEstado(const QString &text)
{
    if (!isVisible())
        return;
    statusBar()->showMessage(text);
    statusBar()->repaint();
}

void TFMenu::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFMenu::FormShow()
{
    if (!m_dm)
        return;
    m_dm->VersionPrograma = m_ui->Version->text().remove(QStringLiteral("Versión")).trimmed();
    bool ok = false;
    const int regp = m_dm->LeerParametro(QStringLiteral("c_regp")).trimmed().toInt(&ok);
    m_ui->InformeMensual1->setVisible(ok && regp > 0);
    m_ui->lbReg->setText(QStringLiteral("Regional: ") + m_dm->LeerParametro(QStringLiteral("x_reg")));
    identifyOperator();
}

void TFMenu::setVerificadorHuella(FingerprintVerifier *verifier)
{
    m_verificador = verifier;
    if (m_bio)
        m_bio->setVerificador(verifier);
}

TFBioVerif *TFMenu::formularioBiometrico()
{
    if (!m_bio) {
        m_bio = new TFBioVerif(*m_dm, TFingerScan::instance(), this);
        m_bio->setVerificador(m_verificador);
    }
    return m_bio;
}

void TFMenu::identifyOperator()
{
    bool ok = false;
    const int regp = m_dm->LeerParametro(QStringLiteral("c_regp")).trimmed().toInt(&ok);
    if (m_dm->hayLiveScan && ok && regp > 0) {
        if (identifyByFingerprint())
            return; // identified by fingerprint: no password is asked
        // Not identified: the line says so, and an office that asks for a password still
        // asks for it.
        m_ui->lblBio->setText(QStringLiteral("Usuario no identificado"));
    }
    if (!m_dm->mSegur)
        return;
    const QString sistema = QStringLiteral("QAL Regional");
    const bool dentro = pedirClave ? pedirClave(sistema) : PedirClave(m_dm->usu, sistema, this);
    if (!dentro) {
        accesoDenegado = true;
        hide();
        emit terminateRequested();
        return;
    }
    m_ui->Usuario1->menuAction()->setVisible(true);
    m_ui->AdministrarUsu->setVisible(Operador::actual().usuario.toLower() == QLatin1String("admin"));
}

bool TFMenu::identifyByFingerprint()
{
    TFBioVerif &bio = *formularioBiometrico();
    bio.setWindowTitle(QStringLiteral("Identificación Biometrica"));
    const int result = mostrarModal(bio);
    if (result != QDialog::Accepted || bio.resultado() < 1)
        return false;
    m_dm->usuarioActual = bio.usuarioVerificado();
    m_ui->lblBio->setText(QStringLiteral("Usuario: %1 - VerifID: %2").arg(bio.usuarioVerificado()).arg(bio.resultado()));
    return true;
}

void TFMenu::ConfiguracionClick()
{
    if (!m_dm)
        return;
    TFConfig config(*m_dm, this);
    config.entregarProxy = [this](const QString &, const QString &, const QString &, const QString &) {
        if (m_estCent)
            m_estCent->RecargarProxy();
    };
    config.exec();
    m_ui->lbReg->setText(QStringLiteral("Regional: ") + m_dm->LeerParametro(QStringLiteral("x_reg")));
}

void TFMenu::miConfigLiveScanClick()
{
    if (!m_dm)
        return;
    TFConfigLiveScan config(*m_dm, this);
    mostrarModal(config);
    const QString liveScan = m_dm->LeerParametro(QStringLiteral("LiveScan"));
    m_dm->hayLiveScan = !liveScan.isEmpty() && liveScan != QLatin1String("Ninguno");
}

void TFMenu::miCambClaveClick()
{
    if (m_dm)
        CambiarClave(m_dm->usu, this);
}

void TFMenu::AdministrarUsuClick()
{
    if (!m_dm)
        return;
    if (!m_adminUsu)
        m_adminUsu = new TFAdminUsu(m_dm->usu, this);
    m_adminUsu->show();
    m_adminUsu->raise();
    m_adminUsu->activateWindow();
}

void TFMenu::setTransport(exchange::TSMimeReg *smime)
{
    if (smime != m_smime) {
        delete m_inbox; // it works on the transport it was made with
        m_inbox = nullptr;
    }
    m_smime = smime;
    m_ui->ConfiguracinCorreoElectrnico1->setEnabled(smime != nullptr);
    m_ui->Probarconfiguracindecuenta1->setEnabled(smime != nullptr);
    m_ui->BandejadeEntradadelCorreoElectrnico1->setEnabled(smime != nullptr);
    mostrarItemsSinOutlook();
    if (smime && !m_recEst)
        m_recEst = new exchange::TFRecEst(smime->dmMail(), this);
    if (smime && m_dm) {
        m_avisos = std::make_unique<AvisosVentanas>(*m_dm, *m_reporte, m_estCent,
                                                     [this](const QString &text) { MostrarEstado(text); });
        smime->setAvisos(m_avisos.get());
        m_dm->fetchMail = [smime] { smime->ProcesarCorreo(); };
    }
}

void TFMenu::registrarEnvioWeb(const QString &line)
{
    if (m_verConfig)
        m_verConfig->agregarLinea(line);
    if (m_smime && m_smime->dmMail().LogOpeMail)
        RegistrarActividad(line);
}

void TFMenu::btInternetClick()
{
    if (!m_dm)
        return;
    if (m_dm->amb.lookup(QStringLiteral("C_AMB"), QStringLiteral("c_regp"), QStringLiteral("X_AMB"),
                         {.caseInsensitive = true})
            .isNull()) {
        Dialogs::information(QStringLiteral("El sistema no está configurado para gestionar pedidos personales\r"
                                            "Pongase en contacto con: ")
                             + supportContact());
        return;
    }
    if (!m_selInternet) {
        m_selInternet = new exchange::TFSelInternet(*m_dm, this);
        m_selInternet->mostrarPedidoPersonal = [this] { Button1Click(); };
    }
    m_selInternet->exec();
}

void TFMenu::ConfiguracinCorreoElectrnico1Click()
{
    if (!m_smime || !m_dm)
        return;
    PantallaDeCorreo guard(*m_dm, QStringLiteral("Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes."));
    if (!guard.abierta())
        return;
    exchange::TFConfigMail config(*m_smime, this);
    config.exec();
    mostrarItemsSinOutlook();
}

void TFMenu::mostrarItemsSinOutlook()
{
    // Outlook keeps its own mailbox: the inbox and the account test read the POP3 one.
    const bool pop3 = m_smime && !m_smime->usaOutlook;
    m_ui->BandejadeEntradadelCorreoElectrnico1->setVisible(pop3 || !m_smime);
    m_ui->Probarconfiguracindecuenta1->setVisible(pop3 || !m_smime);
}

void TFMenu::BandejadeEntradadelCorreoElectrnico1Click()
{
    if (!m_smime || !m_dm)
        return;
    PantallaDeCorreo guard(*m_dm, QStringLiteral("Advertencia: No se puede abrir la bandeja \rporque se están "
                                                 "recibiendo mensajes. \rVuelva a intentar en unos instantes."));
    if (!guard.abierta())
        return;
    if (!m_inbox)
        m_inbox = new exchange::TFInboxMail(*m_smime, this);
    m_inbox->exec();
}

void TFMenu::Probarconfiguracindecuenta1Click()
{
    if (!m_smime || !m_dm)
        return;
    {
        PantallaDeCorreo guard(*m_dm, QStringLiteral("Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes."));
        if (!guard.abierta())
            return;
        exchange::TFMailCheck check(m_smime->dmMail(), this);
        check.Chequear();
        check.exec();
    }
}

void TFMenu::btEstCentClick()
{
    if (m_estCent)
        mostrarModal(*m_estCent);
}

void TFMenu::InformeMensual1Click()
{
    if (!m_dm)
        return;
    TFInfMensual informe(*m_dm, this);
    mostrarModal(informe);
}

ConsultaExpediente TFMenu::consultaExpediente()
{
    return [this](QChar letra, qlonglong expediente, qlonglong pedido, qlonglong region) {
        if (m_estCent)
            m_estCent->EstadoExpediente(letra, expediente, pedido, region);
    };
}

void TFMenu::miVerConfigHostClick()
{
    if (m_verConfig)
        m_verConfig->exec();
}

void TFMenu::btRecibirClick()
{
    if (!m_dm)
        return;
    if (!m_dm->RecepcionLibre) {
        Dialogs::information(QStringLiteral("Advertencia: El proceso de recepción esta en curso.."));
        return;
    }
    try {
        m_dm->RecibirCorreo();
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFMenu::OrdenamientodeArchivos1Click()
{
    if (!m_dm)
        return;
    {
        ProgressWindow window(QStringLiteral("Ordenamiento de Archivos"), QString(), this);
        window.showAtOnce();
        if (!m_dm->Reindexar(&window))
            return;
    }
    Dialogs::information(QStringLiteral("Finalizó el ordenamiento exitosamente"));
}

void TFMenu::PedidospersonalessinenviarClick()
{
    if (!m_dm)
        return;
    TFLista list(this);
    list.setWindowTitle(QStringLiteral("Pedidos personales sin enviar"));
    list.clear();
    list.addLine(QStringLiteral("Pedidos personales sin enviar"));
    list.addLine(QStringLiteral("============================="));
    dbase::Table &pedp = m_dm->pedp;
    list.setRange(1, std::max(1, pedp.recordCount()));
    int n = 0;
    for (pedp.first(); !pedp.eof(); pedp.next()) {
        if (pedp.value(QStringLiteral("C_EST")).toString() == QLatin1String("I"))
            list.addLine(QString::number(pedp.value(QStringLiteral("C_PED")).toLongLong()));
        list.setPosition(++n);
    }
    list.exec();
}

void TFMenu::Acercade1Click()
{
    TAboutBox about(m_ui->Version->text(), this);
    about.exec();
}

void TFMenu::cbDesRecibirClick()
{
    // Ticking or unticking: the automatic reception stays off until the next start.
    if (m_dm)
        m_dm->Timer.stop();
}

void TFMenu::closeEvent(QCloseEvent *event)
{
    FormClose();
    event->accept();
}

void TFMenu::FormClose()
{
    deleteWorkingFiles({QStringLiteral("huella.tif"), QStringLiteral("ped.dat"), QStringLiteral("edit.tif"),
                        QStringLiteral("edit.zip")});
    if (!m_dm || otraInstancia)
        return;
    ProgressWindow window(QStringLiteral("Purga Automática de Contestaciones"), QStringLiteral("Progreso de la purga:"), this);
    window.showAtOnce();
    try {
        m_dm->PurgarContestaciones(&window);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

} // namespace qal

#include "TFPedP.h"

#include "TFCompPedBol.h"
#include "TFbped.h"
#include "ui_TFPedP.h"

#include "core/Dialogs.h"
#include "data/RequestRules.h"
#include "data/SupportContact.h"
#include "data/Tdm.h"
#include "exchange/EnvioPedido.h"
#include "reports/forms/ImprimirDocumento.h"
#include "requests/DireccionCorreo.h"
#include "requests/PersonalCentralService.h"
#include "ui/DataSource.h"
#include "ui/RelojDeArena.h"

#include <QFocusEvent>
#include <QIntValidator>
#include <QKeyEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QScreen>
#include <QTimer>

namespace qal {
namespace {

using State = dbase::Table::State;

QString texto(const dbase::Table &t, const QString &field)
{
    return t.value(field).toString().trimmed();
}

const QString kAsuntoComprobante = QStringLiteral("Comprobante del Trámite de Antecedentes Penales");
const QString kDireccionInicial = QStringLiteral("DIRECCION DE EMAIL");
constexpr const char *kBoletaAplicada = "boletaAplicada";

} // namespace

TFPedP::TFPedP(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFPedP>()), m_dm(dm), m_dsPedp(new ui::DataSource(&dm.pedp, this)),
      m_menuHuella(new QMenu(this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_dsPedp->setObjectName(QStringLiteral("DsPedp"));
    m_menuHuella->setObjectName(QStringLiteral("PMenuHuella"));
    m_menuHuella->addAction(QStringLiteral("&Digitalizar Ficha"))->setObjectName(QStringLiteral("DigitalizarFicha1"));
    m_menuHuella->addAction(QStringLiteral("&LiveScan"))->setObjectName(QStringLiteral("LiveScan1"));
    enlazarControles();
    enlazarListas();
    conectarEventos();
    conectarImagenes();
    compactarBotones();
    actualizarComandos();
    // The record rules ask whether this form is on screen, and have it compare a request
    // with its bank slip.
    m_dm.formularioPedidoPersonalVisible = [this] { return isVisible(); };
    m_dm.compararPedidoBoleta = [this](const QString &, const QVariant &, const QVariant &) {
        return compararConBoleta();
    };
}

TFPedP::~TFPedP()
{
    m_dm.formularioPedidoPersonalVisible = nullptr;
    m_dm.compararPedidoBoleta = nullptr;
}

void TFPedP::setServicioCentral(PersonalCentralService *service)
{
    m_servicio = service;
    actualizarComandos();
}

void TFPedP::setConsultaExpediente(ConsultaExpediente consulta)
{
    m_consultaExpediente = std::move(consulta);
    actualizarComandos();
}

void TFPedP::btEstVelcorClick()
{
    const qlonglong expediente = m_dsPedp->currentValue(QStringLiteral("N_EXPE")).toLongLong();
    if (expediente < 1) {
        Dialogs::information(QStringLiteral("Sin número de expte. no se puede consultar el estado"));
        return;
    }
    if (m_consultaExpediente)
        m_consultaExpediente(u'W', expediente, m_dsPedp->currentValue(QStringLiteral("C_PED")).toLongLong(),
                             m_dsPedp->currentValue(QStringLiteral("C_REG")).toLongLong());
}

TFbped *TFPedP::formularioBusqueda()
{
    if (!m_bped)
        m_bped = new TFbped(this);
    return m_bped;
}

void TFPedP::btBusClick()
{
    TFbped *search = formularioBusqueda();
    search->setTabla(&m_dm.pedp, false);
    mostrarModal(*search);
}

void TFPedP::actualizarComandos()
{
    // "Estado &Velcor" works once the main window hands over the central office's query.
    m_ui->btEstVelcor->setEnabled(m_consultaExpediente != nullptr);
    // A new security code must be agreed with the central office.
    m_ui->btRegen->setEnabled(m_servicio != nullptr);
}

void TFPedP::compactarBotones()
{
    for (QPushButton *b : findChildren<QPushButton *>()) {
        const QString caption = QString(b->text()).remove(u'&');
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 12);
        b->setSizePolicy(QSizePolicy::Preferred, b->sizePolicy().verticalPolicy());
    }
}

void TFPedP::enlazarControles()
{
    ui::DataSource *ds = m_dsPedp;
    m_ui->c_ped->bind(ds, QStringLiteral("C_PED"));
    m_ui->n_expe->bind(ds, QStringLiteral("N_EXPE"));
    m_ui->x_est->bind(ds, QStringLiteral("x_est"));
    m_ui->f_ped->bind(ds, QStringLiteral("F_PED"));
    m_ui->x_prior->bind(ds, QStringLiteral("X_PRIOR"));
    m_ui->m_excart51->bind(ds, QStringLiteral("M_EXCART51"));

    const QList<QPair<ui::DbEdit *, const char *>> edits {
        {m_ui->x_ape1, "X_APE1"},         {m_ui->x_ape2, "X_APE2"},         {m_ui->x_oape, "X_OAPE"},
        {m_ui->x_nom1, "X_NOM1"},         {m_ui->x_nom2, "X_NOM2"},         {m_ui->x_nom3, "X_NOM3"},
        {m_ui->f_nac, "F_NAC"},           {m_ui->x_nompadr1, "X_NOMPADR1"}, {m_ui->x_nompadr2, "X_NOMPADR2"},
        {m_ui->x_nompadr3, "X_NOMPADR3"}, {m_ui->x_apemadr1, "X_APEMADR1"}, {m_ui->x_apemadr2, "X_APEMADR2"},
        {m_ui->x_nommadr1, "X_NOMMADR1"}, {m_ui->x_nommadr2, "X_NOMMADR2"}, {m_ui->x_nommadr3, "X_NOMMADR3"},
        {m_ui->n_doc, "N_DOC"},           {m_ui->c_prefijo, "C_PREFIJO"},   {m_ui->c_sufijo, "C_SUFIJO"},
        {m_ui->x_dom_s, "X_DOM_S"},       {m_ui->x_loc_s, "X_LOC_S"},       {m_ui->c_codpos_s, "C_CODPOS_S"},
        {m_ui->x_obs, "X_OBS"},           {m_ui->f_pago, "F_PAGO"},         {m_ui->dbTalon, "C_PAGO"},
        {m_ui->dbPagoDomic, "C_PAGO_DOMIC"},
    };
    for (const auto &[edit, field] : edits) {
        const QString name = QString::fromLatin1(field);
        // people, places, observations and slip codes are written in capitals; the street as typed
        edit->upperCase = (name.startsWith(QLatin1String("X_")) && name != QLatin1String("X_DOM_S"))
                          || name.startsWith(QLatin1String("C_PAGO"));
        edit->bind(ds, name);
    }
    m_ui->n_doc->maxChars = 8;
    for (ui::DbEdit *number : {m_ui->n_doc, m_ui->c_codpos_s})
        number->setValidator(new QIntValidator(0, 99999999, number));
    for (ui::DbEdit *date : {m_ui->f_nac, m_ui->f_pago})
        date->setPlaceholderText(QStringLiteral("dd/mm/aaaa"));

    m_ui->nvPed->bind(ds);
    m_ui->nvPed->confirmDelete = false; // the request's own delete rule asks
    m_ui->nvPed->beforeAction = [this](ui::DbNavigator::Button b) { return nvPedBeforeAction(b); };
    // Typing into a request starts the same edit the navigator's button does, with its
    // guards; a request reopened for correction takes the keystroke that reopened it.
    ds->beforeAutoEdit = [this] {
        return nvPedBeforeAction(ui::DbNavigator::Button::Edit) || m_dm.pedp.state() == State::Edit;
    };
}

void TFPedP::enlazarListas()
{
    struct List
    {
        ui::DbLookupComboBox *combo;
        const char *field;
        dbase::Table *table;
        const char *key;
        const char *shown;
    };
    const QList<List> lists {
        {m_ui->c_sexo, "C_SEXO", &m_dm.sexo, "C_SEXO", "X_SEXO"},
        {m_ui->c_nac, "C_NAC", &m_dm.nac, "C_NAC", "X_NAC"},
        {m_ui->c_tdoc, "C_TDOC", &m_dm.tdoc, "C_TDOC", "X_TDOC"},
        {m_ui->c_expp, "C_EXPP", &m_dm.expp, "C_EXPP", "X_EXPP"},
        {m_ui->c_prov_s, "C_PROV_S", &m_dm.prov, "C_PROV", "X_PROV"},
        {m_ui->dblcbTram, "C_TRAM", &m_dm.tram, "C_TRAM", "X_TRAM"},
    };
    for (const List &l : lists) {
        l.combo->setList(l.table, QString::fromLatin1(l.key), QString::fromLatin1(l.shown));
        l.combo->bind(m_dsPedp, QString::fromLatin1(l.field));
    }
}

void TFPedP::conectarEventos()
{
    const QList<QPair<QToolButton *, const char *>> clears {
        {m_ui->sbBorraSexo, "C_SEXO"}, {m_ui->sbBorraNac, "C_NAC"},     {m_ui->sbBorraTdoc, "C_TDOC"},
        {m_ui->sbBorraExpp, "C_EXPP"}, {m_ui->sbBorraProv, "C_PROV_S"}, {m_ui->sbBorraFpago, "F_PAGO"},
    };
    for (const auto &[button, field] : clears) {
        const QString name = QString::fromLatin1(field);
        connect(button, &QToolButton::clicked, this, [this, name] { limpiarCampo(name); });
    }
    for (QLineEdit *slip : {static_cast<QLineEdit *>(m_ui->dbTalon), static_cast<QLineEdit *>(m_ui->dbPagoDomic)}) {
        slip->installEventFilter(this);
        // a slip applied to this edit of this request is not asked for again on leaving it
        const auto olvidar = [slip] { slip->setProperty(kBoletaAplicada, QVariant()); };
        connect(m_dsPedp, &ui::DataSource::recordChanged, slip, olvidar);
        connect(m_dsPedp, &ui::DataSource::stateChanged, slip, olvidar);
    }
    connect(m_ui->btEnv, &QPushButton::clicked, this, [this] { atrapar([this] { btEnvClick(); }); });
    connect(m_ui->btBus, &QPushButton::clicked, this, &TFPedP::btBusClick);
    connect(m_ui->btImpComp, &QPushButton::clicked, this, [this] { atrapar([this] { btImpCompClick(); }); });
    connect(m_ui->btRegen, &QPushButton::clicked, this, [this] { atrapar([this] { btRegenClick(); }); });
    connect(m_ui->btEstVelcor, &QPushButton::clicked, this, [this] { atrapar([this] { btEstVelcorClick(); }); });
}

void TFPedP::atrapar(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const dbase::Abort &) {
        // a before-event refused, after its own message
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFPedP::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFPedP::centrarEnPantalla()
{
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TFPedP::FormShow()
{
    centrarEnPantalla();
    const bool sucursal = m_dm.LeerParametro(QStringLiteral("m_es_suc")) == QLatin1String("S");
    m_ui->btEstVelcor->setVisible(sucursal);
    m_ui->m_excart51->setVisible(sucursal);
    const bool domiciliario = m_dm.LeerParametro(QStringLiteral("m_domic")) == QLatin1String("S");
    m_ui->lbPagoDomic->setVisible(domiciliario);
    m_ui->dbPagoDomic->setVisible(domiciliario);
}

bool TFPedP::nvPedBeforeAction(ui::DbNavigator::Button button)
{
    using B = ui::DbNavigator::Button;
    dbase::Table &pedp = m_dm.pedp;
    if ((button == B::Insert || button == B::Post) && !m_dm.RecepcionLibre) {
        Dialogs::information(QStringLiteral("Advertencia: Se están recibiendo mensajes. \r"
                                            "Vuelva a intentar en unos instantes."));
        return false;
    }
    if (button == B::Insert)
        m_ui->dblcbTram->setEnabled(true);
    if (button == B::Edit && pedp.state() == State::Browse) {
        const QString estado = texto(pedp, QStringLiteral("C_EST"));
        if (estado == QLatin1String("T") || estado == QLatin1String("C") || estado == QLatin1String("D")) {
            // The central office holds this request: a change goes back to it as a correction.
            if (Dialogs::confirm(QStringLiteral("¿Desea modificar los datos?"), QStringLiteral("Advertencia"))) {
                pedp.edit();
                pedp.setValue(QStringLiteral("C_EST"), QStringLiteral("D"));
            }
            return false;
        }
        if (estado != QLatin1String("I") && estado != QLatin1String("R")) {
            Dialogs::information(QStringLiteral("El pedido debe estar en Trámite, Contestado ó Rechazado"));
            return false;
        }
    }
    m_dm.grabacionAutorizada = button == B::Post;
    return true;
}

void TFPedP::limpiarCampo(const QString &field)
{
    try {
        m_dm.pedp.clearValue(field);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

// ------------------------------------------------------------------ bank slips

bool TFPedP::eventFilter(QObject *watched, QEvent *event)
{
    auto *edit = qobject_cast<QLineEdit *>(watched);
    if (!edit)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
        dbTalonClick(edit);
        break;
    case QEvent::FocusIn:
        dbTalonEnter(edit);
        break;
    case QEvent::FocusOut: {
        // a message box or a list opening over the form is not the operator leaving the edit
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            atrapar([this, edit] { dbTalonExit(edit); });
        break;
    }
    case QEvent::KeyRelease:
        atrapar([this, edit, event] { dbTalonKeyUp(edit, static_cast<QKeyEvent *>(event)->key()); });
        break;
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void TFPedP::dbTalonClick(QLineEdit *edit)
{
    edit->selectAll();
}

void TFPedP::dbTalonEnter(QLineEdit *edit)
{
    // after the click that gave the focus has placed the cursor
    QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
}

void TFPedP::dbTalonExit(QLineEdit *edit)
{
    const QString boleta = edit->text().trimmed();
    if (!boleta.isEmpty() && edit->property(kBoletaAplicada).toString() != boleta)
        dbTalonKeyUp(edit, Qt::Key_Return);
}

void TFPedP::dbTalonKeyUp(QLineEdit *edit, int key)
{
    m_ui->dblcbTram->setEnabled(true);
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return;
    // Only a request being entered or changed takes a slip: passing over the edit of a
    // request the central office holds changes nothing.
    if (!m_dsPedp->editing())
        return;
    const QString boleta = edit->text().trimmed();
    if (boleta.size() == 11 && m_servicio) {
        if (!m_servicio->AplicarBoleta(boleta)) {
            edit->selectAll();
            edit->setFocus();
            return;
        }
        m_ui->dblcbTram->setEnabled(false);
        edit->setProperty(kBoletaAplicada, boleta);
    }
    dbase::Table &pedp = m_dm.pedp;
    if (texto(pedp, QStringLiteral("C_TRAM")) != QLatin1String("6") && pedp.isNull(QStringLiteral("F_PAGO")))
        m_ui->f_pago->setFocus();
}

bool TFPedP::compararConBoleta()
{
    return formularioComparacion()->comparar(mostrarModal);
}

TFCompPedBol *TFPedP::formularioComparacion()
{
    if (!m_comparacion)
        m_comparacion = new TFCompPedBol(m_dm, this);
    return m_comparacion;
}

// ------------------------------------------------------------------ sending

void TFPedP::btEnvClick()
{
    dbase::Table &pedp = m_dm.pedp;
    if (!m_dm.ComprobarPedidoPersonal())
        return;
    if (hayLiveScan() && pedp.value(QStringLiteral("VERIF_ID")).toLongLong() < 1) {
        QString login;
        int verifId = 0;
        if (!confirmarBiometria(login, verifId)) {
            Dialogs::information(QStringLiteral("Lo sentimos, no se puede enviar el pedido sin la confirmación biometrica"));
            return;
        }
        const bool editaba = pedp.state() != State::Browse;
        try {
            editarPedido();
            pedp.setValue(QStringLiteral("C_LOGIN"), login);
            pedp.setValue(QStringLiteral("VERIF_ID"), verifId);
            m_dm.grabacionAutorizada = true;
            pedp.post();
        } catch (...) {
            // a confirmation that could not be stored sends nothing, and leaves the record as it was
            if (!editaba && pedp.state() != State::Browse)
                pedp.cancel();
            throw;
        }
    }
    exchange::EnvioPedido envio(m_dm);
    envio.obtenerIdentidad = obtenerIdentidad;
    if (texto(pedp, QStringLiteral("C_EST")) == QLatin1String("D"))
        envio.EnviarCorreccionPersonal();
    else
        envio.EnviarPedidoPersonal();
}

// ------------------------------------------------------------------ receipt

void TFPedP::btImpCompClick()
{
    dbase::Table &pedp = m_dm.pedp;
    if ((pedp.isEmpty() && pedp.state() != State::Insert) || pedp.value(QStringLiteral("C_PED")).toLongLong() <= 0) {
        Dialogs::information(QStringLiteral("Debe grabar los datos para obtener el número de pedido\r"
                                            "antes de imprimir el comprobante"));
        return;
    }
    grabarSiEdita();
    if (!Dialogs::confirm(QStringLiteral("¿Enviar comprobante por Email?"))) {
        reports::ImprimirComprobante(m_dm);
        return;
    }
    enviarComprobantePorCorreo();
}

void TFPedP::enviarComprobantePorCorreo()
{
    DialogInput pedido {QStringLiteral("Introduzca la dirección de e-mail"), QStringLiteral("E-mail:"),
                        kDireccionInicial};
    QString direccion;
    for (;;) {
        const std::optional<QString> respuesta = Dialogs::instance().input(pedido);
        if (!respuesta)
            return; // the operator cancelled: nothing is sent
        direccion = respuesta->trimmed();
        if (direccion == kDireccionInicial)
            return;
        if (DireccionCorreoValida(direccion))
            break;
        Dialogs::information(QStringLiteral("Email Inválido"));
        pedido.initial = *respuesta;
    }
    const dbase::Table &pedp = m_dm.pedp;
    const QString cuerpo =
        QStringLiteral("Estimado/a, le informamos que su Solicitud de Trámite se encuentra en proceso de validación.\r\n"
                       "Una vez aprobada, recibirá por correo electrónico los datos para descargar su certificado.\r\n"
                       "Por consultas puede dirigirse a %1 o llamar sin cargo al %2.\r\n")
            .arg(centralWebSite(), centralFreePhone());
    const bool enviado = m_dm.EnviarMensaje(direccion, kAsuntoComprobante, pedp.value(QStringLiteral("C_PED")).toInt(),
                                            pedp.value(QStringLiteral("C_REG")).toInt(), {}, cuerpo);
    Dialogs::information(enviado ? QStringLiteral("Email Enviado Exitosamente")
                                 : QStringLiteral("ERROR! No se pudo enviar el email"));
}

// ------------------------------------------------------------------ security code

void TFPedP::btRegenClick()
{
    dbase::Table &pedp = m_dm.pedp;
    if (pedp.isEmpty() || !m_servicio)
        return;
    if (pedp.state() != State::Browse || pedp.value(QStringLiteral("C_PED")).toLongLong() <= 0) {
        Dialogs::information(QStringLiteral("Debe grabar los datos del pedido\r"
                                            "antes de regenerar el código de seguridad"));
        return;
    }
    if (!Dialogs::confirm(QStringLiteral("¿Está seguro que desea regenerar el código de seguridad?"),
                          QStringLiteral("Advertencia")))
        return;
    const QString nuevo = GenerarCodigoSeguridad(10);
    const int cPed = pedp.value(QStringLiteral("C_PED")).toInt();
    const int cReg = pedp.value(QStringLiteral("C_REG")).toInt();
    int resultado = 0;
    QString error;
    bool respondio = false;
    {
        RelojDeArena reloj;
        respondio = m_servicio->ActualizarCodSegur(cPed, cReg, pedp.value(QStringLiteral("C_SEGUR")).toString(), nuevo,
                                                   resultado, error);
    }
    if (!respondio) {
        Dialogs::error(QStringLiteral("Imposible conectarse con QAL Central para actualizar el código de seguridad.\r"
                                      "Verifique su conexión a Internet\r"
                                      "y la conectividad con el servidor web de QAL Central."));
        return;
    }
    if (resultado < 1) {
        Dialogs::information(QStringLiteral("Lo siento, no se ha podido cambiar el código de seguridad en QAL Central"));
        return;
    }
    // The central office holds the new code now: a local save that is refused must not let
    // the two differ without the operator knowing.
    bool grabado = false;
    try {
        pedp.edit();
        pedp.setValue(QStringLiteral("C_SEGUR"), nuevo);
        m_dm.grabacionAutorizada = true;
        pedp.post();
        grabado = true;
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    if (!grabado) {
        Dialogs::warning(QStringLiteral("QAL Central ya tiene el nuevo código de seguridad %1, pero el pedido no se "
                                        "pudo grabar.\rCorrija los datos y grabe el pedido para conservarlo; si lo "
                                        "cancela, el código del pedido no coincidirá con el de QAL Central.")
                             .arg(nuevo));
        return;
    }
    btImpCompClick();
}

// ------------------------------------------------------------------ helpers

void TFPedP::grabarSiEdita()
{
    dbase::Table &pedp = m_dm.pedp;
    if (pedp.state() != State::Browse) {
        m_dm.grabacionAutorizada = true;
        pedp.post();
    }
}

void TFPedP::editarPedido()
{
    if (m_dm.pedp.state() == State::Browse)
        m_dm.pedp.edit();
}

bool TFPedP::hayLiveScan() const
{
    const QString liveScan = m_dm.LeerParametro(QStringLiteral("LiveScan"));
    return !liveScan.isEmpty() && liveScan != QLatin1String("Ninguno");
}

bool TFPedP::soloLectura() const
{
    const QString estado = texto(m_dm.pedp, QStringLiteral("C_EST"));
    return estado == QLatin1String("T") || estado == QLatin1String("C") || estado == QLatin1String("D");
}

} // namespace qal

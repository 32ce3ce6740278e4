#include "TFped.h"

#include "TFBusqDel.h"
#include "TFbped.h"
#include "TFsup.h"
#include "ui_TFped.h"

#include "data/Tdm.h"
#include "exchange/EnvioPedido.h"
#include "reports/forms/ImprimirDocumento.h"
#include "requests/RequestState.h"
#include "ui/DataSource.h"

#include "core/Dialogs.h"

#include <QIntValidator>
#include <QMenu>
#include <QScreen>

namespace qal {

TFped::TFped(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFped>()), m_dm(dm), m_dsPed(new ui::DataSource(&dm.ped, this)),
      m_menuHuella(new QMenu(this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_dsPed->setObjectName(QStringLiteral("dsPed"));
    m_menuHuella->setObjectName(QStringLiteral("PMenuHuella"));
    m_menuHuella->addAction(QStringLiteral("&Digitalizar Ficha"))->setObjectName(QStringLiteral("DigitalizarFicha1"));
    m_menuHuella->addAction(QStringLiteral("&LiveScan"))->setObjectName(QStringLiteral("LiveScan1"));
    enlazarControles();
    enlazarListas();
    conectarEventos();
    // Live-scan and the central office's state query arrive with their windows; until then
    // their buttons do not pretend to work (setConsultaExpediente enables the query).
    for (QPushButton *b : {m_ui->btDig, m_ui->btDocumento, m_ui->btContes, m_ui->btEstVelcor})
        b->setEnabled(false);
    for (QAction *a : m_menuHuella->actions())
        a->setEnabled(false);
    conectarImagenes();
    compactarBotones();
}

void TFped::compactarBotones()
{
    // The style's minimum button width would push the bottom row past the form's width:
    // each button is as wide as its caption needs.
    for (QPushButton *b : findChildren<QPushButton *>()) {
        const QString caption = QString(b->text()).remove(u'&');
        b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 12);
        b->setSizePolicy(QSizePolicy::Preferred, b->sizePolicy().verticalPolicy());
    }
}

TFped::~TFped()
{
    // closing the window moves the focus out of its edits: what they report then must not reach
    // a form that is being destroyed
    for (QObject *child : findChildren<QObject *>())
        disconnect(child, nullptr, this, nullptr);
}

void TFped::enlazarControles()
{
    ui::DataSource *ds = m_dsPed;
    m_ui->c_ped->bind(ds, QStringLiteral("C_PED"));
    m_ui->m_enviado->bind(ds, QStringLiteral("M_ENVIADO"));
    m_ui->m_contestado->bind(ds, QStringLiteral("M_CONTESTA"));
    for (QCheckBox *shown : {static_cast<QCheckBox *>(m_ui->m_enviado), static_cast<QCheckBox *>(m_ui->m_contestado)})
        shown->setAttribute(Qt::WA_TransparentForMouseEvents); // set by the sending and the answers only
    m_ui->f_ped->bind(ds, QStringLiteral("F_PED"));
    m_ui->m_excart51->bind(ds, QStringLiteral("M_EXCART51"));
    m_ui->m_especial->bind(ds, QStringLiteral("M_ESPECIAL"));
    m_ui->m_toma_ktv->bind(ds, QStringLiteral("M_TOMA_KTV"));
    m_ui->m_menor->bind(ds, QStringLiteral("M_MENOR"));
    m_ui->n_expe->bind(ds, QStringLiteral("N_EXPE"));

    const QList<QPair<ui::DbEdit *, const char *>> edits {
        {m_ui->x_sec, "X_SEC"},           {m_ui->x_dom, "X_DOM"},           {m_ui->x_loc, "X_LOC"},
        {m_ui->c_codpos, "C_CODPOS"},     {m_ui->c_tdel, "C_TDEL"},         {m_ui->x_delito, "X_DELITO"},
        {m_ui->x_email, "X_EMAIL"},       {m_ui->n_causa, "N_CAUSA"},       {m_ui->x_ape1, "X_APE1"},
        {m_ui->x_ape2, "X_APE2"},         {m_ui->x_oape, "X_OAPE"},         {m_ui->x_nom1, "X_NOM1"},
        {m_ui->x_nom2, "X_NOM2"},         {m_ui->x_nom3, "X_NOM3"},         {m_ui->f_nac, "F_NAC"},
        {m_ui->n_edad, "N_EDAD"},         {m_ui->c_prefijo, "C_PREFIJO"},   {m_ui->n_doc, "N_DOC"},
        {m_ui->c_sufijo, "C_SUFIJO"},     {m_ui->x_nompadr1, "X_NOMPADR1"}, {m_ui->x_nompadr2, "X_NOMPADR2"},
        {m_ui->x_nompadr3, "X_NOMPADR3"}, {m_ui->x_apemadr1, "X_APEMADR1"}, {m_ui->x_apemadr2, "X_APEMADR2"},
        {m_ui->x_nommadr1, "X_NOMMADR1"}, {m_ui->x_nommadr2, "X_NOMMADR2"}, {m_ui->x_nommadr3, "X_NOMMADR3"},
    };
    for (const auto &[edit, field] : edits) {
        const QString name = QString::fromLatin1(field);
        // places and people are written in capitals; the street, mail and cause as typed
        edit->upperCase = name.startsWith(QLatin1String("X_")) && name != QLatin1String("X_DOM")
                          && name != QLatin1String("X_EMAIL");
        edit->bind(ds, name);
    }
    m_ui->n_doc->maxChars = 8;
    for (ui::DbEdit *number : {m_ui->c_codpos, m_ui->c_tdel, m_ui->n_edad, m_ui->n_doc})
        number->setValidator(new QIntValidator(0, 99999999, number));
    m_ui->f_nac->setPlaceholderText(QStringLiteral("dd/mm/aaaa"));

    m_ui->nvPed->bind(ds);
    m_ui->nvPed->confirmDelete = false; // the request's own delete rule asks
    m_ui->nvPed->beforeAction = [this](ui::DbNavigator::Button b) { return nvPedBeforeAction(b); };
    // typing into a request starts the same edit the navigator's button does, with its guards
    ds->beforeAutoEdit = [this] { return nvPedBeforeAction(ui::DbNavigator::Button::Edit); };
}

void TFped::enlazarListas()
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
        {m_ui->c_est, "C_EST", &m_dm.Est, "C_EST", "X_EST"},
        {m_ui->c_org, "C_ORG", &m_dm.org, "C_ORG", "X_ORG"},
        {m_ui->c_prov, "C_PROV", &m_dm.prov, "C_PROV", "X_PROV"},
        {m_ui->x_tdel, "C_TDEL", &m_dm.tdel, "C_TDEL", "X_TDEL"},
        {m_ui->c_prior, "C_PRIOR", &m_dm.prior, "C_PRIOR", "X_PRIOR"},
        {m_ui->c_carped, "C_CARPED", &m_dm.carped, "C_CARPED", "X_CARPED"},
        {m_ui->c_sexo, "C_SEXO", &m_dm.sexo, "C_SEXO", "X_SEXO"},
        {m_ui->c_nac, "C_NAC", &m_dm.nac, "C_NAC", "X_NAC"},
        {m_ui->c_tdoc, "C_TDOC", &m_dm.tdoc, "C_TDOC", "X_TDOC"},
        {m_ui->c_provci, "C_PROVCI", &m_dm.prov, "C_PROV", "X_PROV"},
    };
    m_ui->x_tdel->dropDownRows = false;
    m_ui->x_tdel->setReadOnly(true);
    m_ui->x_tdel->setFocusPolicy(Qt::NoFocus);
    m_ui->c_est->setReadOnly(true);
    m_ui->c_est->setFocusPolicy(Qt::NoFocus);
    for (const List &l : lists) {
        l.combo->setList(l.table, QString::fromLatin1(l.key), QString::fromLatin1(l.shown));
        l.combo->bind(m_dsPed, QString::fromLatin1(l.field));
    }
}

void TFped::conectarEventos()
{
    connect(m_ui->btDelito, &QToolButton::clicked, this, &TFped::sbDelitoClick);
    connect(m_ui->x_tdel, &ui::DbLookupComboBox::clicked, this, &TFped::sbDelitoClick);
    connect(m_ui->c_tdel, &QLineEdit::editingFinished, this, &TFped::c_tdelExit);
    connect(m_ui->c_org, &ui::DbLookupComboBox::edited, this, &TFped::c_orgClick);
    connect(m_ui->Supuestos, &QPushButton::clicked, this, &TFped::SupuestosClick);
    connect(m_ui->btBuscar, &QPushButton::clicked, this, &TFped::btBuscarClick);
    connect(m_ui->btEstVelcor, &QPushButton::clicked, this, &TFped::btEstVelcorClick);
    connect(m_ui->btOficio, &QPushButton::clicked, this, &TFped::btOficioClick);
    connect(m_ui->btEnv, &QPushButton::clicked, this, [this] { atrapar([this] { btEnvClick(); }); });
    const QList<QPair<QToolButton *, const char *>> clears {
        {m_ui->sbBorraSexo, "C_SEXO"}, {m_ui->sbBorraNac, "C_NAC"},   {m_ui->sbBorraTdoc, "C_TDOC"},
        {m_ui->sbBorraProvCi, "C_PROVCI"}, {m_ui->sbBorraProv, "C_PROV"}, {m_ui->sbBorraPrior, "C_PRIOR"},
    };
    for (const auto &[button, field] : clears) {
        const QString name = QString::fromLatin1(field);
        connect(button, &QToolButton::clicked, this, [this, name] { limpiarCampo(name); });
    }
    // the offence button works only while the request is being edited
    m_ui->btDelito->setEnabled(m_dm.busquedaDelitoHabilitada);
    connect(&m_dm, &Tdm::busquedaDelitoHabilitadaChanged, m_ui->btDelito, &QWidget::setEnabled);
}

void TFped::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFped::centrarEnPantalla()
{
    if (m_centred)
        return;
    m_centred = true;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TFped::FormShow()
{
    centrarEnPantalla();
    m_ui->lbCarped->setVisible(m_dm.mNomi);
    m_ui->c_carped->setVisible(m_dm.mNomi);
    // a branch office's controls
    const bool sucursal = m_dm.LeerParametro(QStringLiteral("m_es_suc")) == QLatin1String("S");
    m_ui->m_excart51->setVisible(sucursal);
    m_ui->btEstVelcor->setVisible(sucursal);
}

bool TFped::nvPedBeforeAction(ui::DbNavigator::Button button)
{
    using B = ui::DbNavigator::Button;
    if ((button == B::Insert || button == B::Post) && !m_dm.RecepcionLibre) {
        Dialogs::information(QStringLiteral("Advertencia: Se están recibiendo mensajes. \r"
                                            "Vuelva a intentar en unos instantes."));
        return false;
    }
    if (button == B::Edit && !pedidoModificable(m_dm.ped)) {
        Dialogs::information(QStringLiteral("No se puede modificar un pedido que ya ha sido enviado"));
        return false;
    }
    m_dm.grabacionAutorizada = button == B::Post;
    return true;
}

void TFped::sbDelitoClick()
{
    if (m_dm.ped.state() == dbase::Table::State::Browse) {
        Dialogs::information(QStringLiteral("Antes de seleccionar el delito, debe cambiar al modo edición"));
        return;
    }
    if (!m_dsPed->editing())
        return;
    mostrarModal(*formularioDelitos());
}

void TFped::c_tdelExit()
{
    dbase::Table &ped = m_dm.ped;
    if (!m_dsPed->editing())
        return;
    const QVariant code = ped.value(QStringLiteral("C_TDEL"));
    if (code.isNull())
        return;
    if (m_dm.tdel.lookup(QStringLiteral("C_TDEL"), code, QStringLiteral("C_TDEL")).isNull())
        ped.clearValue(QStringLiteral("C_TDEL"));
}

void TFped::c_orgClick()
{
    if (!m_dsPed->editing() || !m_dm.org.isOpen() || m_dm.org.isEmpty())
        return;
    m_dsPed->setOperatorValue(QStringLiteral("X_EMAIL"), m_dm.org.value(QStringLiteral("X_EMAIL")));
}

void TFped::limpiarCampo(const QString &field)
{
    try {
        m_dm.ped.clearValue(field);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFped::SupuestosClick()
{
    mostrarModal(*formularioSupuestos());
}

void TFped::btBuscarClick()
{
    TFbped *search = formularioBusqueda();
    search->setTabla(&m_dm.ped, true);
    mostrarModal(*search);
}

TFbped *TFped::formularioBusqueda()
{
    if (!m_bped)
        m_bped = new TFbped(this);
    return m_bped;
}

void TFped::setConsultaExpediente(ConsultaExpediente consulta)
{
    m_consultaExpediente = std::move(consulta);
    m_ui->btEstVelcor->setEnabled(m_consultaExpediente != nullptr);
}

void TFped::btEstVelcorClick()
{
    const qlonglong expediente = m_dsPed->currentValue(QStringLiteral("N_EXPE")).toLongLong();
    if (expediente < 1) {
        Dialogs::information(QStringLiteral("Sin número de expte. no se puede consultar el estado"));
        return;
    }
    if (m_consultaExpediente)
        m_consultaExpediente(u'U', expediente, m_dsPed->currentValue(QStringLiteral("C_PED")).toLongLong(),
                             m_dsPed->currentValue(QStringLiteral("C_REG")).toLongLong());
}

void TFped::btEnvClick()
{
    exchange::EnvioPedido(m_dm).EnviarPedidoOficial();
}

void TFped::btOficioClick()
{
    if (m_dsPed->currentValue(QStringLiteral("X_APE1")).isNull()) {
        Dialogs::information(QStringLiteral("Debe ingresar todos los datos antes de visualizar el oficio"));
        return;
    }
    reports::VerOficio(m_dm, this);
}

TFsup *TFped::formularioSupuestos()
{
    if (!m_supuestos)
        m_supuestos = new TFsup(m_dm, this);
    return m_supuestos;
}

TFBusqDel *TFped::formularioDelitos()
{
    if (!m_busqDel)
        m_busqDel = new TFBusqDel(m_dm, this);
    return m_busqDel;
}

} // namespace qal

#include "TFConfig.h"

#include "ui_TFConfig.h"

#include "data/PasswordProtection.h"
#include "data/SettingsCatalogue.h"
#include "data/Tdm.h"
#include "ui/DataSource.h"
#include "ui/FieldTextFilter.h"
#include "ui/TextRuleValidator.h"

#include "core/Dialogs.h"

#include <QIntValidator>
#include <QShowEvent>

namespace qal {
namespace {

// A proxy password as the field accepts it; anything else was not read back with this
// proxy user (RC4 under another key gives bytes, not an error).
bool legible(const QString &password)
{
    if (password.size() > 10)
        return false;
    for (QChar c : password) {
        if (!c.isLetterOrNumber() || c.unicode() > 0xFF)
            return false;
    }
    return true;
}

} // namespace

TFConfig::TFConfig(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFConfig>()), m_dm(dm), m_dsUrl(new ui::DataSource(&dm.url, this))
{
    m_ui->setupUi(this);
    m_dsUrl->setObjectName(QStringLiteral("dsUrl"));
    ui::applyPasswordRules(m_ui->proxy_pass);
    // Whole numbers only where the program reads whole numbers (a frequency that is not one
    // would stop the next start-up half-way).
    for (QLineEdit *e : {m_ui->c_regp, m_ui->c_reg, m_ui->frec_recep, m_ui->dur_guarda, m_ui->max_contes,
                         m_ui->dias_fpago}) {
        e->setValidator(new QIntValidator(0, 999999, e));
        e->setMinimumWidth(70);
    }
    // Each value is stored in the settings table: typed as its value field takes text. The
    // field's width, not a key's own limit: the proxy user's 30 letters are said on "Aceptar".
    for (QLineEdit *e : {m_ui->c_regp, m_ui->x_reg, m_ui->c_reg, m_ui->x_toregp, m_ui->frec_recep, m_ui->dur_guarda,
                         m_ui->max_contes, m_ui->url_cert, m_ui->proxy_user, m_ui->http_proxy, m_ui->http_port,
                         m_ui->dias_fpago})
        ui::filterAsField(e, SettingDef {}.maxLength);
    m_ui->dbgUrl->bind(m_dsUrl);
    m_ui->dbgUrl->setColumns({{QStringLiteral("N_PRIOR"), QStringLiteral("Prioridad")},
                              {QStringLiteral("X_URL"), QStringLiteral("Url")}});
    m_ui->dbgUrl->setColumnWidth(0, 70);
    m_ui->dbnUrl->bind(m_dsUrl);
    m_ui->proxy_user->installEventFilter(this);
    connect(m_ui->btAceptar, &QPushButton::clicked, this, &TFConfig::btAceptarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &QDialog::reject);
}

TFConfig::~TFConfig()
{
    m_ui->proxy_pass->clear();
}

void TFConfig::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFConfig::FormShow()
{
    const auto read = [this](const char *key) { return m_dm.LeerParametro(QLatin1String(key)); };
    const auto fill = [&read](QLineEdit *e, const char *key) { e->setText(read(key)); };
    fill(m_ui->c_regp, "c_regp");
    fill(m_ui->x_reg, "x_reg");
    fill(m_ui->c_reg, "c_reg");
    fill(m_ui->x_toregp, "x_toregp");
    fill(m_ui->frec_recep, "frec_recep");
    fill(m_ui->dur_guarda, "dur_guarda");
    fill(m_ui->max_contes, "max_contes");
    fill(m_ui->url_cert, "url_cert");
    fill(m_ui->proxy_user, "proxy_user");
    fill(m_ui->http_proxy, "http_proxy");
    fill(m_ui->http_port, "http_port");
    fill(m_ui->dias_fpago, "dias_fpago");
    // ticked for "S"; the two that are on unless switched off, for anything but "N"
    m_ui->m_nomi->setChecked(read("m_nomi") == QLatin1String("S"));
    m_ui->m_domic->setChecked(read("m_domic") == QLatin1String("S"));
    m_ui->m_fecpago->setChecked(read("m_fecpago") == QLatin1String("S"));
    m_ui->m_chkdatbol->setChecked(settingFlag(QStringLiteral("m_chkdatbol"), read("m_chkdatbol")));
    m_ui->m_impauto->setChecked(settingFlag(QStringLiteral("m_impauto"), read("m_impauto")));

    m_ui->proxy_pass->clear();
    const QString stored = read("proxy_pass");
    if (!stored.trimmed().isEmpty()) {
        QString clave = DescifrarClaveProxy(stored, m_ui->proxy_user->text());
        if (legible(clave))
            m_ui->proxy_pass->setText(clave);
        clave.fill(QLatin1Char(' '));
    }
    if (m_ui->proxy_pass->text().isEmpty() && !m_ui->proxy_user->text().isEmpty())
        Dialogs::information(QStringLiteral("Por favor vuelva a poner el usuario y contraseña del proxy."));
}

bool TFConfig::eventFilter(QObject *watched, QEvent *event)
{
    // A password belongs to its user: entering the user field asks for both again.
    if (watched == m_ui->proxy_user && event->type() == QEvent::FocusIn)
        m_ui->proxy_pass->clear();
    return QDialog::eventFilter(watched, event);
}

void TFConfig::btAceptarClick()
{
    const QString usuario = m_ui->proxy_user->text();
    const QString clave = m_ui->proxy_pass->text();
    if (!usuario.isEmpty() && clave.isEmpty()) {
        Dialogs::information(QStringLiteral("Por favor introduzca la contraseña del proxy"));
        m_ui->proxy_pass->setFocus();
        m_ui->proxy_pass->selectAll();
        return;
    }
    if (usuario.size() > 30) {
        Dialogs::information(QStringLiteral("El usuario del proxy no puede tener más de 30 letras"));
        return;
    }
    // an address being typed in the sites' grid goes in with the rest
    if (!m_dsUrl->writePending())
        return;
    try {
        if (m_dm.url.isOpen())
            m_dm.url.post();
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }

    QStringList fallidas;
    const auto write = [this, &fallidas](const char *key, const QString &value) {
        if (!m_dm.GrabarParametro(QLatin1String(key), value))
            fallidas << QLatin1String(key);
    };
    write("m_fecpago", flagText(m_ui->m_fecpago->isChecked()));
    write("dias_fpago", m_ui->dias_fpago->text());
    write("x_toregp", m_ui->x_toregp->text());
    write("x_toreg", m_ui->x_toregp->text());
    write("x_reg", m_ui->x_reg->text());
    write("url_cert", m_ui->url_cert->text());
    write("frec_recep", m_ui->frec_recep->text());
    write("dur_guarda", m_ui->dur_guarda->text());
    write("c_regp", m_ui->c_regp->text());
    write("c_reg", m_ui->c_reg->text());
    write("max_contes", m_ui->max_contes->text());
    write("http_proxy", m_ui->http_proxy->text());
    write("http_port", m_ui->http_port->text());
    write("proxy_user", usuario);
    write("proxy_pass", clave.isEmpty() ? QString() : CifrarClaveProxy(clave, usuario));
    if (entregarProxy)
        entregarProxy(m_ui->http_proxy->text(), m_ui->http_port->text(), usuario, clave);
    write("m_nomi", flagText(m_ui->m_nomi->isChecked()));
    write("m_domic", flagText(m_ui->m_domic->isChecked()));
    write("m_chkdatbol", flagText(m_ui->m_chkdatbol->isChecked()));
    write("m_impauto", flagText(m_ui->m_impauto->isChecked()));
    m_dm.refreshFlags();
    if (!fallidas.isEmpty()) {
        // Saying nothing would let the operator believe the office is configured.
        Dialogs::error(QStringLiteral("No se pudo grabar la configuración: ") + fallidas.join(QStringLiteral(", ")));
        return;
    }
    accept();
}

void TFConfig::done(int result)
{
    if (result != QDialog::Accepted) {
        try {
            if (m_dm.url.isOpen())
                m_dm.url.cancel();
        } catch (...) {
        }
    }
    m_ui->proxy_pass->clear();
    QDialog::done(result);
}

} // namespace qal

#include "TFSelInternet.h"

#include "ui_TFSelInternet.h"

#include "exchange/soap/CentralServices.h"

#include "core/Dialogs.h"
#include "data/Tdm.h"
#include "dbase/DatabaseError.h"

#include <QApplication>

#include <exception>

namespace qal::exchange {

namespace {

// The hourglass while the central office is asked.
struct Hourglass
{
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

// Item name -> personal request field, after c_tdoc (which goes through the document types).
const QList<QPair<const char *, const char *>> kCampos = {
    {"c_expp", "C_EXPP"},         {"c_sexo", "C_SEXO"},       {"c_pais", "C_NAC"},
    {"x_ape1", "X_APE1"},         {"x_ape2", "X_APE2"},       {"x_oape", "X_OAPE"},
    {"x_nom1", "X_NOM1"},         {"x_nom2", "X_NOM2"},       {"x_nom3", "X_NOM3"},
    {"n_doc", "N_DOC"},           {"f_nac", "F_NAC"},         {"x_nom1p", "X_NOMPADR1"},
    {"x_nom2p", "X_NOMPADR2"},    {"x_nom3p", "X_NOMPADR3"},  {"x_ape1m", "X_APEMADR1"},
    {"x_ape2m", "X_APEMADR2"},    {"x_nom1m", "X_NOMMADR1"},  {"x_nom2m", "X_NOMMADR2"},
    {"x_nom3m", "X_NOMMADR3"},    {"x_direc_solic", "X_DOM_S"}, {"x_loc", "X_LOC_S"},
    {"c_prov_solic", "C_PROV_S"}, {"c_codpos_solic", "C_CODPOS_S"}};

// The item's value converted as the central office's record types it (texts for names it
// does not type); invalid when it does not convert.
QVariant valorConvertido(const QString &item, const QString &text)
{
    for (const PedBolField &f : PedBol::fields())
        if (item == QLatin1String(f.name)) {
            QVariant v = PedBol::convertir(f, text);
            if (f.type == PedBolField::DateTime && v.isValid())
                v = v.toDateTime().date();
            return v;
        }
    return text;
}

// Sets field when it is still null; a value the field does not take is ignored.
void copiarSiNulo(dbase::Table &t, const char *field, const QVariant &value)
{
    const QString name = QString::fromLatin1(field);
    if (!value.isValid() || !t.hasField(name) || !t.value(name).isNull())
        return;
    try {
        t.setValue(name, value);
    } catch (const std::exception &) {
    }
}

} // namespace

TFSelInternet::TFSelInternet(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFSelInternet>()), m_dm(dm)
{
    m_ui->setupUi(this);
    configuracion = [this] { return soap::SoapSettings::current(&m_dm); };
    connect(m_ui->btConsultar, &QPushButton::clicked, this, [this] { btConsultarClick(); });
}

TFSelInternet::~TFSelInternet() = default;

void TFSelInternet::showEvent(QShowEvent *event)
{
    m_ui->edBoleta->clear();
    m_ui->edDoc->clear();
    m_ui->edBoleta->setFocus();
    QDialog::showEvent(event);
}

bool TFSelInternet::btConsultarClick()
{
    const QString boleta = m_ui->edBoleta->text().trimmed();
    if (boleta.isEmpty()) {
        Dialogs::information(QStringLiteral("Debe indicar el código de boleta "));
        return false;
    }
    if (boleta.size() != 11) {
        Dialogs::information(QStringLiteral("El código de boleta debe contener 11 caracteres"));
        return false;
    }
    bool ok = false;
    const int documento = m_ui->edDoc->text().trimmed().toInt(&ok);
    if (!ok || documento == 0) {
        Dialogs::information(QStringLiteral("Debe indicar el número de documento (Debe ser del tipo numérico)"));
        return false;
    }

    QString respuesta;
    {
        Hourglass hourglass;
        const soap::CentralServices ws(configuracion());
        int pedido = 0;
        QString error, errorDesc;
        if (!ws.GetPedidoByBoletaDoc(boleta, documento, pedido, error)) {
            Dialogs::error(QStringLiteral("ERROR al intentar obtener el código del trámite."));
            return false;
        }
        if (pedido <= 0) {
            Dialogs::information(QStringLiteral("No se pudo recuperar ningún código de trámite con los datos indicados"));
            return false;
        }
        if (!ws.GetPedidoByTram(QStringLiteral("I"), pedido, documento, QString(), respuesta, errorDesc, error)) {
            Dialogs::error(QStringLiteral("ERROR al intentar obtener los datos del trámite."));
            return false;
        }
    }
    return crearPedido(boleta, partirRespuestaBoleta(respuesta));
}

bool TFSelInternet::crearPedido(const QString &boleta, const QStringList &items)
{
    dbase::Table &t = m_dm.pedp;
    if (items.size() < 2) {
        Dialogs::information(QStringLiteral("No se pudo recuperar ningún trámite con los datos indicados"));
        return false;
    }
    t.insert();
    const QString tdoc = valorItemBoleta(items, QStringLiteral("c_tdoc"));
    if (!tdoc.isEmpty())
        copiarSiNulo(t, "C_TDOC",
                     m_dm.tdoc.lookup(QStringLiteral("C_EXPORT"), tdoc.trimmed(), QStringLiteral("C_TDOC"),
                                      {.caseInsensitive = true}));
    for (const auto &[item, field] : kCampos) {
        const QString text = valorItemBoleta(items, QString::fromLatin1(item));
        if (!text.isEmpty())
            copiarSiNulo(t, field, valorConvertido(QString::fromLatin1(item), text));
    }
    t.setValue(QStringLiteral("C_PAGO"), boleta);
    if (!m_dm.AplicarBoleta(boleta)) {
        t.cancel();
        return false;
    }
    m_dm.grabacionAutorizada = true;
    try {
        t.post();
    } catch (const dbase::Abort &) { // a rule refused the request after its own message
        t.cancel();
        return false;
    } catch (const std::exception &e) {
        t.cancel();
        Dialogs::error(QString::fromUtf8(e.what()));
        return false;
    }
    accept();
    if (mostrarPedidoPersonal)
        mostrarPedidoPersonal();
    return true;
}

} // namespace qal::exchange

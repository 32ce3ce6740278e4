#include "TFConsulta.h"

#include "ui_TFConsulta.h"

#include "data/Tdm.h"
#include "requests/forms/MostrarPedido.h"
#include "ui/ColumnWidths.h"
#include "ui/RecordSetModel.h"
#include "ui/UpperCaseValidator.h"

#include "core/Dialogs.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace qal {
namespace {

// The hourglass while a search runs, whatever way it ends.
struct Reloj
{
    Reloj() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Reloj() { QGuiApplication::restoreOverrideCursor(); }
};

} // namespace

TFConsulta::TFConsulta(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFConsulta>()), m_dm(dm), m_qConsulta(new ui::RecordSetModel(this))
{
    m_ui->setupUi(this);
    m_qConsulta->setObjectName(QStringLiteral("qConsulta"));
    m_qConsulta->setColumns({{QStringLiteral("Código de Pedido"), QStringLiteral("C_PED")},
                             {QStringLiteral("Apellido 1"), QStringLiteral("X_APE1")},
                             {QStringLiteral("Apellido 2"), QStringLiteral("X_APE2")},
                             {QStringLiteral("Nombre 1"), QStringLiteral("X_NOM1")},
                             {QStringLiteral("Nombre 2"), QStringLiteral("X_NOM2")},
                             {QStringLiteral("Nombre 3"), QStringLiteral("X_NOM3")},
                             {QStringLiteral("Sexo"), QStringLiteral("C_SEXO")},
                             {QStringLiteral("Fecha de Nacimiento"), QStringLiteral("F_NAC")},
                             {QStringLiteral("Edad"), QStringLiteral("N_EDAD")},
                             {QStringLiteral("Documento"), QStringLiteral("N_DOC")}});
    m_ui->DBGrid1->setModel(m_qConsulta);
    m_ui->DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->DBGrid1->verticalHeader()->hide();
    m_ui->DBNavigator1->bind(m_ui->DBGrid1);
    m_ui->DBNavigator1->setHints({QStringLiteral("Primer Trámite"), QStringLiteral("Trámite anterior"),
                                  QStringLiteral("Trámite siguiente"), QStringLiteral("Último Trámite"),
                                  QStringLiteral("Actualizar")});

    m_ui->c_tram->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_ui->c_tram));
    m_ui->c_tram->installEventFilter(this);
    for (QLineEdit *edit : {m_ui->ape1, m_ui->ape2, m_ui->nom1, m_ui->nom2, m_ui->nom3})
        edit->setValidator(new ui::UpperCaseValidator(edit));

    connect(m_ui->btBuscar, &QPushButton::clicked, this, &TFConsulta::btBuscarClick);
    connect(m_ui->btVer, &QPushButton::clicked, this, &TFConsulta::btVerClick);
    connect(m_ui->DBGrid1, &QAbstractItemView::doubleClicked, this, &TFConsulta::btVerClick);
    connect(m_ui->DBNavigator1, &ui::GridNavigator::refreshRequested, this, [this] {
        if (m_ultima)
            ejecutar(m_ultima);
    });
}

TFConsulta::~TFConsulta() = default;

TablaBusqueda TFConsulta::tablaElegida() const
{
    if (m_ui->rbPersonales->isChecked())
        return TablaBusqueda::Personales;
    if (m_ui->rbSupuestos->isChecked())
        return TablaBusqueda::Supuestos;
    return TablaBusqueda::Oficiales;
}

void TFConsulta::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFConsulta::centrar()
{
    if (m_centrado)
        return;
    m_centrado = true;
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TFConsulta::FormShow()
{
    centrar();
    m_qConsulta->clear();
    // an empty grid shows its titles whole too, not only once a search has found rows
    ui::fitColumnWidths(*m_ui->DBGrid1);
    m_ultima = nullptr;
    m_ui->PageControl1->setCurrentIndex(0);
    m_ui->c_tram->clear();
    m_ui->c_tram->setFocus();
}

void TFConsulta::done(int result)
{
    m_qConsulta->clear();
    m_ultima = nullptr;
    QDialog::done(result);
}

bool TFConsulta::eventFilter(QObject *watched, QEvent *event)
{
    // Releasing Enter in the code edit: the search has run on the press; the code goes.
    if (watched == m_ui->c_tram && event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter)
            m_ui->c_tram->clear();
    }
    return QDialog::eventFilter(watched, event);
}

void TFConsulta::btBuscarClick()
{
    const TablaBusqueda tabla = tablaElegida();
    std::function<dbase::RecordSet()> busqueda;
    if (m_ui->PageControl1->currentWidget() == m_ui->tsCodigo) {
        bool ok = false;
        const qint64 codigo = m_ui->c_tram->text().trimmed().toLongLong(&ok);
        if (ok && codigo > 0)
            busqueda = [tabla, codigo] { return busqueda::porCodigo(tabla, codigo); };
    } else if (m_ui->PageControl1->currentWidget() == m_ui->tsNombres) {
        const CriterioNombres criterio {m_ui->ape1->text(), m_ui->ape2->text(), m_ui->nom1->text(),
                                        m_ui->nom2->text(), m_ui->nom3->text()};
        if (!criterio.vacio())
            busqueda = [tabla, criterio] { return busqueda::porNombres(tabla, criterio); };
    } else {
        QString digits = m_ui->n_doc->text();
        digits.remove(QRegularExpression(QStringLiteral("[^0-9]")));
        bool ok = false;
        const qint64 documento = digits.toLongLong(&ok);
        if (ok)
            busqueda = [tabla, documento] { return busqueda::porDocumento(tabla, documento); };
    }
    m_tablaConsultada = tabla;
    m_ultima = busqueda;
    if (busqueda) {
        ejecutar(busqueda);
        if (!m_ultima)
            return; // the engine failed and said so
    } else {
        m_qConsulta->clear();
    }
    if (m_qConsulta->rowCount() == 0)
        Dialogs::information(QStringLiteral("Disculpe, no se encontraron pedidos\rque cumplan las condiciones"));
}

void TFConsulta::ejecutar(const std::function<dbase::RecordSet()> &busqueda)
{
    m_qConsulta->clear();
    try {
        dbase::RecordSet found;
        {
            Reloj reloj;
            found = busqueda();
        }
        m_qConsulta->setRecords(std::move(found));
        ui::fitColumnWidths(*m_ui->DBGrid1);
    } catch (const std::exception &e) {
        m_ultima = nullptr;
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }
    if (m_qConsulta->rowCount() > 0)
        m_ui->DBGrid1->setCurrentIndex(m_qConsulta->index(0, 0));
}

void TFConsulta::btVerClick()
{
    if (m_qConsulta->rowCount() == 0) {
        Dialogs::information(QStringLiteral("No hay pedido para visualizar"));
        return;
    }
    const int row = std::max(0, m_ui->DBGrid1->currentIndex().row());
    QVariant cPed;
    try {
        cPed = m_qConsulta->value(row, QStringLiteral("C_PED"));
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }
    // an alias belongs to an official request
    if (m_tablaConsultada == TablaBusqueda::Personales)
        mostrarPedido(m_dm.pedp, cPed, mostrarPedidoPersonal);
    else
        mostrarPedido(m_dm.ped, cPed, mostrarPedidoOficial);
}

} // namespace qal

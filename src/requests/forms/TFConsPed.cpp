#include "TFConsPed.h"

#include "ui_TFConsPed.h"

#include "data/RequestLists.h"
#include "data/Tdm.h"
#include "reports/TPrintGrid.h"
#include "requests/forms/MostrarPedido.h"
#include "ui/ColumnWidths.h"
#include "ui/RecordSetModel.h"

#include "core/Dialogs.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QToolButton>

namespace qal {

TFConsPed::TFConsPed(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFConsPed>()), m_dm(dm), m_dsCped(new ui::RecordSetModel(this)),
      m_printGrid(new TPrintGrid(this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_dsCped->setObjectName(QStringLiteral("dsCped"));
    m_ui->DBGrid1->setModel(m_dsCped);
    m_ui->DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_ui->DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->DBGrid1->verticalHeader()->hide();
    // the rows are all alike: no view measures 100,000 of them
    m_ui->DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_ui->DBGrid1->verticalHeader()->setDefaultSectionSize(m_ui->DBGrid1->fontMetrics().height() + 6);
    m_ui->DBNavigator1->bind(m_ui->DBGrid1);
    m_ui->DBNavigator1->button(ui::GridNavigator::Button::Refresh)->hide();

    m_printGrid->setObjectName(QStringLiteral("PrintGrid1"));
    m_printGrid->DBGrid = m_dsCped;
    m_printGrid->RightMargin = 30;
    m_printGrid->BottomMargin = 40;
    m_printGrid->HeaderFont = QFont(QStringLiteral("Arial"), 8, QFont::Bold);
    m_printGrid->LinesFont = QFont(QStringLiteral("Arial"), 8);
    m_printGrid->HorizontalGap = 4;
    m_printGrid->RowLines = true;

    const QList<QPair<QRadioButton *, Criterio>> criterios {{m_ui->rbSinEnviar, Criterio::SinEnviar},
                                                           {m_ui->rbEnviados, Criterio::EnviadosSinContestar},
                                                           {m_ui->rbContestados, Criterio::Contestados},
                                                           {m_ui->rbTodos, Criterio::Todos}};
    for (const auto &[button, criterio] : criterios) {
        const Criterio c = criterio;
        connect(button, &QRadioButton::clicked, this, [this, c] { elegirCriterio(c); });
    }
    connect(m_ui->btRefrescar, &QPushButton::clicked, this, &TFConsPed::Refrescar);
    connect(m_ui->btVer, &QPushButton::clicked, this, &TFConsPed::btVerClick);
    connect(m_ui->DBGrid1, &QAbstractItemView::doubleClicked, this, &TFConsPed::btVerClick);
    connect(m_ui->btImprimir, &QPushButton::clicked, this, &TFConsPed::btImprimirClick);
}

TFConsPed::~TFConsPed() = default;

void TFConsPed::showEvent(QShowEvent *event)
{
    FormShow();
    QDialog::showEvent(event);
}

void TFConsPed::FormShow()
{
    Refrescar();
}

void TFConsPed::elegirCriterio(Criterio criterio)
{
    static const QString kSufijos[] = {QStringLiteral(" sin Enviar"), QStringLiteral(" Enviados sin Contestar"),
                                       QStringLiteral(" Contestados"), QString()};
    m_criterio = criterio;
    m_titulo = QStringLiteral("Informe de Pedidos") + kSufijos[int(criterio)];
    Refrescar();
}

void TFConsPed::Refrescar()
{
    m_dsCped->clear();
    ListaPedidos lista;
    try {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        switch (m_criterio) {
        case Criterio::SinEnviar:
            lista = Cped(false, false);
            break;
        case Criterio::EnviadosSinContestar:
            lista = Cped(true, false);
            break;
        case Criterio::Contestados:
            lista = Cped(true, true);
            break;
        case Criterio::Todos:
            lista = CpedT();
            break;
        }
        QGuiApplication::restoreOverrideCursor();
    } catch (const std::exception &e) {
        QGuiApplication::restoreOverrideCursor();
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }
    auto organismos = std::make_shared<QHash<qint64, QString>>(std::move(lista.organismos));
    QList<ui::RecordSetModel::Column> columns;
    for (const ColumnaLista &c : requestListColumns()) {
        ui::RecordSetModel::Column column {c.label, c.field, c.width, {}};
        if (c.field == QLatin1String("C_ORG"))
            column.shown = [organismos](const QVariant &cOrg) {
                return QVariant(cOrg.isNull() ? QString() : organismos->value(cOrg.toLongLong()));
            };
        columns << column;
    }
    m_dsCped->setColumns(columns);
    m_dsCped->setRecords(std::move(lista.pedidos));
    ui::fitColumnWidths(*m_ui->DBGrid1);
    if (m_dsCped->rowCount() > 0)
        m_ui->DBGrid1->setCurrentIndex(m_dsCped->index(0, 0));
}

void TFConsPed::btVerClick()
{
    if (m_dsCped->rowCount() == 0)
        return;
    const int row = std::max(0, m_ui->DBGrid1->currentIndex().row());
    try {
        mostrarPedido(m_dm.ped, m_dsCped->value(row, QStringLiteral("C_PED")), mostrarPedidoOficial);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFConsPed::btImprimirClick()
{
    m_printGrid->Header = QStringLiteral("QAL - Regional %1 - %2").arg(m_dm.LeerParametro(QStringLiteral("x_reg")), m_titulo);
    try {
        m_printGrid->Print();
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

} // namespace qal

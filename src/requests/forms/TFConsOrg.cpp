#include "TFConsOrg.h"

#include "TFOrg.h"
#include "ui_TFConsOrg.h"

#include "data/Tdm.h"
#include "ui/DataSource.h"

#include <QHeaderView>
#include <QToolButton>

namespace qal {

TFConsOrg::TFConsOrg(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFConsOrg>()), m_dm(dm), m_dsOrg(new ui::DataSource(&dm.org, this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_dsOrg->setObjectName(QStringLiteral("dsOrg"));
    m_dsOrg->autoEdit = false;
    m_ui->DBGrid1->bind(m_dsOrg);
    m_ui->DBGrid1->setColumns({{QStringLiteral("C_ORG"), QStringLiteral("Código"), true, true},
                               {QStringLiteral("X_ORG"), QStringLiteral("Organismo"), true, true},
                               {QStringLiteral("X_DOM"), QStringLiteral("Domicilio"), true, true},
                               {QStringLiteral("X_LOC"), QStringLiteral("Localidad"), true, true},
                               {QStringLiteral("C_CODPOS"), QStringLiteral("CP"), true, true},
                               {QStringLiteral("x_prov"), QStringLiteral("Provincia"), true, true},
                               {QStringLiteral("X_EMAIL"), QStringLiteral("X_EMAIL"), true, true}});
    m_ui->DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->DBGrid1->verticalHeader()->hide();
    m_ui->DBGrid1->horizontalHeader()->setStretchLastSection(true);
    m_ui->DBNavigator1->bind(m_dsOrg);
    using B = ui::DbNavigator::Button;
    for (B b : {B::Insert, B::Delete, B::Edit, B::Post, B::Cancel})
        m_ui->DBNavigator1->button(b)->hide();
    connect(m_ui->btVer, &QPushButton::clicked, this, &TFConsOrg::btVerClick);
    connect(m_ui->DBGrid1, &QAbstractItemView::doubleClicked, this, &TFConsOrg::btVerClick);
}

TFConsOrg::~TFConsOrg() = default;

void TFConsOrg::btVerClick()
{
    if (!m_editor)
        m_editor = new TFOrg(m_dm, this);
    m_editor->show();
    m_editor->raise();
    m_editor->activateWindow();
}

} // namespace qal

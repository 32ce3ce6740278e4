#include "TFOrg.h"

#include "ui_TFOrg.h"

#include "data/Tdm.h"
#include "ui/DataSource.h"

#include <QIntValidator>

namespace qal {

TFOrg::TFOrg(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFOrg>()), m_dm(dm), m_dsOrg(new ui::DataSource(&dm.org, this))
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_dsOrg->setObjectName(QStringLiteral("dsOrg"));
    const QList<QPair<ui::DbEdit *, const char *>> edits {{m_ui->c_org, "C_ORG"},       {m_ui->x_org, "X_ORG"},
                                                         {m_ui->x_dom, "X_DOM"},       {m_ui->x_loc, "X_LOC"},
                                                         {m_ui->c_codpos, "C_CODPOS"}, {m_ui->x_email, "X_EMAIL"}};
    for (const auto &[edit, field] : edits) {
        const QString name = QString::fromLatin1(field);
        edit->upperCase = name == QLatin1String("X_ORG") || name == QLatin1String("X_DOM") || name == QLatin1String("X_LOC");
        edit->bind(m_dsOrg, name);
    }
    // the code is the agency's number, given on its first save
    m_ui->c_org->setReadOnly(true);
    m_ui->c_codpos->setValidator(new QIntValidator(0, 99999, m_ui->c_codpos));
    m_ui->x_prov->setList(&dm.prov, QStringLiteral("C_PROV"), QStringLiteral("X_PROV"));
    m_ui->x_prov->bind(m_dsOrg, QStringLiteral("C_PROV"));
    m_ui->DBNavigator1->bind(m_dsOrg);
    m_ui->DBNavigator1->confirmDelete = false;
    m_ui->DBNavigator1->beforeAction = [this](ui::DbNavigator::Button b) { return DBNavigator1BeforeAction(b); };
}

TFOrg::~TFOrg() = default;

bool TFOrg::DBNavigator1BeforeAction(ui::DbNavigator::Button button)
{
    m_dm.grabacionAutorizada = button == ui::DbNavigator::Button::Post;
    return true;
}

} // namespace qal

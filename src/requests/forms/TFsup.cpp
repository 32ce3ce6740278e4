#include "TFsup.h"

#include "ui_TFsup.h"

#include "data/Tdm.h"
#include "requests/RequestState.h"
#include "ui/DataSource.h"

#include "core/Dialogs.h"

namespace qal {

TFsup::TFsup(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFsup>()), m_dm(dm), m_dsSup(new ui::DataSource(&dm.sup, this))
{
    m_ui->setupUi(this);
    m_dsSup->setObjectName(QStringLiteral("DsSup"));
    for (ui::DbEdit *edit : {m_ui->x_ape1, m_ui->x_ape2, m_ui->x_nom1, m_ui->x_nom2, m_ui->x_nom3}) {
        edit->upperCase = true;
        edit->bind(m_dsSup, edit->objectName().toUpper());
    }
    m_ui->DBNavigator1->bind(m_dsSup);
    m_ui->DBNavigator1->beforeAction = [this](ui::DbNavigator::Button b) { return DBNavigator1BeforeAction(b); };
    m_dsSup->beforeAutoEdit = [this] { return DBNavigator1BeforeAction(ui::DbNavigator::Button::Edit); };
}

TFsup::~TFsup() = default;

bool TFsup::DBNavigator1BeforeAction(ui::DbNavigator::Button button)
{
    using B = ui::DbNavigator::Button;
    if ((button == B::Insert || button == B::Edit) && !pedidoModificable(m_dm.ped)) {
        Dialogs::information(
            QStringLiteral("No se puede modificar un pedido que ya ha sido enviado. Excepto que este rechazado"));
        return false;
    }
    m_dm.grabacionAutorizada = button == B::Post;
    return true;
}

void TFsup::done(int result)
{
    // an alias left half-typed is not stored behind the operator's back
    try {
        m_dm.sup.cancel();
    } catch (...) {
    }
    QDialog::done(result);
}

} // namespace qal

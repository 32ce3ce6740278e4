#include "TFAdminUsu.h"

#include "ui_TFAdminUsu.h"

#include "data/Operador.h"
#include "ui/DataSource.h"

#include "core/Dialogs.h"


namespace qal {

TFAdminUsu::TFAdminUsu(dbase::Table &usu, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFAdminUsu>()), m_usu(usu), m_ds(new ui::DataSource(&usu, this))
{
    m_ui->setupUi(this);
    m_ds->setObjectName(QStringLiteral("dsUsu"));
    m_ui->DBGrid1->bind(m_ds);
    m_ui->DBGrid1->setColumns({{QStringLiteral("C_LOGIN"), QStringLiteral("Usuario")},
                               {QStringLiteral("X_USU"), QStringLiteral("Descripción")},
                               {QStringLiteral("C_CLAVE"), QString(), false, true}});
    m_ui->DBGrid1->setColumnWidth(0, 110);
    m_ui->DBNavigator1->bind(m_ds);
    connect(m_ui->btLimpiar, &QPushButton::clicked, this, &TFAdminUsu::btLimpiarClick);
    connect(m_ui->btSalir, &QPushButton::clicked, this, &QDialog::close);
}

TFAdminUsu::~TFAdminUsu() = default;

void TFAdminUsu::btLimpiarClick()
{
    try {
        if (m_usu.isEmpty())
            return;
        if (!Dialogs::confirm(QStringLiteral("¿Está seguro que desea limpiar\rla contraseña de este usuario?")))
            return;
        limpiarClave(m_usu);
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFAdminUsu::done(int result)
{
    // a row left half-typed is not stored behind the operator's back
    try {
        m_usu.cancel();
    } catch (...) {
    }
    QDialog::done(result);
}

} // namespace qal

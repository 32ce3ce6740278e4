#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFAdminUsu;
}

namespace qal {

namespace dbase {
class Table;
}
namespace ui {
class DataSource;
}

// "Administrar Usuarios": the user table in a grid with its navigator (the protected
// password column is not shown) and "Limpiar Clave", which clears the current user's
// password so that it is the user name again.
class TFAdminUsu : public QDialog
{
    Q_OBJECT

public:
    explicit TFAdminUsu(dbase::Table &usu, QWidget *parent = nullptr);
    ~TFAdminUsu() override;

    void done(int result) override;

private:
    // Handlers of the form's controls, reached through them.
    void btLimpiarClick();

    std::unique_ptr<Ui::TFAdminUsu> m_ui;
    dbase::Table &m_usu;
    ui::DataSource *m_ds;
};

} // namespace qal

#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TCambClave;
}

namespace qal {

namespace dbase {
class Table;
}

// "Cambiar Contraseña": the current operator changes the password. Accepted when the new
// password was stored.
class TCambClave : public QDialog
{
    Q_OBJECT

public:
    explicit TCambClave(dbase::Table &usu, QWidget *parent = nullptr);
    ~TCambClave() override;

private:
    // Handlers of the form's controls, reached through them.
    void btCambiarClick();

    std::unique_ptr<Ui::TCambClave> m_ui;
    dbase::Table &m_usu;
};

// Runs the dialog modally; true when the password was changed.
bool CambiarClave(dbase::Table &usu, QWidget *parent = nullptr);

} // namespace qal

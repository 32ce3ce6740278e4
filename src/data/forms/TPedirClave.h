#pragma once

#include "data/Operador.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TPedirClave;
}

namespace qal {

// The log-in dialog "Control de Acceso": user name and password against the user table.
// Accepted on a correct password; rejected on "&Cancelar" or at the third wrong attempt.
class TPedirClave : public QDialog
{
    Q_OBJECT

public:
    explicit TPedirClave(dbase::Table &usu, QWidget *parent = nullptr);
    ~TPedirClave() override;

    // Shows the system name, empties both fields and starts counting attempts anew.
    void prepare(const QString &sistema);
    int intentos() const { return m_acceso.intentos(); }

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();

    std::unique_ptr<Ui::TPedirClave> m_ui;
    ControlAcceso m_acceso;
};

// Runs the log-in modally; true when the operator logged in.
bool PedirClave(dbase::Table &usu, const QString &sistema, QWidget *parent = nullptr);

} // namespace qal

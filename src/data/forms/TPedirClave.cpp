#include "TPedirClave.h"

#include "ui_TPedirClave.h"

#include "ui/TextRuleValidator.h"

#include "core/Dialogs.h"

#include <QApplication>

namespace qal {

TPedirClave::TPedirClave(dbase::Table &usu, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TPedirClave>()), m_acceso(usu)
{
    m_ui->setupUi(this);
    ui::applyUserNameRules(m_ui->edUsuario);
    ui::applyPasswordRules(m_ui->edContrasena);
    connect(m_ui->btAceptar, &QPushButton::clicked, this, &TPedirClave::btAceptarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

TPedirClave::~TPedirClave() = default;

void TPedirClave::prepare(const QString &sistema)
{
    m_ui->Sistema->setText(sistema);
    m_ui->edUsuario->clear();
    m_ui->edContrasena->clear();
    m_acceso.reiniciar();
    m_ui->edUsuario->setFocus();
}

void TPedirClave::btAceptarClick()
{
    const QString usuario = m_ui->edUsuario->text();
    const QString clave = m_ui->edContrasena->text();
    switch (m_acceso.ingresar(usuario, clave)) {
    case ControlAcceso::Resultado::Aceptado:
        if (clave.isEmpty() || clave == usuario)
            Dialogs::information(QStringLiteral("Para mayor seguridad, conviene que cambie su contraseña"),
                                 QStringLiteral("Consejo"));
        m_ui->edContrasena->clear();
        accept();
        break;
    case ControlAcceso::Resultado::Bloqueado:
        QApplication::beep();
        Dialogs::warning(QStringLiteral("Intento de ingreso no autorizado"));
        m_ui->edContrasena->clear();
        reject();
        break;
    case ControlAcceso::Resultado::Rechazado:
        Dialogs::warning(QStringLiteral("Usuario y/o contraseña incorrecta"));
        m_ui->edContrasena->setFocus();
        m_ui->edContrasena->selectAll();
        break;
    }
}

bool PedirClave(dbase::Table &usu, const QString &sistema, QWidget *parent)
{
    TPedirClave dialog(usu, parent);
    dialog.prepare(sistema);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace qal

#include "TCambClave.h"

#include "ui_TCambClave.h"

#include "data/Operador.h"
#include "ui/TextRuleValidator.h"

#include "core/Dialogs.h"

namespace qal {

TCambClave::TCambClave(dbase::Table &usu, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TCambClave>()), m_usu(usu)
{
    m_ui->setupUi(this);
    for (QLineEdit *e : {m_ui->edActual, m_ui->edNueva, m_ui->edConfirmar})
        ui::applyPasswordRules(e);
    connect(m_ui->btCambiar, &QPushButton::clicked, this, &TCambClave::btCambiarClick);
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &QDialog::reject);
    setFixedSize(sizeHint());
}

TCambClave::~TCambClave()
{
    for (QLineEdit *e : {m_ui->edActual, m_ui->edNueva, m_ui->edConfirmar})
        e->clear();
}

void TCambClave::btCambiarClick()
{
    const QString nueva = m_ui->edNueva->text();
    const QString problema = validarCambioClave(m_ui->edActual->text(), nueva, m_ui->edConfirmar->text());
    if (!problema.isEmpty()) {
        Dialogs::error(problema);
        return;
    }
    Operador &op = Operador::actual();
    try {
        if (!grabarClave(m_usu, op.usuario, nueva)) {
            Dialogs::error(QStringLiteral("Error: usuario no encontrado"));
            return;
        }
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }
    op.clave = nueva;
    for (QLineEdit *e : {m_ui->edActual, m_ui->edNueva, m_ui->edConfirmar})
        e->clear();
    accept();
    Dialogs::information(QStringLiteral("Se cambió la contraseña exitosamente"), QStringLiteral("Información"));
}

bool CambiarClave(dbase::Table &usu, QWidget *parent)
{
    TCambClave dialog(usu, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace qal

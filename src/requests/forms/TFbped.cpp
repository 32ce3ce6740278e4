#include "TFbped.h"

#include "ui_TFbped.h"

#include "dbase/DatabaseError.h"
#include "dbase/Table.h"
#include "ui/UpperCaseValidator.h"

#include "core/Dialogs.h"

namespace qal {

TFbped::TFbped(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFbped>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    for (QLineEdit *edit : {m_ui->edCausa, m_ui->edApellido})
        edit->setValidator(new ui::UpperCaseValidator(edit));
    for (QRadioButton *b : {m_ui->rbCodigo, m_ui->rbCausa, m_ui->rbApellido})
        connect(b, &QRadioButton::toggled, this, &TFbped::criterioElegido);
    connect(m_ui->btBuscar, &QPushButton::clicked, this, &TFbped::btBuscarClick);
    criterioElegido();
}

TFbped::~TFbped() = default;

void TFbped::setTabla(dbase::Table *tabla, bool oficial)
{
    m_tabla = tabla;
    m_oficial = oficial;
}

void TFbped::criterioElegido()
{
    m_ui->seCodigo->setEnabled(m_ui->rbCodigo->isChecked());
    m_ui->edCausa->setEnabled(m_ui->rbCausa->isChecked());
    m_ui->edApellido->setEnabled(m_ui->rbApellido->isChecked());
}

void TFbped::btBuscarClick()
{
    if (!m_tabla)
        return;
    dbase::Table &t = *m_tabla;
    const dbase::Table::LocateOptions ignoringCase {true};
    bool found = false;
    try {
        if (m_ui->rbCodigo->isChecked()) {
            const qint64 codigo = m_ui->seCodigo->value();
            found = t.indexField().compare(QLatin1String("C_PED"), Qt::CaseInsensitive) == 0
                        ? t.findKey(codigo)
                        : t.locate(QStringLiteral("C_PED"), codigo);
        } else if (m_ui->rbCausa->isChecked()) {
            // personal requests have no cause number
            found = m_oficial && t.locate(QStringLiteral("N_CAUSA"), m_ui->edCausa->text(), ignoringCase);
        } else {
            found = t.locate(QStringLiteral("X_APE1"), m_ui->edApellido->text(), ignoringCase);
        }
    } catch (const dbase::Abort &) {
        return; // the request being edited is kept, and the operator was told why
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
        return;
    }
    if (found)
        accept();
    else
        Dialogs::information(QStringLiteral("Lo siento, no se ha encontrado el pedido"));
}

} // namespace qal

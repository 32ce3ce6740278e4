#include "TFVerTexto.h"

#include "core/Cp1252.h"

#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal::exchange {

TFVerTexto::TFVerTexto(QWidget *parent)
    : QDialog(parent), m_texto(new QPlainTextEdit(this))
{
    setObjectName(QStringLiteral("TFVerTexto"));
    m_texto->setObjectName(QStringLiteral("MTexto"));
    m_texto->setReadOnly(true);
    m_texto->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *cerrar = buttons->addButton(QStringLiteral("&Cerrar"), QDialogButtonBox::RejectRole);
    cerrar->setObjectName(QStringLiteral("btCerrar"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_texto);
    layout->addWidget(buttons);
    resize(640, 480);
}

bool TFVerTexto::mostrarArchivo(const QString &file, const QString &nombre)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        m_texto->clear();
        return false;
    }
    m_texto->setPlainText(fromCp1252(f.readAll()));
    setWindowTitle(nombre.isEmpty() ? QFileInfo(file).fileName() : nombre);
    return true;
}

QString TFVerTexto::texto() const
{
    return m_texto->toPlainText();
}

} // namespace qal::exchange

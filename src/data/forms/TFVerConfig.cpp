#include "TFVerConfig.h"

#include "ui_TFVerConfig.h"

#include "data/Tdm.h"

#include <QApplication>

namespace qal {

TFVerConfig::TFVerConfig(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFVerConfig>()), m_dm(dm)
{
    m_ui->setupUi(this);
    m_ui->Memo1->clear();
    // The check of the web service's configuration belongs to the web-service calls.
    m_ui->btVerificar->setEnabled(false);
    connect(m_ui->btMostrar, &QPushButton::clicked, this, &TFVerConfig::btMostrarClick);
    connect(m_ui->btVerificar, &QPushButton::clicked, this, &TFVerConfig::btVerificarClick);
}

TFVerConfig::~TFVerConfig() = default;

void TFVerConfig::agregarLinea(const QString &line)
{
    m_ui->Memo1->appendPlainText(line);
}

void TFVerConfig::setVerificacion(std::function<QString()> verificacion)
{
    m_verificacion = std::move(verificacion);
    m_ui->btVerificar->setEnabled(static_cast<bool>(m_verificacion));
}

void TFVerConfig::btVerificarClick()
{
    if (!m_verificacion)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString line = m_verificacion();
    QApplication::restoreOverrideCursor();
    agregarLinea(line);
}

void TFVerConfig::btMostrarClick()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const NetworkIdentity id = obtenerIdentidad ? obtenerIdentidad() : NetworkIdentity {};
    agregarLinea(QStringLiteral("Código de regional oficial: ") + m_dm.LeerParametro(QStringLiteral("c_reg")));
    agregarLinea(QStringLiteral("Código de regional privado: ") + m_dm.LeerParametro(QStringLiteral("c_regp")));
    agregarLinea(QStringLiteral("MAC: ") + id.mac);
    agregarLinea(QStringLiteral("Host: ") + id.host);
    agregarLinea(QStringLiteral("IP: ") + id.ip);
    QApplication::restoreOverrideCursor();
}

} // namespace qal

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
}

TFVerConfig::~TFVerConfig() = default;

void TFVerConfig::agregarLinea(const QString &line)
{
    m_ui->Memo1->appendPlainText(line);
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

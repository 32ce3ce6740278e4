#include "TFInfMensual.h"

#include "Navegador.h"

#include "data/Tdm.h"
#include "reports/central/ConsultaWeb.h"

#include "core/Clock.h"
#include "core/Dialogs.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal {

TFInfMensual::TFInfMensual(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_mes(new QLineEdit(this)), m_anio(new QLineEdit(this)),
      m_aceptar(new QPushButton(QStringLiteral("&Aceptar"), this)),
      m_cancelar(new QPushButton(QStringLiteral("&Cancelar"), this))
{
    setObjectName(QStringLiteral("TFInfMensual"));
    setWindowTitle(QStringLiteral("Informe mesual"));
    m_mes->setObjectName(QStringLiteral("edMes"));
    m_anio->setObjectName(QStringLiteral("edAnio"));
    m_aceptar->setObjectName(QStringLiteral("btAceptar"));
    m_cancelar->setObjectName(QStringLiteral("btCancelar"));
    m_mes->setInputMask(QStringLiteral("09;_"));
    m_anio->setInputMask(QStringLiteral("0000;_"));
    m_mes->setMaximumWidth(m_mes->fontMetrics().horizontalAdvance(QStringLiteral("000000")));
    m_anio->setMaximumWidth(m_anio->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    m_aceptar->setDefault(true);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Mes:"), m_mes);
    fields->addRow(QStringLiteral("Año:"), m_anio);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_aceptar);
    buttons->addWidget(m_cancelar);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Indique período del informe:"), this));
    layout->addLayout(fields);
    layout->addLayout(buttons);
    // wide enough for the caption, which a window manager would otherwise cut
    setFixedSize(qMax(280, sizeHint().width()), sizeHint().height());

    connect(m_aceptar, &QPushButton::clicked, this, &TFInfMensual::btAceptarClick);
    connect(m_cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void TFInfMensual::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFInfMensual::FormShow()
{
    const QDate previo = Clock::today().addMonths(-1);
    m_mes->setText(QStringLiteral("%1").arg(previo.month(), 2, 10, QLatin1Char('0')));
    m_anio->setText(QString::number(previo.year()));
    m_mes->setFocus();
    m_mes->selectAll();
}

QString TFInfMensual::direccionInforme(int mes, int anio)
{
    QStringList bases;
    QString error;
    if (!central::ConsultaWeb(m_dm).Direcciones(bases, error) || bases.isEmpty())
        return {};
    return bases.front()
           + QStringLiteral("PlanillaInfMensual/Default.aspx?c_regqal=%1&month=%2&year=%3")
                 .arg(m_dm.LeerParametro(QStringLiteral("c_regp")).trimmed())
                 .arg(mes)
                 .arg(anio);
}

void TFInfMensual::btAceptarClick()
{
    bool ok = false;
    const int mes = m_mes->text().trimmed().toInt(&ok);
    if (!ok || mes < 1 || mes > 12) {
        Dialogs::information(QStringLiteral("ERROR: Número de mes incorrecto"));
        return;
    }
    const int anio = m_anio->text().trimmed().toInt(&ok);
    if (!ok || anio < 2000 || anio > 2100) {
        Dialogs::information(QStringLiteral("ERROR: Número de año incorrecto"));
        return;
    }
    const QString direccion = direccionInforme(mes, anio);
    if (direccion.isEmpty())
        Dialogs::information(QStringLiteral("ERROR: No se pudo obtener el listado mensual. Verifique la configuración de la URL"));
    else if (!AbrirEnNavegador(QUrl(direccion)))
        Dialogs::information(QStringLiteral("ERROR: No se pudo abrir el navegador con la dirección ") + direccion);
    accept();
}

} // namespace qal

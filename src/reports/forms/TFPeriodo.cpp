#include "TFPeriodo.h"

#include "core/Clock.h"
#include "core/Dialogs.h"

#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal {

TFPeriodo::TFPeriodo(QWidget *parent) : QDialog(parent), m_desde(new QDateEdit(this)), m_hasta(new QDateEdit(this))
{
    setObjectName(QStringLiteral("TFPeriodo"));
    setWindowTitle(QStringLiteral("Período del Informe"));
    m_desde->setObjectName(QStringLiteral("edDesde"));
    m_hasta->setObjectName(QStringLiteral("edHasta"));
    for (QDateEdit *e : {m_desde, m_hasta}) {
        e->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
        e->setCalendarPopup(true);
    }
    auto *aceptar = new QPushButton(QStringLiteral("&Aceptar"), this);
    auto *cancelar = new QPushButton(QStringLiteral("&Cancelar"), this);
    aceptar->setObjectName(QStringLiteral("btAceptar"));
    cancelar->setObjectName(QStringLiteral("btCancelar"));
    aceptar->setDefault(true);

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Fecha desde:"), m_desde);
    fields->addRow(QStringLiteral("Fecha hasta:"), m_hasta);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(aceptar);
    buttons->addWidget(cancelar);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Seleccione el período de estudio del informe:"), this));
    layout->addLayout(fields);
    layout->addWidget(new QLabel(QStringLiteral("(Nota: ambas fechas se incluyen en el informe)"), this));
    layout->addLayout(buttons);
    // a fixed border; wide enough for the caption, which a window manager would otherwise cut
    setFixedSize(qMax(320, sizeHint().width()), sizeHint().height());

    connect(aceptar, &QPushButton::clicked, this, &TFPeriodo::btAceptarClick);
    connect(cancelar, &QPushButton::clicked, this, &QDialog::reject);
}

void TFPeriodo::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    FormShow();
}

void TFPeriodo::FormShow()
{
    const QDate today = Clock::today();
    m_desde->setDate(QDate(today.year(), today.month(), 1));
    m_hasta->setDate(QDate(today.year(), today.month(), today.daysInMonth()));
}

QDate TFPeriodo::desde() const
{
    return m_desde->date();
}

QDate TFPeriodo::hasta() const
{
    return m_hasta->date();
}

void TFPeriodo::btAceptarClick()
{
    if (hasta() < desde()) {
        Dialogs::information(QStringLiteral("La fecha desde debe ser menor o igual a la fecha hasta"));
        return;
    }
    accept();
}

} // namespace qal

#pragma once

#include "Report.h"

#include <QDate>

namespace qal::reports {

// What the answer sheet of a personal request prints.
struct DatosContestacion
{
    QDate fecha; // the day it is printed
    QString codigoPedido, numeroExpediente, apellidos, nombres, numeroCertificada, observaciones, resultado;
};

// "Contestación de Pedido Personal": the central office's answer sent by registered letter.
class TrpContesPriv final : public Report
{
public:
    DatosContestacion datos;

    QString title() const override { return QStringLiteral("Contestación de Pedido Personal"); }
    void paint(Canvas &canvas) const override;
};

} // namespace qal::reports

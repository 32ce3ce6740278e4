#pragma once

#include "Report.h"

namespace qal::reports {

// What the official letter prints, every text computed.
struct DatosOficio
{
    QString lugarYFecha; // X_LOC + ", " + F_PED in full
    // the requesting agency
    QString organismo, secretaria, domicilio, localidad, provincia, delito, causa;
    // the person
    QString apellidos, apellidosSupuestos, nombres, nombresSupuestos;
    QString sexo, fechaNacimiento, edad, nacionalidad, documento;
    QString expedidoPor; // shown only when C_PROVCI is set
    bool mostrarExpedidoPor = false;
    QString nombresPadre, apellidosMadre, nombresMadre;
};

// The letter in which an agency asks for a person's record ("PEDIDO DE INFORMES ...").
class TrpOficio final : public Report
{
public:
    DatosOficio datos;

    QString title() const override { return QStringLiteral("Oficio"); }
    void paint(Canvas &canvas) const override;
};

} // namespace qal::reports

#pragma once

#include "Report.h"

#include <QDate>

namespace qal::reports {

// One item of the rejection sheet's check lists. position is the 1-based place of its
// flag in C_RECHAZO; 0 for the items no flag marks.
struct ItemRechazo
{
    int position;
    QString texto;
};

// The two lists, in order: the prints, then the cards.
const QList<ItemRechazo> &ItemsImpresiones();
const QList<ItemRechazo> &ItemsFichas();

// Whether C_RECHAZO marks the item at position: the character there is "1".
bool MarcadoEnRechazo(const QString &cRechazo, int position);

struct DatosRechazo
{
    QDate fecha;
    QString codigoPedido, apellidos, nombres;
    QString cRechazo; // the flags, "1" marks
};

// "Rechazo de huellas digitales": why the central office refused a request's prints.
class TrpRechPriv final : public Report
{
public:
    DatosRechazo datos;

    QString title() const override { return QStringLiteral("Rechazo de huellas digitales"); }
    void paint(Canvas &canvas) const override;
};

} // namespace qal::reports

#include "app/forms/AvisosVentanas.h"

#include "reports/forms/ImprimirDocumento.h"
#include "reports/forms/TFEstCent.h"
#include "reports/forms/TFImgPrn.h"
#include "reports/forms/TFreporte.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QFile>

namespace qal {

AvisosVentanas::AvisosVentanas(Tdm &dm, TFreporte &reporte, TFEstCent *estCent,
                               std::function<void(const QString &)> mostrarEstado)
    : m_dm(dm)
    , m_reporte(reporte)
    , m_estCent(estCent)
    , m_mostrarEstado(std::move(mostrarEstado))
{
}

AvisosVentanas::~AvisosVentanas() = default;

void AvisosVentanas::estado(const QString &texto)
{
    if (m_mostrarEstado)
        m_mostrarEstado(texto);
}

void AvisosVentanas::ocupado(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void AvisosVentanas::actividad(const QString &linea)
{
    m_reporte.AgregarLinea(linea);
}

void AvisosVentanas::mostrarActividad()
{
    m_reporte.show();
    m_reporte.raise();
}

bool AvisosVentanas::actividadVisible() const
{
    return m_reporte.isVisible();
}

void AvisosVentanas::limpiarEstados()
{
    if (m_estCent)
        m_estCent->LimpiarMemo();
}

void AvisosVentanas::estados(const QStringList &lineas)
{
    if (m_estCent) {
        m_estCent->AgregarLineas(lineas);
        m_estCent->show();
        m_estCent->raise();
        return;
    }
    QFile log(ProgramFolder::resolve(QStringLiteral("EstCent.log")));
    if (log.open(QIODevice::Append))
        log.write(toCp1252(lineas.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
}

void AvisosVentanas::imprimirImagen(const QString &archivo)
{
    if (!m_imgPrn)
        m_imgPrn = new TFImgPrn(&m_reporte);
    m_imgPrn->Imprimir(archivo);
}

void AvisosVentanas::imprimirContestacionPersonal()
{
    reports::EncolarContestacion(m_dm);
}

} // namespace qal

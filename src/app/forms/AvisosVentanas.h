#pragma once

#include "exchange/AvisosRecepcion.h"

#include <functional>

namespace qal {

class Tdm;
class TFEstCent;
class TFImgPrn;
class TFreporte;

// The processing of incoming messages as the operator sees it: the main window's status
// line and hourglass, the activity report window, the image print window for arriving
// answers, and the central-state window for the state lists.
class AvisosVentanas : public exchange::AvisosRecepcion
{
public:
    // estCent may be null: the state lists then go to the end of its memo file, "EstCent.log".
    AvisosVentanas(Tdm &dm, TFreporte &reporte, TFEstCent *estCent, std::function<void(const QString &)> mostrarEstado);
    ~AvisosVentanas() override;

    void estado(const QString &texto) override;
    void ocupado(bool busy) override;
    void actividad(const QString &linea) override;
    void mostrarActividad() override;
    bool actividadVisible() const override;
    void limpiarEstados() override;
    void estados(const QStringList &lineas) override;
    void imprimirImagen(const QString &archivo) override;
    void imprimirContestacionPersonal() override;

private:
    Tdm &m_dm;
    TFreporte &m_reporte;
    TFEstCent *m_estCent;
    std::function<void(const QString &)> m_mostrarEstado;
    TFImgPrn *m_imgPrn = nullptr;
};

} // namespace qal

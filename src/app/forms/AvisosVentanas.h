#pragma once

#include "exchange/AvisosRecepcion.h"

#include <functional>

namespace qal {

class Tdm;
class TFImgPrn;
class TFreporte;

// The processing of incoming messages as the operator sees it: the main window's status
// line and hourglass, the activity report window, the image print window for arriving
// answers. The state lists are kept in "EstCent.log", the central-state window's memo file.
class AvisosVentanas : public exchange::AvisosRecepcion
{
public:
    AvisosVentanas(Tdm &dm, TFreporte &reporte, std::function<void(const QString &)> mostrarEstado);
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
    std::function<void(const QString &)> m_mostrarEstado;
    TFImgPrn *m_imgPrn = nullptr;
};

} // namespace qal

#pragma once

#include <QDialog>

#include <functional>

namespace qal {

class TFLiveScanPlano;
class Tdm;

namespace dbase {
class Table;
}

// The request forms' side of a live-scan capture: the session for the current request of
// `pedidos` (official or personal), and the saved set handed over as the working file
// edit.zip, with the classifications the operator changed. The session exists only for the
// flat scanner ("Plano"). True when a new set became the working file (the request is then
// in edit state); after a failed copy "Error al crear la ficha comprimida" was shown.
struct CapturaLiveScan
{
    CapturaLiveScan(Tdm &module, dbase::Table &tabla) : dm(module), pedidos(tabla) {}

    Tdm &dm;
    dbase::Table &pedidos;
    bool oficial = true;
    bool soloLectura = false;
    QWidget *parent = nullptr;
    std::function<int(QDialog &)> mostrarModal;
    std::function<void(TFLiveScanPlano &)> antesDeCaptura;

    bool capturar();
};

} // namespace qal

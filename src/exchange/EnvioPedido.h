#pragma once

#include "exchange/RequestPackage.h"

#include "data/NetworkIdentity.h"

#include <functional>

namespace qal {
class Tdm;
namespace dbase {
class Table;
}
} // namespace qal

namespace qal::exchange {

// Sends the current request to the central office: checks that it can go, writes "ped.dat",
// copies its images under the names the central office expects ("huella.zip", "huella.tif",
// "docu.tif"), hands them to the data module's transport and, once the transport took the
// message, marks the request as sent (state "E"). Every refusal and failure is shown to the
// operator through the Dialogs service; a request that was not sent is left as it was.
//
// Each send returns true when the request was sent (also when marking it afterwards failed,
// which the operator is told).
class EnvioPedido
{
public:
    explicit EnvioPedido(Tdm &dm);

    // The current record of ped.
    bool EnviarPedidoOficial();
    // The current record of pedp, not in correction.
    bool EnviarPedidoPersonal();
    // The current record of pedp in correction ("D"): its data only, subject "CORRECCIONP".
    bool EnviarCorreccionPersonal();

    // This computer's network identity, written in personal packages.
    std::function<NetworkIdentity()> obtenerIdentidad = GetNetworkInfo;

private:
    bool oficial();
    bool personal();
    bool correccion();
    bool escribirPaquete(TipoPaquete tipo);
    // Hands the package of request t to the transport: recipient and regional code are
    // settings, read by their keys.
    bool enviar(const dbase::Table &t, const QString &claveDestino, const QString &asunto,
                const QString &claveRegional, const QStringList &adjuntos);
    void marcarEnviado(bool oficial);

    Tdm &m_dm;
};

// Attachment names.
inline const QString kHuellaZip = QStringLiteral("huella.zip");
inline const QString kHuellaTif = QStringLiteral("huella.tif");
inline const QString kDocuTif = QStringLiteral("docu.tif");
inline const QString kAsuntoCorreccion = QStringLiteral("CORRECCIONP");

} // namespace qal::exchange

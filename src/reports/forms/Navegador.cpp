#include "Navegador.h"

#include <QDesktopServices>

namespace qal {
namespace {

AbridorNavegador &abridor()
{
    static AbridorNavegador instalado;
    return instalado;
}

} // namespace

bool AbrirEnNavegador(const QUrl &url)
{
    if (abridor())
        return abridor()(url);
    return QDesktopServices::openUrl(url);
}

AbridorNavegador InstalarNavegador(AbridorNavegador nuevo)
{
    AbridorNavegador previo = std::move(abridor());
    abridor() = std::move(nuevo);
    return previo;
}

} // namespace qal

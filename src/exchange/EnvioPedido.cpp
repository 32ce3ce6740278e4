#include "exchange/EnvioPedido.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"

#include <QScopeGuard>

namespace qal::exchange {
namespace {

using State = dbase::Table::State;

const QString kSinTerminar =
    QStringLiteral("Antes de poder enviar el pedido\rdebe terminar de ingresar la información del mismo");
const QString kPedidoInvalido = QStringLiteral("Pedido inválido");
const QString kSinImpresiones = QStringLiteral("Debe ingresar las impresiones dactilares");
const QString kYaEnviado = QStringLiteral("Este pedido ya fue enviado\r¿Está seguro que desea volver a enviarlo?");
const QString kNoEnviado = QStringLiteral("No se pudo enviar el pedido");

// The checks every send starts with; false after the message.
bool puedeEnviarse(const dbase::Table &t)
{
    if (t.state() != State::Browse) {
        Dialogs::information(kSinTerminar);
        return false;
    }
    if (t.value(QStringLiteral("C_PED")).isNull()) {
        Dialogs::information(kPedidoInvalido);
        return false;
    }
    return true;
}

bool pregunta(const QString &text)
{
    return Dialogs::confirm(text, QStringLiteral("Advertencia"));
}

bool marca(const dbase::Table &t, const char *field)
{
    return t.value(QLatin1String(field)).toBool();
}

QString archivo(const char *prefijo, const dbase::Table &t)
{
    return ArchivoPedido(QLatin1String(prefijo), t.value(QStringLiteral("C_PED")), t.value(QStringLiteral("C_REG")));
}

// Copies a stored image under its attachment name; false after telling the operator.
bool copiarAdjunto(const QString &origen, const QString &adjunto)
{
    if (ReemplazarArchivo(origen, adjunto))
        return true;
    Dialogs::error(QStringLiteral("No se pudo copiar el archivo \"%1\" como \"%2\".\rEl pedido no fue enviado.")
                       .arg(origen, adjunto));
    return false;
}

// Every attachment must be in the folder when the transport is called.
bool adjuntosPresentes(const QStringList &adjuntos)
{
    for (const QString &name : adjuntos) {
        if (!ExisteArchivo(name)) {
            Dialogs::error(QStringLiteral("Falta el archivo adjunto \"%1\".\rEl pedido no fue enviado.").arg(name));
            return false;
        }
    }
    return true;
}

// A setting read as a whole number; text that is not one reads as 0.
int parametroEntero(Tdm &dm, const QString &key)
{
    bool ok = false;
    const int v = dm.LeerParametro(key).trimmed().toInt(&ok);
    return ok ? v : 0;
}

// Runs one send; an error raised on the way (an unreadable table or image) is shown and the
// request stays as it was.
bool atrapar(const std::function<bool()> &send)
{
    try {
        return send();
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace

EnvioPedido::EnvioPedido(Tdm &dm)
    : m_dm(dm)
{
}

bool EnvioPedido::EnviarPedidoOficial()
{
    return atrapar([this] { return oficial(); });
}

bool EnvioPedido::EnviarPedidoPersonal()
{
    return atrapar([this] { return personal(); });
}

bool EnvioPedido::EnviarCorreccionPersonal()
{
    return atrapar([this] { return correccion(); });
}

bool EnvioPedido::oficial()
{
    dbase::Table &ped = m_dm.ped;
    if (!puedeEnviarse(ped))
        return false;
    const QString ficha = archivo("h", ped);
    const QString paquete = archivo("z", ped);
    const QString documentos = archivo("d", ped);
    if (marca(ped, "M_EXCART51") && !ExisteArchivo(documentos)) {
        Dialogs::information(QStringLiteral("Si el pedido de informes se realiza con \rexcepción al art.51, "
                                            "debe escanear el \roficio en la sección Documentación"));
        return false;
    }
    if (marca(ped, "M_ESPECIAL") && !ExisteArchivo(documentos)) {
        Dialogs::information(QStringLiteral("Si el pedido de informes es especial, debe \rescanear el oficio en "
                                            "la sección Documentación"));
        return false;
    }
    const bool conFicha = ped.value(QStringLiteral("C_CARPED")).toString() == QLatin1String("C");
    const bool hayBlob = !ped.isNull(QStringLiteral("B_HUELLA"));
    if (conFicha) {
        if (!ExisteArchivo(ficha) && !ExisteArchivo(paquete) && !hayBlob) {
            Dialogs::information(kSinImpresiones);
            return false;
        }
        if (ExisteArchivo(ficha) && !m_dm.aceptacionImagenes->CheckCardImage(ProgramFolder::resolve(ficha)))
            return false;
    }
    if (marca(ped, "M_ENVIADO") && !pregunta(kYaEnviado))
        return false;
    if (marca(ped, "M_CONTESTA")) {
        Dialogs::error(QStringLiteral("¡Este pedido ya fue contestado!\rNo puede volver a enviarlo"));
        return false;
    }

    const auto borrarHuellas = qScopeGuard([] { BorrarArchivos({kHuellaTif, kHuellaZip}); });
    if (!escribirPaquete(TipoPaquete::Oficial))
        return false;
    BorrarArchivos({kHuellaTif, kHuellaZip});
    if (ExisteArchivo(paquete)) {
        if (!copiarAdjunto(paquete, kHuellaZip))
            return false;
    } else if (ExisteArchivo(ficha)) {
        if (!copiarAdjunto(ficha, kHuellaTif))
            return false;
    } else if (!EscribirArchivo(kHuellaTif, ped.value(QStringLiteral("B_HUELLA")).toByteArray())) {
        Dialogs::error(QStringLiteral("No se pudo escribir el archivo \"%1\".\rEl pedido no fue enviado.").arg(kHuellaTif));
        return false;
    }
    QStringList adjuntos {kPedDat};
    if (conFicha)
        adjuntos << (ExisteArchivo(kHuellaZip) ? kHuellaZip : kHuellaTif);
    BorrarArchivo(kDocuTif);
    if (ExisteArchivo(documentos)) {
        if (!copiarAdjunto(documentos, kDocuTif))
            return false;
        adjuntos << kDocuTif;
    }
    if (!enviar(ped, QStringLiteral("x_toreg"), m_dm.LeerParametro(QStringLiteral("x_msgreg")), QStringLiteral("c_reg"),
                adjuntos))
        return false;
    marcarEnviado(true);
    return true;
}

bool EnvioPedido::personal()
{
    dbase::Table &pedp = m_dm.pedp;
    if (!puedeEnviarse(pedp))
        return false;
    const QString ficha = archivo("hp", pedp);
    const QString paquete = archivo("zp", pedp);
    const QString documentos = archivo("dp", pedp);
    if (!ExisteArchivo(ficha) && !ExisteArchivo(paquete)) {
        Dialogs::information(kSinImpresiones);
        return false;
    }
    if (ExisteArchivo(ficha) && !m_dm.aceptacionImagenes->CheckCardImage(ProgramFolder::resolve(ficha)))
        return false;
    if (m_dm.LeerParametro(QStringLiteral("m_obli_doc")) != QLatin1String("N")) {
        if (!ExisteArchivo(documentos)) {
            Dialogs::information(QStringLiteral("Debe digitalizar la documentación del pedido"));
            return false;
        }
        if (!m_dm.aceptacionImagenes->CheckDocumentImage(ProgramFolder::resolve(documentos))) {
            Dialogs::information(QStringLiteral("La documentación no está escaneada en el formato correcto"));
            return false;
        }
    }
    const QString estado = pedp.value(QStringLiteral("C_EST")).toString();
    if (estado == QLatin1String("E") && !pregunta(kYaEnviado))
        return false;
    if (estado == QLatin1String("T")
        && !pregunta(QStringLiteral("Este pedido fue recibido por QAL Regional\ry se encuentra en trámite.\r"
                                    "¿Está seguro que desea volver a enviarlo?")))
        return false;
    if (estado == QLatin1String("C")) {
        Dialogs::error(QStringLiteral("Este pedido ya fue contestado por QAL Central\rNo se puede volver a enviarlo"));
        return false;
    }
    if (estado == QLatin1String("R")
        && !pregunta(QStringLiteral("Este pedido fue rechazado\r¿Está seguro que desea volver a enviarlo?")))
        return false;

    const auto borrarHuellas = qScopeGuard([] { BorrarArchivos({kHuellaTif, kHuellaZip}); });
    if (!escribirPaquete(TipoPaquete::Personal))
        return false;
    BorrarArchivo(kHuellaTif);
    if (ExisteArchivo(ficha) && !copiarAdjunto(ficha, kHuellaTif))
        return false;
    BorrarArchivo(kHuellaZip);
    if (ExisteArchivo(paquete) && !copiarAdjunto(paquete, kHuellaZip))
        return false;
    QStringList adjuntos;
    BorrarArchivo(kDocuTif);
    if (ExisteArchivo(documentos)) {
        if (!copiarAdjunto(documentos, kDocuTif))
            return false;
        adjuntos << kDocuTif;
    }
    adjuntos << kPedDat << (ExisteArchivo(kHuellaZip) ? kHuellaZip : kHuellaTif);
    if (!enviar(pedp, QStringLiteral("x_toregp"), m_dm.LeerParametro(QStringLiteral("x_msgregp")),
                QStringLiteral("c_regp"), adjuntos))
        return false;
    marcarEnviado(false);
    return true;
}

bool EnvioPedido::correccion()
{
    if (!puedeEnviarse(m_dm.pedp))
        return false;
    if (!escribirPaquete(TipoPaquete::Correccion))
        return false;
    if (!enviar(m_dm.pedp, QStringLiteral("x_toregp"), kAsuntoCorreccion, QStringLiteral("c_regp"), {kPedDat}))
        return false;
    marcarEnviado(false);
    return true;
}

bool EnvioPedido::escribirPaquete(TipoPaquete tipo)
{
    const NetworkIdentity red = tipo == TipoPaquete::Oficial ? NetworkIdentity {} : obtenerIdentidad();
    if (EscribirArchivo(kPedDat, ContenidoPedDat(m_dm, tipo, red)))
        return true;
    Dialogs::error(QStringLiteral("No se pudo escribir el archivo \"%1\".\rEl pedido no fue enviado.").arg(kPedDat));
    return false;
}

bool EnvioPedido::enviar(const dbase::Table &t, const QString &claveDestino, const QString &asunto,
                         const QString &claveRegional, const QStringList &adjuntos)
{
    if (!adjuntosPresentes(adjuntos))
        return false;
    const int pedido = static_cast<int>(t.value(QStringLiteral("C_PED")).toLongLong());
    if (m_dm.EnviarMensaje(m_dm.LeerParametro(claveDestino), asunto, pedido, parametroEntero(m_dm, claveRegional),
                           adjuntos, QString()))
        return true;
    Dialogs::information(kNoEnviado);
    return false;
}

// The message has gone: the request is marked as sent by a save of its own. When the record
// rules refuse that save (a check the request no longer passes), the operator learns that
// the central office has the request although this office does not show it as sent.
void EnvioPedido::marcarEnviado(bool oficial)
{
    dbase::Table &t = oficial ? m_dm.ped : m_dm.pedp;
    QString motivo;
    try {
        t.edit();
        m_dm.grabacionAutorizada = true;
        if (oficial)
            t.setValue(QStringLiteral("M_ENVIADO"), true);
        t.setValue(QStringLiteral("C_EST"), QStringLiteral("E"));
        t.post();
        return;
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        motivo = QString::fromUtf8(e.what());
    }
    m_dm.grabacionAutorizada = false;
    if (t.state() != State::Browse)
        t.cancel();
    QString text = QStringLiteral("El pedido fue enviado, pero no se pudo registrar como enviado.");
    if (!motivo.isEmpty())
        text += QStringLiteral("\r") + motivo;
    text += QStringLiteral("\rCorrija los datos del pedido y vuelva a enviarlo.");
    Dialogs::warning(text);
}

} // namespace qal::exchange

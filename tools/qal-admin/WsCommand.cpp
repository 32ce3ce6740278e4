// qal-admin ws CARPETA OPERACION [ARGUMENTOS...]: calls one web service of the central office
// with the folder's settings (QalReg.INI and the proxy of its parameter table) and prints the
// answer, for an administrator checking a connection.
#include "Command.h"

#include "exchange/soap/CentralServices.h"
#include "exchange/soap/ServicioWeb.h"

#include "core/ProgramFolder.h"
#include "data/NetworkIdentity.h"
#include "data/Tdm.h"

#include <QDir>
#include <QFile>

#include <exception>

using namespace qal;
using namespace qal::soap;

namespace {

const char kUsage[] =
    "uso: qal-admin ws CARPETA OPERACION [ARGUMENTOS...]\n"
    "  VerifyMessage\n"
    "  SendMessage DESTINATARIO ASUNTO [ARCHIVO...]\n"
    "  ObtenerMotivoRechazoOficial C_PED C_REG\n"
    "  ObtenerMotivoRechazoPrivado C_PED C_REG\n"
    "  VerificarHuella APPID ARCHIVO_WSQ\n"
    "  ActualizarCodSegur C_PEDQAL C_REGQAL CODIGO_ACTUAL CODIGO_NUEVO\n"
    "  GetPedidoByBoletaDoc BOLETA N_DOC\n"
    "  GetFechaByBoleta BOLETA\n"
    "  GetPedidoByTram C_PEDIDO N_DOC\n";

int usage()
{
    printErr(QString::fromUtf8(kUsage));
    return 2;
}

bool toInt(const QString &text, int &value)
{
    bool ok = false;
    value = text.trimmed().toInt(&ok);
    return ok;
}

// The answer, or the error on standard error.
int report(bool ok, const QString &answer, const QString &error)
{
    if (!ok) {
        printErr(error + QLatin1Char('\n'));
        return 1;
    }
    printOut(answer + QLatin1Char('\n'));
    return 0;
}

int call(Tdm &dm, const QString &op, const QStringList &a)
{
    const CentralServices ws(SoapSettings::current(&dm));
    QString text, error, desc;
    int n1 = 0, n2 = 0;
    if (op == QLatin1String("VerifyMessage") && a.isEmpty()) {
        printOut(VerificarConfiguracion(dm, GetNetworkInfo()) + QLatin1Char('\n'));
        return 0;
    }
    if (op == QLatin1String("SendMessage") && a.size() >= 2) {
        QALMessage msg;
        const NetworkIdentity id = GetNetworkInfo();
        bool ok = false;
        const int privado = dm.LeerParametro(QStringLiteral("c_regp")).trimmed().toInt(&ok);
        msg.Regional = ok && privado != 0 ? privado : dm.LeerParametro(QStringLiteral("c_reg")).trimmed().toInt();
        msg.MAC = id.mac;
        msg.HostName = id.host;
        msg.Recipients = a[0];
        msg.Subject = a[1];
        msg.addFiles(a.mid(2));
        return report(ws.SendMessage(msg, text, error), text, error);
    }
    if ((op == QLatin1String("ObtenerMotivoRechazoOficial") || op == QLatin1String("ObtenerMotivoRechazoPrivado"))
        && a.size() == 2 && toInt(a[0], n1) && toInt(a[1], n2)) {
        const bool ok = op.endsWith(QLatin1String("Oficial")) ? ws.ObtenerMotivoRechazoOficial(n1, n2, text, error)
                                                               : ws.ObtenerMotivoRechazoPrivado(n1, n2, text, error);
        return report(ok, text, error);
    }
    if (op == QLatin1String("VerificarHuella") && a.size() == 2) {
        QFile wsq(a[1]);
        if (!wsq.open(QIODevice::ReadOnly)) {
            printErr(QStringLiteral("qal-admin: no se puede leer %1\n").arg(a[1]));
            return 1;
        }
        qint64 result = 0;
        const bool ok = ws.VerificarHuella(a[0], base64Content(wsq.readAll()), result, error);
        return report(ok, QString::number(result), error);
    }
    if (op == QLatin1String("ActualizarCodSegur") && a.size() == 4 && toInt(a[0], n1) && toInt(a[1], n2)) {
        int result = 0;
        const bool ok = ws.ActualizarCodSegur(n1, n2, a[2], a[3], result, error);
        return report(ok, QString::number(result), error);
    }
    if (op == QLatin1String("GetPedidoByBoletaDoc") && a.size() == 2 && toInt(a[1], n1)) {
        int result = 0;
        const bool ok = ws.GetPedidoByBoletaDoc(a[0], n1, result, error);
        return report(ok, QString::number(result), error);
    }
    if (op == QLatin1String("GetFechaByBoleta") && a.size() == 1)
        return report(ws.GetFechaByBoleta(a[0], text, error), text, error);
    if (op == QLatin1String("GetPedidoByTram") && a.size() == 2 && toInt(a[0], n1) && toInt(a[1], n2)) {
        const bool ok = ws.GetPedidoByTram(QStringLiteral("I"), n1, n2, QString(), text, desc, error);
        return report(ok, text, error);
    }
    return usage();
}

int ws(const QStringList &args)
{
    if (args.size() < 2)
        return usage();
    const QString folder = QDir(args[0]).absolutePath();
    if (!QDir(folder).exists()) {
        printErr(QStringLiteral("qal-admin: no existe la carpeta %1\n").arg(folder));
        return 1;
    }
    ProgramFolder::setPath(folder);
    Tdm dm;
    try { // the parameter table alone: nothing is repaired, packed or upgraded
        dm.amb.open();
        if (dm.amb.hasProductionIndex())
            dm.amb.setIndexField(QStringLiteral("C_AMB"));
    } catch (const std::exception &e) {
        printErr(QStringLiteral("qal-admin: %1\n").arg(QString::fromUtf8(e.what())));
        return 1;
    }
    return call(dm, args[1], args.mid(2));
}

const RegisterCommand wsCommand({"ws", "ws CARPETA OPERACION [ARGUMENTOS...]",
                                 "Llama a un servicio web de QAL Central con la configuración de la carpeta "
                                 "y muestra la respuesta.",
                                 ws});

} // namespace

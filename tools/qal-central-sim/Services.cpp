#include "Services.h"

const Operation *Service::find(const QString &operation) const
{
    for (const Operation &op : operations)
        if (op.name == operation)
            return &op;
    return nullptr;
}

QList<Service> centralServices(const QString &messagePath)
{
    const Parameter msg {QStringLiteral("msg"), Parameter::Message};
    auto text = [](const char *name) { return Parameter {QString::fromLatin1(name), Parameter::Text}; };
    auto integer = [](const char *name) { return Parameter {QString::fromLatin1(name), Parameter::Int}; };
    return {
        {messagePath,
         {{QStringLiteral("SendMessage"), {msg}, Operation::TextResult},
          {QStringLiteral("VerifyMessage"), {msg}, Operation::TextResult}}},
        {QStringLiteral("/QALSVC/QALService.asmx"),
         {{QStringLiteral("ObtenerMotivoRechazoOficial"), {integer("c_ped"), integer("c_reg")}, Operation::TextResult},
          {QStringLiteral("ObtenerMotivoRechazoPrivado"), {integer("c_ped"), integer("c_reg")}, Operation::TextResult}}},
        {QStringLiteral("/BioQAL/BioQAL.asmx"),
         {{QStringLiteral("VerificarHuella"), {text("AppId"), text("WSQBase64")}, Operation::LongResult},
          {QStringLiteral("VerificarHuellaPuntaje"), {text("AppId"), text("WSQBase64")}, Operation::IntResult}}},
        {QStringLiteral("/ActualizaSegurSVC/ActualizaSegur.asmx"),
         {{QStringLiteral("ActualizarCodSegur"),
           {integer("c_pedqal"), integer("c_regqal"), text("c_segur_actual"), text("c_segur_nuevo")},
           Operation::IntResult}}},
        {QStringLiteral("/boletasvc/service.asmx"),
         {{QStringLiteral("GetPedidoByBoletaDoc"), {text("c_boleta"), integer("n_doc")}, Operation::IntResult},
          {QStringLiteral("GetFechaByBoleta"), {text("c_boleta")}, Operation::TextResult}}},
        {QStringLiteral("/trampersvc/tramper.asmx"),
         {{QStringLiteral("GetPedidoByTram"),
           {text("c_tped"), integer("c_pedido"), integer("n_doc"), text("in_errorDesc")},
           Operation::TextAndErrorDesc}}},
    };
}

#include "CentralServices.h"

#include "SoapCall.h"
#include "XmlText.h"

#include <QXmlStreamWriter>

#include <limits>
#include <utility>

namespace qal::soap {

namespace {

using Parameters = std::initializer_list<std::pair<const char *, QString>>;

std::function<void(QXmlStreamWriter &)> simpleParameters(Parameters parameters)
{
    QList<std::pair<QString, QString>> list;
    for (const auto &[name, value] : parameters)
        list.append({QString::fromLatin1(name), value});
    return [list](QXmlStreamWriter &xml) {
        for (const auto &[name, value] : list)
            writeTextElement(xml, name, value);
    };
}

// Calls operation at path (on the server, or a full address) with SOAPAction namespace +
// action; fills values or error.
bool call(const SoapSettings &settings, const QString &url, const QString &operation,
          std::function<void(QXmlStreamWriter &)> parameters, QMap<QString, QString> &values, QString &error)
{
    SoapRequest request;
    request.url = url;
    request.operation = operation;
    request.soapAction = settings.ns + operation;
    request.writeParameters = std::move(parameters);
    const SoapCallResult result = callSoap(settings, request);
    if (!result.ok) {
        error = QStringLiteral("Error ") + operation + QStringLiteral(": ") + result.error;
        return false;
    }
    values = result.values;
    return true;
}

QString onServer(const SoapSettings &settings, const char16_t *path)
{
    return settings.server + QString::fromUtf16(path);
}

bool textResult(const QMap<QString, QString> &values, const QString &operation, QString &result)
{
    result = values.value(operation + QLatin1String("Result")); // absent: null
    return true;
}

template<typename Int>
bool integerResult(const QMap<QString, QString> &values, const QString &operation, Int &result, QString &error)
{
    const QString name = operation + QLatin1String("Result");
    bool ok = false;
    const qlonglong value = values.value(name).trimmed().toLongLong(&ok);
    if (!ok || value < std::numeric_limits<Int>::min() || value > std::numeric_limits<Int>::max()) {
        error = QStringLiteral("Error ") + operation + QStringLiteral(": respuesta no válida: ") + name + QStringLiteral(" = \"")
            + values.value(name).left(40) + QLatin1Char('"');
        return false;
    }
    result = static_cast<Int>(value);
    return true;
}

bool messageCall(const SoapSettings &settings, const QString &operation, const QALMessage &msg, QString &result,
                 QString &error)
{
    QMap<QString, QString> values;
    if (!call(settings, settings.messageUrl, operation, [&msg](QXmlStreamWriter &xml) { msg.write(xml, QStringLiteral("msg")); },
              values, error))
        return false;
    return textResult(values, operation, result);
}

bool rejectionCall(const SoapSettings &settings, const QString &operation, int cPed, int cReg, QString &result,
                   QString &error)
{
    QMap<QString, QString> values;
    if (!call(settings, onServer(settings, CentralServices::kQALService), operation,
              simpleParameters({{"c_ped", QString::number(cPed)}, {"c_reg", QString::number(cReg)}}), values, error))
        return false;
    return textResult(values, operation, result);
}

} // namespace

CentralServices::CentralServices(SoapSettings settings) : m_settings(std::move(settings)) {}

bool CentralServices::SendMessage(const QALMessage &msg, QString &result, QString &error) const
{
    return messageCall(m_settings, QStringLiteral("SendMessage"), msg, result, error);
}

bool CentralServices::VerifyMessage(const QALMessage &msg, QString &result, QString &error) const
{
    return messageCall(m_settings, QStringLiteral("VerifyMessage"), msg, result, error);
}

bool CentralServices::ObtenerMotivoRechazoOficial(int cPed, int cReg, QString &result, QString &error) const
{
    return rejectionCall(m_settings, QStringLiteral("ObtenerMotivoRechazoOficial"), cPed, cReg, result, error);
}

bool CentralServices::ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &result, QString &error) const
{
    return rejectionCall(m_settings, QStringLiteral("ObtenerMotivoRechazoPrivado"), cPed, cReg, result, error);
}

bool CentralServices::VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result,
                                      QString &error) const
{
    const QString op = QStringLiteral("VerificarHuella");
    QMap<QString, QString> values;
    return call(m_settings, onServer(m_settings, kBioQAL), op,
                simpleParameters({{"AppId", appId}, {"WSQBase64", wsqBase64}}), values, error)
        && integerResult(values, op, result, error);
}

bool CentralServices::ActualizarCodSegur(int cPedQal, int cRegQal, const QString &actual, const QString &nuevo,
                                         int &result, QString &error) const
{
    const QString op = QStringLiteral("ActualizarCodSegur");
    QMap<QString, QString> values;
    return call(m_settings, onServer(m_settings, kActualizaSegur), op,
                simpleParameters({{"c_pedqal", QString::number(cPedQal)},
                                  {"c_regqal", QString::number(cRegQal)},
                                  {"c_segur_actual", actual},
                                  {"c_segur_nuevo", nuevo}}),
                values, error)
        && integerResult(values, op, result, error);
}

bool CentralServices::GetPedidoByBoletaDoc(const QString &boleta, int nDoc, int &result, QString &error) const
{
    const QString op = QStringLiteral("GetPedidoByBoletaDoc");
    QMap<QString, QString> values;
    return call(m_settings, onServer(m_settings, kBoleta), op,
                simpleParameters({{"c_boleta", boleta}, {"n_doc", QString::number(nDoc)}}), values, error)
        && integerResult(values, op, result, error);
}

bool CentralServices::GetFechaByBoleta(const QString &boleta, QString &result, QString &error) const
{
    const QString op = QStringLiteral("GetFechaByBoleta");
    QMap<QString, QString> values;
    return call(m_settings, onServer(m_settings, kBoleta), op, simpleParameters({{"c_boleta", boleta}}), values,
                error)
        && textResult(values, op, result);
}

bool CentralServices::GetPedidoByTram(const QString &cTped, int cPedido, int nDoc, const QString &inErrorDesc,
                                      QString &result, QString &errorDesc, QString &error) const
{
    const QString op = QStringLiteral("GetPedidoByTram");
    QMap<QString, QString> values;
    if (!call(m_settings, onServer(m_settings, kTramPer), op,
              simpleParameters({{"c_tped", cTped},
                                {"c_pedido", QString::number(cPedido)},
                                {"n_doc", QString::number(nDoc)},
                                {"in_errorDesc", inErrorDesc}}),
              values, error))
        return false;
    errorDesc = values.value(QStringLiteral("errorDesc"));
    return textResult(values, op, result);
}

} // namespace qal::soap

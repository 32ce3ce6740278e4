#pragma once

#include "QALMessage.h"
#include "SoapSettings.h"

#include <QString>

namespace qal::soap {

// The central office's web services, one method per operation. Each call posts one request
// and waits for its answer; it returns false on any failure, with error = "Error " + the
// operation's name + ": " + what went wrong.
class CentralServices
{
public:
    explicit CentralServices(SoapSettings settings);

    const SoapSettings &settings() const { return m_settings; }

    // Endpoint paths on the central office's web server.
    static constexpr char16_t kQALService[] = u"/QALSVC/QALService.asmx";
    static constexpr char16_t kBioQAL[] = u"/BioQAL/BioQAL.asmx";
    static constexpr char16_t kActualizaSegur[] = u"/ActualizaSegurSVC/ActualizaSegur.asmx";
    static constexpr char16_t kBoleta[] = u"/boletasvc/service.asmx";
    static constexpr char16_t kTramPer[] = u"/trampersvc/tramper.asmx";

    // ---- message service (address from the settings file)
    bool SendMessage(const QALMessage &msg, QString &result, QString &error) const;
    bool VerifyMessage(const QALMessage &msg, QString &result, QString &error) const;

    // ---- rejection reasons
    bool ObtenerMotivoRechazoOficial(int cPed, int cReg, QString &result, QString &error) const;
    bool ObtenerMotivoRechazoPrivado(int cPed, int cReg, QString &result, QString &error) const;

    // ---- remote fingerprint verification; wsqBase64 is sent as given
    bool VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result, QString &error) const;

    // ---- security code of a personal request; a result below 1 is a refusal
    bool ActualizarCodSegur(int cPedQal, int cRegQal, const QString &actual, const QString &nuevo, int &result,
                            QString &error) const;

    // ---- bank slips
    bool GetPedidoByBoletaDoc(const QString &boleta, int nDoc, int &result, QString &error) const;
    bool GetFechaByBoleta(const QString &boleta, QString &result, QString &error) const;

    // ---- procedures started on the Internet; result is the "name=value|" text
    bool GetPedidoByTram(const QString &cTped, int cPedido, int nDoc, const QString &inErrorDesc, QString &result,
                         QString &errorDesc, QString &error) const;

private:
    SoapSettings m_settings;
};

} // namespace qal::soap

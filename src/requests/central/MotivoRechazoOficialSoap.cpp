#include "MotivoRechazoOficialSoap.h"

#include "exchange/soap/CentralServices.h"

namespace qal {

ConsultaMotivoRechazo motivoRechazoOficialSoap(Tdm &dm)
{
    return [&dm](int cPed, int cReg, QString &motivo, QString &error) {
        return soap::CentralServices(soap::SoapSettings::current(&dm)).ObtenerMotivoRechazoOficial(cPed, cReg, motivo, error);
    };
}

} // namespace qal

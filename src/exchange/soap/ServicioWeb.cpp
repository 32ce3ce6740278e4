#include "ServicioWeb.h"

#include "CentralServices.h"

#include "data/Tdm.h"
#include "exchange/TSMime.h"

#include <QElapsedTimer>

namespace qal::soap {

SoapMessageTransport *instalarServicioWeb(exchange::TSMime &smime, Tdm &dm, SoapMessageTransport::LogSink log)
{
    auto transport = std::make_unique<SoapMessageTransport>([&dm] { return SoapSettings::current(&dm); },
                                                            std::move(log));
    SoapMessageTransport *installed = transport.get();
    smime.setWebServiceTransport(std::move(transport));
    return installed;
}

QString VerificarConfiguracion(Tdm &dm, const NetworkIdentity &identity)
{
    QALMessage msg;
    bool ok = false;
    const int privado = dm.LeerParametro(QStringLiteral("c_regp")).trimmed().toInt(&ok);
    msg.Regional = ok && privado != 0 ? privado : dm.LeerParametro(QStringLiteral("c_reg")).trimmed().toInt();
    msg.MAC = identity.mac;
    msg.HostName = identity.host;
    QElapsedTimer clock;
    clock.start();
    QString answer, error;
    if (!CentralServices(SoapSettings::current(&dm)).VerifyMessage(msg, answer, error))
        answer = error;
    return answer + QStringLiteral(" - tiempo: ") + QString::number(clock.elapsed()) + QStringLiteral(" ms.");
}

} // namespace qal::soap

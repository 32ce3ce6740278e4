#pragma once

#include <QMap>
#include <QString>

// How the central office answers the requests that arrive by mail. Read from the scenario
// file's "Correo" object (afresh for every message) and the --mail KEY=VALUE settings:
//   oficial, personal   contestar (confirmation, then the answer with its image; default),
//                       rechazar (confirmation, then a rejection), confirmar (only the
//                       confirmation), postal (personal: answered by post, no image),
//                       ninguno (nothing)
//   rechazo             the rejection's reason (x_obs)
//   expediente          the file number given (default 7000000 + c_reg * 10000 + c_ped)
//   resultado           the personal answer's c_res (default "N")
//   certificado         the personal answer's n_cert (default "C" + file number)
//   imagen              S/N: personal answers carry resp.tif (default S)
//   estOfi, estPriv     fixed texts of the state lists (default: the requests this office got)
//   asuntoPedidoOficial, asuntoPedidoPersonal, asuntoContestacionOficial,
//   asuntoContestacionPersonal, asuntoConfirmacionPersonal   the regional office's subjects
struct MailRules
{
    QString oficial = QStringLiteral("contestar");
    QString personal = QStringLiteral("contestar");
    QString rechazo = QStringLiteral("Los datos del pedido están incompletos");
    QString expediente;
    QString resultado = QStringLiteral("N");
    QString certificado;
    bool imagen = true;
    QString estOfi, estPriv;
    bool estOfiSet = false, estPrivSet = false;
    QString asuntoPedidoOficial = QStringLiteral("PEDIDO OFICIAL");
    QString asuntoPedidoPersonal = QStringLiteral("PEDIDO PERSONAL");
    QString asuntoContestacionOficial = QStringLiteral("CONTESTACION OFICIAL");
    QString asuntoContestacionPersonal = QStringLiteral("CONTESTACION PERSONAL");
    QString asuntoConfirmacionPersonal = QStringLiteral("CONFIRMACION");

    // False with the reason for an unknown key or value.
    bool set(const QString &key, const QString &value, QString &problem);
};

class MailScenario
{
public:
    void setFile(const QString &path) { m_file = path; }
    // "KEY=VALUE"; false when malformed.
    bool addSetting(const QString &setting, QString &problem);
    MailRules rules() const;

private:
    QString m_file;
    QMap<QString, QString> m_settings;
};

#include "exchange/MailCheck.h"

#include "exchange/TdmMail.h"

namespace qal::exchange {

bool EnviarMensajePrueba(TdmMail &mail, QString *error)
{
    THeaderMsg header;
    header.From = mail.UserEmail;
    header.To = mail.UserEmail;
    header.Subject = QStringLiteral("Mensaje de Prueba sin uso del Outlook");
    header.Priority = 2;
    QStringList body {QStringLiteral("Mensaje de correo electrónico enviado automáticamente para comprobar la "
                                     "configuración de su cuenta")};
    return mail.SendMail(header, body, error);
}

bool ChequearCuentaCorreo(TdmMail &mail, const std::function<void(const QString &)> &addLine)
{
    QString error;
    addLine(QStringLiteral("Chequeando POP3.."));
    if (!mail.ConnectPOP3(&error)) {
        addLine(QStringLiteral("Error al conectarse al POP3. Verifique configuración del POP3 y del correo"));
        addLine(error);
        return false;
    }
    mail.Disconnect();
    addLine(QStringLiteral("Verificación exitosa"));
    addLine(QStringLiteral("Chequeando SMTP.."));
    if (!EnviarMensajePrueba(mail, &error)) {
        addLine(QStringLiteral("Error al enviar mail de prueba. Verifique configuración del SMTP y del correo"));
        addLine(error);
        return false;
    }
    addLine(QStringLiteral("Verificación exitosa"));
    return true;
}

} // namespace qal::exchange

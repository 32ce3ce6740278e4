// qal-admin commands over the settings of a program folder: get, set, mail-check.
#include "Command.h"

#include "exchange/MailCheck.h"
#include "exchange/TdmMail.h"

#include "core/ProgramFolder.h"
#include "data/PasswordProtection.h"
#include "data/Tdm.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

#include <cstdio>
#include <exception>

using namespace qal;

namespace {

const QString kPop3Password = QStringLiteral("pop3PwdE");

// A data module over the folder's parameter table alone: the settings commands touch no
// other table (and repair, pack or upgrade nothing).
bool openSettings(const QString &folder, Tdm &dm)
{
    if (!QDir(folder).exists()) {
        printErr(QStringLiteral("qal-admin: no existe la carpeta %1\n").arg(folder));
        return false;
    }
    ProgramFolder::setPath(QDir(folder).absolutePath());
    try {
        dm.amb.open();
        if (dm.amb.hasProductionIndex())
            dm.amb.setIndexField(QStringLiteral("C_AMB"));
        return true;
    } catch (const std::exception &e) {
        printErr(QStringLiteral("qal-admin: %1\n").arg(QString::fromUtf8(e.what())));
        return false;
    }
}

int get(const QStringList &args)
{
    if (args.size() != 2) {
        printErr(QStringLiteral("uso: qal-admin get CARPETA CLAVE\n"));
        return 2;
    }
    Tdm dm;
    if (!openSettings(args[0], dm))
        return 1;
    const QString value = dm.LeerParametro(args[1]);
    printOut((args[1] == kPop3Password ? ComplementarClave(value) : value) + QLatin1Char('\n'));
    return 0;
}

int set(const QStringList &args)
{
    if (args.size() != 2 && args.size() != 3) {
        printErr(QStringLiteral("uso: qal-admin set CARPETA CLAVE [VALOR | -]  (sin valor o \"-\": de la entrada estándar)\n"));
        return 2;
    }
    QString value;
    if (args.size() == 3 && args[2] != QLatin1String("-")) {
        value = args[2];
    } else {
        QTextStream in(stdin);
        value = in.readLine();
    }
    Tdm dm;
    if (!openSettings(args[0], dm))
        return 1;
    // The POP3 password is given in clear and stored scrambled.
    const QString stored = args[1] == kPop3Password ? ComplementarClave(value) : value;
    if (!dm.GrabarParametro(args[1], stored)) {
        printErr(QStringLiteral("qal-admin: no se pudo grabar %1\n").arg(args[1]));
        return 1;
    }
    return 0;
}

int mailCheck(const QStringList &args)
{
    if (args.size() != 1) {
        printErr(QStringLiteral("uso: qal-admin mail-check CARPETA\n"));
        return 2;
    }
    Tdm dm;
    if (!openSettings(args[0], dm))
        return 1;
    exchange::TdmMail mail(dm);
    const bool ok = exchange::ChequearCuentaCorreo(mail, [](const QString &line) { printOut(line + QLatin1Char('\n')); });
    return ok ? 0 : 1;
}

const RegisterCommand getCommand({"get", "get CARPETA CLAVE", "Muestra el valor de un parámetro de la carpeta.", get});
const RegisterCommand setCommand({"set", "set CARPETA CLAVE [VALOR | -]",
                                  "Graba un parámetro (pop3PwdE: la contraseña en claro, se guarda cifrada).", set});
const RegisterCommand mailCheckCommand({"mail-check", "mail-check CARPETA",
                                        "Prueba la cuenta de correo: POP3 y un mensaje de prueba por SMTP.", mailCheck});

} // namespace

// qal-admin send [--yes] FOLDER oficial|personal|correccion C_PED: sends one request of a
// program folder to the central office, as the request forms' "&Enviar" does.
#include "Command.h"

#include "exchange/EnvioPedido.h"
#include "exchange/TSMimeReg.h"
#include "exchange/soap/ServicioBoleta.h"
#include "exchange/soap/ServicioWeb.h"

#include "biometrics/ImageRules.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/Tdm.h"

#include <QDir>

using namespace qal;

namespace {

// Messages go to standard error. Questions are answered so that the send goes ahead with
// --yes and stops without it: Yes and No, except for a question that offers to cancel the
// send ("¿Desea cancelar el envío del pedido?"), answered the other way round.
class TerminalDialogs final : public Dialogs
{
public:
    explicit TerminalDialogs(bool yes) : m_yes(yes), m_previous(Dialogs::install(this)) {}
    ~TerminalDialogs() override { Dialogs::install(m_previous); }

    DialogButton ask(const DialogMessage &m) override
    {
        printErr(m.title + QStringLiteral(": ") + QString(m.text).replace(QLatin1Char('\r'), QLatin1Char('\n'))
                 + QLatin1Char('\n'));
        if (m.buttons.contains(DialogButton::Yes)) {
            const bool cancela = m.text.contains(QStringLiteral("¿Desea cancelar"));
            const bool si = m_yes != cancela;
            printErr(si ? QStringLiteral("  -> Sí") : QStringLiteral("  -> No"));
            printErr(m_yes ? QStringLiteral(" (--yes)\n") : QStringLiteral(" (sin --yes)\n"));
            return si ? DialogButton::Yes : DialogButton::No;
        }
        return m.buttons.isEmpty() ? DialogButton::Ok : m.buttons.front();
    }
    std::optional<QString> input(const DialogInput &) override { return std::nullopt; }
    QString openFileName(const DialogFile &) override { return {}; }
    QString saveFileName(const DialogFile &) override { return {}; }

private:
    bool m_yes;
    Dialogs *m_previous;
};

// The transport of the command: the program's transport selector over the folder's
// settings (web service, Outlook or SMTP), as the program installs it at start. The web
// service's log lines go to standard output.
std::unique_ptr<MessageTransport> transporteDelEnvio(Tdm &dm, const QString &folder,
                                                     soap::SoapMessageTransport *&webService)
{
    auto smime = std::make_unique<exchange::TSMimeReg>(dm, folder);
    webService = soap::instalarServicioWeb(*smime, dm, [](const QString &line) { printOut(line + QLatin1Char('\n')); });
    return smime;
}

// The personal form's checks before it sends.
bool comprobarPersonal(Tdm &dm)
{
    if (!dm.ComprobarPedidoPersonal())
        return false;
    if (dm.hayLiveScan && dm.pedp.value(QStringLiteral("VERIF_ID")).toLongLong() < 1) {
        Dialogs::information(QStringLiteral("Lo sentimos, no se puede enviar el pedido sin la confirmación biometrica"));
        return false;
    }
    return true;
}

int send(const QStringList &arguments)
{
    QStringList args = arguments;
    const bool yes = args.removeAll(QStringLiteral("--yes")) > 0;
    const QStringList kinds {QStringLiteral("oficial"), QStringLiteral("personal"), QStringLiteral("correccion")};
    bool numeric = false;
    const qlonglong cPed = args.size() == 3 ? args[2].toLongLong(&numeric) : 0;
    if (args.size() != 3 || !kinds.contains(args[1]) || !numeric) {
        printErr(QStringLiteral("uso: qal-admin send [--yes] CARPETA oficial|personal|correccion C_PED\n"));
        return 2;
    }
    const QString folder = QDir(args[0]).absolutePath();
    if (!QDir(folder).exists()) {
        printErr(QStringLiteral("qal-admin: no existe la carpeta %1\n").arg(folder));
        return 1;
    }
    TerminalDialogs dialogs(yes);
    ProgramFolder::setPath(folder);
    Tdm dm;
    dm.aceptacionImagenes = std::make_unique<ImageRulesAcceptance>();
    dm.dmCreate();
    if (dm.terminated() || !dm.InicioCompleto) {
        printErr(QStringLiteral("qal-admin: no se pudieron abrir las tablas de %1\n").arg(folder));
        return 1;
    }
    soap::SoapMessageTransport *webService = nullptr;
    dm.SMime = transporteDelEnvio(dm, folder, webService);
    dm.servicioBoleta = std::make_unique<soap::ServicioBoleta>(dm, [&dm] { return soap::SoapSettings::current(&dm); });
    // A slip whose data differ from the request's is the comparison window's question, put
    // as a question: --yes goes on.
    dm.compararPedidoBoleta = [](const QString &, const QVariant &, const QVariant &) {
        return Dialogs::confirm(QStringLiteral("Aún hay datos que difieren de la boleta\rEstá seguro que desea continuar?"),
                                QStringLiteral("Confirmar"));
    };

    const bool oficial = args[1] == kinds[0];
    dbase::Table &t = oficial ? dm.ped : dm.pedp;
    if (!t.findKey(cPed)) {
        printErr(QStringLiteral("qal-admin: no existe el pedido %1 %2\n").arg(args[1]).arg(cPed));
        return 1;
    }
    exchange::EnvioPedido envio(dm);
    bool sent = false;
    if (oficial)
        sent = envio.EnviarPedidoOficial();
    else if (args[1] == kinds[1])
        // as the personal form does: a request reopened for correction goes as a correction
        sent = comprobarPersonal(dm)
            && (dm.pedp.value(QStringLiteral("C_EST")).toString() == QLatin1String("D")
                    ? envio.EnviarCorreccionPersonal()
                    : envio.EnviarPedidoPersonal());
    else
        sent = envio.EnviarCorreccionPersonal();
    webService->esperarEnvios(); // a send that does not wait for the answer ends before the command
    if (!sent)
        return 1;
    printOut(QStringLiteral("Pedido %1 %2 enviado; estado: %3\n")
                 .arg(args[1])
                 .arg(cPed)
                 .arg(t.value(QStringLiteral("C_EST")).toString()));
    return 0;
}

const RegisterCommand sendCommand({"send", "send [--yes] CARPETA oficial|personal|correccion C_PED",
                                   "Envía un pedido a QAL Central por el medio configurado en la carpeta (las "
                                   "preguntas se contestan No, o Sí con --yes).",
                                   send});

} // namespace

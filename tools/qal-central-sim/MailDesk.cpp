#include "MailDesk.h"

#include "AnswerImage.h"

#include "core/Cp1252.h"
#include "core/IniFile.h"

namespace {

// The attachment of that name, ignoring case; null when there is none.
const QByteArray *attachment(const MailRequest &request, const QString &name)
{
    for (auto it = request.attachments.constBegin(); it != request.attachments.constEnd(); ++it)
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return &it.value();
    return nullptr;
}

qint64 number(const QString &data, const QString &key)
{
    bool ok = false;
    const qint64 n = qal::IniFile::valueIn(data, QStringLiteral("DATA"), key).toLongLong(&ok);
    return ok ? n : 0;
}

using Values = QList<QPair<QString, QString>>;

AnswerMessage message(const QString &to, const QString &subject, const Values &values)
{
    return AnswerMessage {to, subject, {{QStringLiteral("resp.dat"), dataFile(values)}}};
}

} // namespace

MailDesk::Outcome MailDesk::handle(const MailRequest &request, const MailRules &rules)
{
    if (request.from.isEmpty())
        return {{}, QStringLiteral("sin remitente: no se contesta")};
    if (request.subject == QLatin1String("GETESTADO"))
        return states(request, rules);
    if (request.subject == rules.asuntoPedidoOficial)
        return this->request(request, rules, false);
    if (request.subject == rules.asuntoPedidoPersonal || request.subject == QLatin1String("CORRECCIONP"))
        return this->request(request, rules, true);
    return {{}, QStringLiteral("asunto desconocido: no se contesta")};
}

MailDesk::Outcome MailDesk::request(const MailRequest &request, const MailRules &rules, bool personal)
{
    const QByteArray *ped = attachment(request, QStringLiteral("ped.dat"));
    if (!ped)
        return {{}, QStringLiteral("sin ped.dat: no se contesta")};
    const QString data = qal::fromCp1252(*ped);
    const qint64 cPed = number(data, QStringLiteral("c_ped"));
    const qint64 cReg = number(data, QStringLiteral("c_reg"));
    if (cPed <= 0 || cReg <= 0 || cReg > 9999)
        return {{}, QStringLiteral("ped.dat sin c_ped/c_reg válidos: no se contesta")};
    bool fixed = false;
    const qint64 given = rules.expediente.toLongLong(&fixed);
    const qint64 expediente = fixed ? given : 7000000 + cReg * 10000 + cPed;
    const QString action = personal ? rules.personal : rules.oficial;
    const QString to = request.from;
    const Values ids = {{QStringLiteral("c_ped"), QString::number(cPed)},
                        {QStringLiteral("c_reg"), QString::number(cReg)},
                        {QStringLiteral("n_expe"), QString::number(expediente)}};
    const auto with = [&ids](const Values &more) { return ids + more; };

    const QString kind = personal ? QStringLiteral("personal") : QStringLiteral("oficial");
    Outcome out;
    QChar state = u'T';
    if (action == QLatin1String("ninguno")) {
        out.note = QStringLiteral("%1 %2/%3: sin respuesta").arg(kind).arg(cReg).arg(cPed);
        return out;
    }
    out.answers << message(to, personal ? rules.asuntoConfirmacionPersonal : QStringLiteral("CONFIRMO"),
                           with({{QStringLiteral("c_est"), QStringLiteral("T")}}));
    const QStringList image = {QString::number(cPed), QString::number(expediente)};
    if (action == QLatin1String("rechazar")) {
        state = u'R';
        out.answers << message(to, personal ? QStringLiteral("RECHAZOP") : QStringLiteral("RECHAZO"),
                               with({{QStringLiteral("c_est"), QStringLiteral("R")},
                                     {QStringLiteral("x_obs"), rules.rechazo}}));
    } else if (action != QLatin1String("confirmar") && !personal) {
        state = u'C';
        AnswerMessage answer = message(to, rules.asuntoContestacionOficial, ids);
        answer.attachments << qMakePair(QStringLiteral("resp.tif"), answerImage(image));
        out.answers << answer;
    } else if (action != QLatin1String("confirmar")) {
        state = u'C';
        const bool postal = action == QLatin1String("postal");
        const QString cert = rules.certificado.isEmpty() ? QStringLiteral("C%1").arg(expediente) : rules.certificado;
        AnswerMessage answer = message(
            to, rules.asuntoContestacionPersonal,
            with({{QStringLiteral("c_est"), QStringLiteral("C")},
                  {QStringLiteral("n_cert"), cert},
                  {QStringLiteral("c_res"), postal ? QStringLiteral("R") : rules.resultado},
                  {QStringLiteral("c_rechazo"), QString()},
                  // the office's observations stay as the regional office sent them
                  {QStringLiteral("x_obs"), qal::IniFile::valueIn(data, QStringLiteral("DATA"), QStringLiteral("x_obs"))}}));
        if (rules.imagen && !postal)
            answer.attachments << qMakePair(QStringLiteral("resp.tif"), answerImage(image));
        out.answers << answer;
    }
    QStringList subjects;
    for (const AnswerMessage &a : out.answers)
        subjects << a.subject;
    out.note = QStringLiteral("%1 %2/%3: %4").arg(kind).arg(cReg).arg(cPed).arg(subjects.join(QStringLiteral(", ")));
    const QString resultado = state == u'C' ? (action == QLatin1String("postal") ? QStringLiteral("R") : rules.resultado)
                                            : QString();
    QString problem;
    if (!m_store.answered(personal, cReg, cPed, state, expediente, personal ? resultado : QString(), problem))
        out.note += QStringLiteral(" (estado no guardado: %1)").arg(problem);
    return out;
}

QByteArray MailDesk::stateList(bool personal, int reg) const
{
    QByteArray lines;
    for (const QString &line : m_store.stateLines(personal, reg, false))
        lines += qal::toCp1252(line) + "\r\n";
    return lines;
}

MailDesk::Outcome MailDesk::states(const MailRequest &request, const MailRules &rules)
{
    const QByteArray *ask = attachment(request, QStringLiteral("GetEstado.DAT"));
    const QString data = ask ? qal::fromCp1252(*ask) : QString();
    const int reg = static_cast<int>(number(data, QStringLiteral("c_reg")));
    const int regp = static_cast<int>(number(data, QStringLiteral("c_regp")));
    if (reg <= 0 && regp <= 0)
        return {{}, QStringLiteral("GETESTADO sin c_reg ni c_regp: no se contesta")};
    AnswerMessage answer {request.from, QStringLiteral("SETESTADO"), {}};
    if (reg > 0)
        answer.attachments << qMakePair(QStringLiteral("EstOfi.DAT"),
                                        rules.estOfiSet ? qal::toCp1252(rules.estOfi) : stateList(false, reg));
    if (regp > 0)
        answer.attachments << qMakePair(QStringLiteral("EstPriv.DAT"),
                                        rules.estPrivSet ? qal::toCp1252(rules.estPriv) : stateList(true, regp));
    return {{answer}, QStringLiteral("estados %1/%2: SETESTADO").arg(reg).arg(regp)};
}

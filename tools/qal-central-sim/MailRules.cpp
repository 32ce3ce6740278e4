#include "MailRules.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

bool MailRules::set(const QString &key, const QString &value, QString &problem)
{
    static const QStringList actions = {QStringLiteral("contestar"), QStringLiteral("rechazar"),
                                        QStringLiteral("confirmar"), QStringLiteral("postal"),
                                        QStringLiteral("ninguno")};
    const QMap<QString, QString *> texts = {
        {QStringLiteral("rechazo"), &rechazo},
        {QStringLiteral("expediente"), &expediente},
        {QStringLiteral("resultado"), &resultado},
        {QStringLiteral("certificado"), &certificado},
        {QStringLiteral("asuntoPedidoOficial"), &asuntoPedidoOficial},
        {QStringLiteral("asuntoPedidoPersonal"), &asuntoPedidoPersonal},
        {QStringLiteral("asuntoContestacionOficial"), &asuntoContestacionOficial},
        {QStringLiteral("asuntoContestacionPersonal"), &asuntoContestacionPersonal},
        {QStringLiteral("asuntoConfirmacionPersonal"), &asuntoConfirmacionPersonal},
    };
    if (key == QLatin1String("oficial") || key == QLatin1String("personal")) {
        if (!actions.contains(value)) {
            problem = QStringLiteral("unknown answer: ") + value;
            return false;
        }
        (key == QLatin1String("oficial") ? oficial : personal) = value;
    } else if (key == QLatin1String("imagen")) {
        imagen = value.compare(QLatin1String("N"), Qt::CaseInsensitive) != 0;
    } else if (key == QLatin1String("estOfi")) {
        estOfi = value;
        estOfiSet = true;
    } else if (key == QLatin1String("estPriv")) {
        estPriv = value;
        estPrivSet = true;
    } else if (texts.contains(key)) {
        *texts.value(key) = value;
    } else {
        problem = QStringLiteral("unknown mail key: ") + key;
        return false;
    }
    return true;
}

bool MailScenario::addSetting(const QString &setting, QString &problem)
{
    const int eq = setting.indexOf(QLatin1Char('='));
    if (eq <= 0) {
        problem = QStringLiteral("expected KEY=VALUE: ") + setting;
        return false;
    }
    MailRules probe;
    if (!probe.set(setting.left(eq), setting.mid(eq + 1), problem))
        return false;
    m_settings[setting.left(eq)] = setting.mid(eq + 1);
    return true;
}

MailRules MailScenario::rules() const
{
    MailRules rules;
    QString ignored;
    QFile file(m_file);
    if (!m_file.isEmpty() && file.open(QIODevice::ReadOnly)) {
        const QJsonObject mail = QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("Correo")).toObject();
        for (auto it = mail.begin(); it != mail.end(); ++it)
            rules.set(it.key(), it.value().isDouble() ? QString::number(it.value().toInteger()) : it.value().toString(),
                      ignored);
    }
    for (auto it = m_settings.begin(); it != m_settings.end(); ++it)
        rules.set(it.key(), it.value(), ignored);
    return rules;
}

#include "Scenario.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

bool applySetting(Behaviour &b, const QString &key, const QString &value, QString &problem)
{
    if (key == QLatin1String("mode")) {
        static const QMap<QString, Behaviour::Mode> modes = {{"normal", Behaviour::Normal},
                                                             {"fault", Behaviour::Fault},
                                                             {"garbage", Behaviour::Garbage},
                                                             {"oversized", Behaviour::Oversized},
                                                             {"html", Behaviour::Html},
                                                             {"error404", Behaviour::Error404}};
        if (!modes.contains(value)) {
            problem = QStringLiteral("unknown mode: ") + value;
            return false;
        }
        b.mode = modes.value(value);
    } else if (key == QLatin1String("result")) {
        b.result = value;
        b.resultSet = true;
    } else if (key == QLatin1String("fault")) {
        b.fault = value;
    } else if (key == QLatin1String("errorDesc")) {
        b.errorDesc = value;
    } else if (key == QLatin1String("delayMs")) {
        bool ok = false;
        b.delayMs = value.toInt(&ok);
        if (!ok || b.delayMs < 0) {
            problem = QStringLiteral("delayMs must be a number of milliseconds");
            return false;
        }
    } else {
        problem = QStringLiteral("unknown key: ") + key;
        return false;
    }
    return true;
}

bool Scenario::addSetting(const QString &setting, QString &problem)
{
    const int dot = setting.indexOf(QLatin1Char('.'));
    const int eq = setting.indexOf(QLatin1Char('='));
    if (dot <= 0 || eq < dot) {
        problem = QStringLiteral("expected OPERATION.KEY=VALUE: ") + setting;
        return false;
    }
    Behaviour probe;
    const QString key = setting.mid(dot + 1, eq - dot - 1);
    const QString value = setting.mid(eq + 1);
    if (!applySetting(probe, key, value, problem))
        return false;
    m_settings[setting.left(dot)][key] = value;
    return true;
}

Behaviour Scenario::behaviour(const QString &operation) const
{
    Behaviour b;
    QString ignored;
    if (!m_file.isEmpty()) {
        QFile file(m_file);
        if (file.open(QIODevice::ReadOnly)) {
            const QJsonObject all = QJsonDocument::fromJson(file.readAll()).object();
            const QJsonObject op = all.value(operation).toObject();
            for (auto it = op.begin(); it != op.end(); ++it) {
                const QString value = it.value().isDouble() ? QString::number(it.value().toInt()) : it.value().toString();
                applySetting(b, it.key(), value, ignored);
            }
        }
    }
    const auto settings = m_settings.value(operation);
    for (auto it = settings.begin(); it != settings.end(); ++it)
        applySetting(b, it.key(), it.value(), ignored);
    return b;
}

#include "StateStore.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

QString text(const QJsonObject &o, const char *key)
{
    const QJsonValue v = o.value(QLatin1String(key));
    return v.isDouble() ? QString::number(v.toInteger()) : v.toString();
}

const char *listName(bool personal)
{
    return personal ? "personales" : "oficiales";
}

} // namespace

StateStore::StateStore(QString file) : m_file(std::move(file)) {}

QJsonObject StateStore::loadLocked() const
{
    if (m_file.isEmpty())
        return m_data;
    QFile file(m_file);
    if (!file.exists()) {
        m_fileBroken = false;
        return m_data;
    }
    if (!file.open(QIODevice::ReadOnly))
        return m_data;
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    m_fileBroken = error.error != QJsonParseError::NoError || !doc.isObject();
    if (!m_fileBroken)
        m_data = doc.object();
    return m_data;
}

bool StateStore::saveLocked(const QJsonObject &data, QString &problem)
{
    m_data = data;
    if (m_file.isEmpty())
        return true;
    if (m_fileBroken) {
        problem = QStringLiteral("%1 is not valid JSON: not overwritten").arg(m_file);
        return false;
    }
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(data).toJson()) < 0 || !file.commit()) {
        problem = QStringLiteral("cannot write %1: %2").arg(m_file, file.errorString());
        return false;
    }
    return true;
}

QJsonObject StateStore::data() const
{
    QMutexLocker lock(&m_mutex);
    return loadLocked();
}

QStringList StateStore::stateLines(bool personal, qint64 regional, bool withResult) const
{
    const QJsonArray list = data().value(QLatin1String(listName(personal))).toArray();
    QStringList out;
    for (const QJsonValue &v : list) {
        const QJsonObject r = v.toObject();
        if (r.value(QLatin1String("regional")).toInteger() != regional)
            continue;
        const qint64 expediente = r.value(QLatin1String("expediente")).toInteger();
        QString line = text(r, "pedido") + QLatin1Char(';') + text(r, "estado") + QLatin1Char('|')
                       + (expediente > 0 ? QString::number(expediente) : QString());
        if (withResult && !text(r, "resultado").isEmpty())
            line += QLatin1Char(',') + text(r, "resultado");
        out << line;
    }
    if (out.isEmpty())
        out << QStringLiteral("NO_HAY_PEDIDOS");
    return out;
}

bool StateStore::answered(bool personal, qint64 regional, qint64 pedido, QChar estado, qint64 expediente,
                          const QString &resultado, QString &problem)
{
    QMutexLocker lock(&m_mutex);
    QJsonObject data = loadLocked();
    QJsonArray list = data.value(QLatin1String(listName(personal))).toArray();
    qsizetype at = -1;
    for (qsizetype i = 0; i < list.size() && at < 0; ++i) {
        const QJsonObject r = list.at(i).toObject();
        if (r.value(QLatin1String("regional")).toInteger() == regional && r.value(QLatin1String("pedido")).toInteger() == pedido)
            at = i;
    }
    // what else the office knows of the request (its procedure state) stays
    QJsonObject entry = at >= 0 ? list.at(at).toObject() : QJsonObject {};
    entry.insert(QStringLiteral("regional"), regional);
    entry.insert(QStringLiteral("pedido"), pedido);
    entry.insert(QStringLiteral("estado"), QString(estado));
    entry.insert(QStringLiteral("expediente"), expediente);
    if (personal && !resultado.isEmpty())
        entry.insert(QStringLiteral("resultado"), resultado);
    entry.insert(QStringLiteral("fecha"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    if (at >= 0)
        list.replace(at, entry);
    else
        list.append(entry);
    data.insert(QLatin1String(listName(personal)), list);
    return saveLocked(data, problem);
}

StateStore::Slip StateStore::findSlip(const std::function<bool(const QJsonObject &)> &match) const
{
    const QJsonObject all = data();
    Slip slip;
    slip.listed = all.contains(QLatin1String("boletas"));
    for (const QJsonValue &v : all.value(QLatin1String("boletas")).toArray()) {
        if (match(v.toObject())) {
            slip.found = true;
            slip.entry = v.toObject();
            break;
        }
    }
    return slip;
}

StateStore::Slip StateStore::slipByCode(const QString &boleta, qint64 documento) const
{
    return findSlip([&](const QJsonObject &s) {
        return text(s, "boleta").trimmed().compare(boleta.trimmed(), Qt::CaseInsensitive) == 0
            && s.value(QLatin1String("documento")).toInteger() == documento;
    });
}

StateStore::Slip StateStore::slipByRequest(qint64 pedido) const
{
    return findSlip([pedido](const QJsonObject &s) { return s.value(QLatin1String("pedido")).toInteger() == pedido; });
}

#include "data/EstadosCentral.h"

#include "data/ActivityLog.h"
#include "data/PosicionTabla.h"
#include "data/Tdm.h"
#include "dbase/Table.h"

#include "core/Clock.h"

#include <QHash>
#include <QRegularExpression>

#include <optional>

namespace qal {

namespace {

QHash<QString, QString> names(dbase::Table &table, const QString &keyField, const QString &nameField)
{
    QHash<QString, QString> result;
    if (!table.isOpen())
        return result;
    const dbase::Table::Bookmark place = table.isEmpty() ? 0 : table.bookmark();
    for (table.first(); !table.eof(); table.next())
        result.insert(table.value(keyField).toString().trimmed(), table.value(nameField).toString().trimmed());
    if (place != 0)
        table.gotoBookmark(place);
    return result;
}

QString row(ListaEstados tipo, const QString &a, const QString &b, const QString &c, const QString &d)
{
    QString text = QStringLiteral("%1 %2 %3").arg(a, -10).arg(b, -30).arg(c, -10);
    if (tipo == ListaEstados::Resultados)
        text += QStringLiteral(" %1").arg(d, -20);
    return text;
}

// Stores one line's state in its request when the state rules let it move; true when the
// request was written.
bool apply(Tdm &dm, dbase::Table &t, ListaEstados tipo, const LineaEstado &line)
{
    if (!t.findKey(line.pedido))
        return false;
    const QString current = t.value(QStringLiteral("C_EST")).toString().trimmed();
    const QString from = tipo == ListaEstados::Resultados ? QStringLiteral("ETC") : QStringLiteral("ET");
    static const QString to = QStringLiteral("CRT");
    if (current.size() != 1 || !from.contains(current) || line.estado.size() != 1 || !to.contains(line.estado))
        return false;
    const qlonglong expediente = line.expediente.toLongLong();
    const bool setResult = tipo == ListaEstados::Resultados && !line.resultado.isEmpty();
    const bool changes = current != line.estado
                         || (expediente > 0 && t.value(QStringLiteral("N_EXPE")).toLongLong() != expediente)
                         || (setResult && t.value(QStringLiteral("C_RES")).toString().trimmed() != line.resultado);
    if (!changes)
        return false;
    try {
        t.edit();
        t.setValue(QStringLiteral("C_EST"), line.estado);
        if (setResult)
            t.setValue(QStringLiteral("C_RES"), line.resultado);
        if (expediente > 0)
            t.setValue(QStringLiteral("N_EXPE"), expediente);
        dm.grabacionAutorizada = true;
        t.post();
        return true;
    } catch (const std::exception &e) {
        // A save the record rules refuse leaves the request as it was, never in edit state.
        dm.grabacionAutorizada = false;
        if (t.state() != dbase::Table::State::Browse)
            t.cancel();
        RegistrarActividad(QStringLiteral("%1 - Estado QAL Central: no se pudo actualizar el pedido %2 - %3")
                               .arg(Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")))
                               .arg(line.pedido)
                               .arg(QString::fromUtf8(e.what())));
        return false;
    }
}

} // namespace

LineaEstado LeerLineaEstado(const QString &text, ListaEstados tipo)
{
    LineaEstado line;
    const QString s = text.trimmed();
    const qsizetype semi = s.indexOf(QLatin1Char(';'));
    if (semi < 1)
        return line;
    bool ok = false;
    const qlonglong number = s.left(semi).trimmed().toLongLong(&ok);
    if (!ok || number <= 0)
        return line;
    line.pedido = number;
    const qsizetype bar = s.indexOf(QLatin1Char('|'));
    if (bar >= 3 && bar > semi)
        line.estado = s.mid(semi + 1, bar - semi - 1).trimmed();
    if (bar >= 0 && bar < s.size() - 1) {
        QString rest = s.mid(bar + 1);
        if (tipo == ListaEstados::Resultados) {
            const qsizetype comma = s.indexOf(QLatin1Char(','));
            if (comma >= 5 && comma > bar) {
                rest = s.mid(bar + 1, comma - bar - 1);
                if (comma < s.size() - 1)
                    line.resultado = s.mid(comma + 1).trimmed();
            }
        }
        line.expediente = rest.trimmed();
    }
    return line;
}

QStringList AplicarListaEstados(Tdm &dm, ListaEstados tipo, const QString &texto)
{
    QStringList out;
    static const QString headings[] = {QStringLiteral("Estado de pedidos oficiales en QAL Central al "),
                                       QStringLiteral("Estado de pedidos personales en QAL Central al "),
                                       QStringLiteral("Resultado de pedidos personales en QAL Central al ")};
    out << headings[int(tipo)] + Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    out << QString(72, QLatin1Char('='));
    out << QString();

    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = texto.split(breaks, Qt::SkipEmptyParts);
    if (texto.contains(QLatin1String("NO_HAY_PEDIDOS")) || lines.isEmpty()) {
        out << QStringLiteral("No existe ningún pedido en trámite de esta regional.");
        return out;
    }
    if (texto.contains(QLatin1String("Error 404"))) {
        out << QStringLiteral("Servicio no disponible.");
        return out;
    }
    out << row(tipo, QStringLiteral("Pedido"), QStringLiteral("Estado"), QStringLiteral("Trámite"),
               QStringLiteral("Resultado"));
    out << row(tipo, QString(10, u'-'), QString(30, u'-'), QString(10, u'-'), QString(20, u'-'));

    const QHash<QString, QString> states =
        names(dm.estcent, QStringLiteral("C_ESTCENT"), QStringLiteral("X_ESTCENT"));
    const QHash<QString, QString> results = tipo == ListaEstados::Resultados
                                                ? names(dm.res, QStringLiteral("C_RES"), QStringLiteral("X_RES"))
                                                : QHash<QString, QString>();
    dbase::Table &t = tipo == ListaEstados::Oficiales ? dm.ped : dm.pedp;
    const QChar letter = tipo == ListaEstados::Oficiales ? u'U' : u'W';
    // A table the operator is editing is only listed: moving its cursor would post the edit.
    const bool editing = t.state() != dbase::Table::State::Browse;
    std::optional<PosicionTabla> keep;
    if (!editing)
        keep.emplace(t, QStringLiteral("C_PED"));
    for (const QString &raw : lines) {
        if (raw.trimmed().isEmpty())
            continue;
        const LineaEstado line = LeerLineaEstado(raw, tipo);
        if (line.pedido <= 0)
            continue;
        const QString state = line.estado.isEmpty() ? QStringLiteral("No especificado")
                                                    : states.value(line.estado, line.estado);
        const QString tramite = line.expediente.isEmpty() ? QString() : letter + line.expediente;
        const QString result = results.value(line.resultado, QStringLiteral("No especificado"));
        out << row(tipo, QString::number(line.pedido), state, tramite, result);
        if (!editing)
            apply(dm, t, tipo, line);
    }
    if (tipo == ListaEstados::Oficiales)
        out << QString();
    return out;
}

} // namespace qal

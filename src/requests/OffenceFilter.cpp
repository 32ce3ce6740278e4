#include "OffenceFilter.h"

#include "data/Tdm.h"
#include "dbase/Table.h"

namespace qal {
namespace {

QString withoutTrailingBlanks(QString text)
{
    while (text.endsWith(u' '))
        text.chop(1);
    return text;
}

bool fieldEquals(const dbase::Table &t, const OffenceFilter::Condition &c)
{
    const QVariant stored = t.value(c.field);
    if (stored.isNull())
        return false;
    const char type = t.field(c.field).type;
    if (type == 'N' || type == 'F') {
        bool ok = false;
        const double wanted = c.value.trimmed().toDouble(&ok);
        return ok && stored.toDouble() == wanted;
    }
    return withoutTrailingBlanks(stored.toString()) == withoutTrailingBlanks(c.value);
}

} // namespace

OffenceFilter::OffenceFilter(const OffenceCriteria &criteria)
{
    const auto add = [this](const char *field, const QString &value) {
        if (!value.trimmed().isEmpty())
            m_conditions.append({QString::fromLatin1(field), value});
    };
    add("C_TDEL", criteria.codigo.toLower());
    add("N_LEY", criteria.ley);
    add("N_ART", criteria.articulo);
    add("N_INC", criteria.inciso);
    if (!criteria.descripcion.trimmed().isEmpty())
        m_words = criteria.descripcion.toLower();
}

bool OffenceFilter::accepts(const dbase::Table &tdel) const
{
    for (const Condition &c : m_conditions)
        if (!fieldEquals(tdel, c))
            return false;
    return true;
}

void OffenceFilter::apply(Tdm &dm) const
{
    dm.filtroDelito = m_words;
    if (m_conditions.isEmpty()) {
        dm.FiltrarDelitos(m_words);
        return;
    }
    const OffenceFilter self = *this;
    dm.tdel.setFilter([self, &dm](const dbase::Table &t) { return self.accepts(t) && dm.tdelFilterRecord(t); });
}

void OffenceFilter::clear(Tdm &dm)
{
    dm.FiltrarDelitos(QString());
}

} // namespace qal

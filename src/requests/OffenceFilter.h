#pragma once

#include <QList>
#include <QString>

namespace qal {

class Tdm;

namespace dbase {
class Table;
}

// What the operator typed in the offence search: code, law, article, clause and words of
// the description. Blank entries set no condition.
struct OffenceCriteria
{
    QString codigo, ley, articulo, inciso, descripcion;
};

// The offence search's conditions on the offence table: each given entry must equal its
// field (the code as a number, the others as stored text), and the description words,
// lower-cased, must occur as one piece in the lower-cased description.
class OffenceFilter
{
public:
    struct Condition
    {
        QString field;
        QString value;
    };

    explicit OffenceFilter(const OffenceCriteria &criteria);

    const QList<Condition> &conditions() const { return m_conditions; }
    // Lower case; empty when no description was given.
    const QString &descriptionWords() const { return m_words; }
    // True when tdel's current record meets every field condition (the words are the
    // data module's to check).
    bool accepts(const dbase::Table &tdel) const;

    // Puts the filter on the data module's offence table, the words in the data module.
    void apply(Tdm &dm) const;
    // Takes every condition off: the table shows every offence again.
    static void clear(Tdm &dm);

private:
    QList<Condition> m_conditions;
    QString m_words;
};

} // namespace qal

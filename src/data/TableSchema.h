#pragma once

#include "dbase/FieldDescriptor.h"
#include "dbase/MdxFile.h"

#include <QList>
#include <QString>

namespace qal {

// What the program declares of one table: the component that owns it, its file, its
// fields in declared order and the tags of its production index. The fields added by the
// schema upgrade over the years are marked, so that an office's oldest tables can be told
// apart from current ones.
struct FieldDef
{
    QString name;
    char type = 'C';
    int length = 0;
    int decimals = 0;
    bool addedByUpgrade = false; // absent from the oldest tables
};

struct TableDef
{
    QString component;   // "ped"
    QString fileName;    // "PED.DBF", as the program opens it
    QString keyField;    // active index field; empty when the table is used unordered
    bool hasIndex = true;
    QList<FieldDef> fields;
    QList<dbase::TagSpec> tags;

    const FieldDef *field(const QString &name) const;
    // Field descriptors for creating the table; legacy leaves out the upgrade's fields.
    dbase::FieldList descriptors(bool legacy = false) const;
};

// Every table of the data module, in component order.
const QList<TableDef> &tableDefinitions();
const TableDef &tableDefinition(const QString &component);

} // namespace qal

#pragma once

// Opens bytes as a production index and uses all of it: every tag walked both ways,
// sought, and the whole file checked. Shared by the fuzz target and the regression test
// that replays what the fuzzer found. Any outcome but a DatabaseError is a fault.

#include "dbase/DatabaseError.h"
#include "dbase/MdxFile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>

namespace qal::test {

// Fields whose names cover the tags of the real files the fuzz corpus grew from.
inline dbase::FieldList exerciseFields()
{
    dbase::FieldList fields;
    int offset = 1;
    const struct { const char *name; char type; int length; } list[] = {
        {"ID", 'N', 4},        {"NAME", 'C', 10},     {"NOTES", 'M', 10},   {"NO_FACT", 'N', 8},
        {"CODE_CLIEN", 'N', 5}, {"DATE_FACT", 'D', 8}, {"DATE", 'D', 8},     {"FACT", 'N', 8},
        {"NOMBRE", 'C', 30},    {"IMPORTE", 'N', 10},  {"FECHA", 'D', 8},   {"LARGO", 'C', 100},
    };
    for (const auto &f : list) {
        fields << dbase::FieldDescriptor{QString::fromLatin1(f.name), f.type, f.length, 0, offset};
        offset += f.length;
    }
    return fields;
}

// Returns false only when the bytes were refused with a DatabaseError at open.
inline bool exerciseMdx(const QString &path, const QByteArray &bytes)
{
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        f.write(bytes);
    }
    std::unique_ptr<dbase::MdxFile> index;
    try {
        index = dbase::MdxFile::open(path, exerciseFields(), dbase::File::Access::ReadOnly, dbase::File::Share::None);
    } catch (const dbase::DatabaseError &) {
        return false;
    }
    for (int t = 0; t < index->tagCount(); ++t) {
        try {
            auto c = index->cursor(t);
            int n = 0;
            for (bool ok = c->first(); ok && n < 100000; ok = c->next())
                ++n;
            for (bool ok = c->last(); ok && n < 200000; ok = c->prior())
                ++n;
            const QByteArray key = index->keyFor(t, QStringLiteral("M"));
            if (c->seek(key))
                c->find(c->key(), c->recno());
        } catch (const dbase::DatabaseError &) {
        }
    }
    const auto records = [](std::uint32_t recno, QByteArray &record) {
        record = QByteArray(220, ' ');
        const QByteArray digits = QByteArray::number(recno % 97);
        record.replace(1, digits.size(), digits);
        return recno % 5 != 0;
    };
    (void)index->check(20, records);
    return true;
}

} // namespace qal::test

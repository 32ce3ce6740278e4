// A .DBF (with any .DBT beside it left out) opened and read completely through the table
// cursor: every failure must be a DatabaseError.

#include "core/ProgramFolder.h"
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static QTemporaryDir dir;
    static const bool ready = [] {
        qal::ProgramFolder::setPath(dir.path());
        // a sound memo file for the memo fields the input may declare
        QByteArray dbt(512, '\0');
        dbt[0] = 2;
        dbt[20] = 0;
        dbt[21] = 2;
        dbt += QByteArray("\xFF\xFF\x08\x00\x0D\x00\x00\x00memo\x1A\x1A", 14).leftJustified(512, '\0');
        QFile m(dir.filePath(QStringLiteral("FUZZ.DBT")));
        m.open(QIODevice::WriteOnly);
        m.write(dbt);
        return true;
    }();
    (void)ready;
    {
        QFile f(dir.filePath(QStringLiteral("FUZZ.DBF")));
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        qal::dbase::Table t(QStringLiteral("FUZZ.DBF"));
        t.open();
        int n = 0;
        for (t.first(); !t.eof() && n < 10000; t.next(), ++n) {
            for (const qal::dbase::FieldDescriptor &f : t.fields())
                (void)t.value(f.name);
        }
        (void)t.recordCount();
    } catch (const qal::dbase::DatabaseError &) {
    }
    return 0;
}

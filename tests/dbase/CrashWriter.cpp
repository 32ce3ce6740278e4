// Writes to a table until it is killed, logging each write after it has returned.
//
//   crash_writer FOLDER SEED
//
// Operations on CRASH.DBF (production index on ID, NAME and BORN; memo NOTES):
// appends (70 %), edits of a random record's NAME, AMOUNT and NOTES (20 %), deletions (10 %).
// After each post returns, one line goes to FOLDER/crash.log in a single append:
//   A <recno> <name>   E <recno> <name>   D <recno>
#include "dbase/DatabaseError.h"
#include "dbase/Table.h"

#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDate>
#include <QFile>

#include <fcntl.h>
#include <random>
#include <unistd.h>

using namespace qal;
using namespace qal::dbase;

namespace {

void logLine(int fd, const QByteArray &line)
{
    const QByteArray bytes = line + '\n';
    if (::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
        ::_exit(3);
}

QString randomName(std::mt19937 &rng)
{
    static const QStringList parts {QStringLiteral("PEÑA"), "GOMEZ", QStringLiteral("MUÑOZ"), "DIAZ",
                                    QStringLiteral("ÁLVAREZ"), "RUIZ", "SOSA", QStringLiteral("NÚÑEZ")};
    return parts[int(rng() % parts.size())] + QString::number(rng() % 100000);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    ProgramFolder::setPath(QString::fromLocal8Bit(argv[1]));
    std::mt19937 rng(unsigned(std::stoul(argv[2])));
    const int log = ::open(QFile::encodeName(ProgramFolder::resolve("crash.log")).constData(),
                           O_WRONLY | O_APPEND | O_CREAT, 0644);
    if (log < 0)
        return 2;

    Table t("CRASH.DBF");
    t.open();
    t.setIndexField("ID");
    for (;;) {
        const unsigned op = rng() % 10;
        const std::uint32_t count = t.physicalRecordCount();
        const QString name = randomName(rng);
        if (op < 7 || count == 0) {
            t.append();
            t.setValue("ID", qlonglong(count + 1));
            t.setValue("NAME", name);
            t.setValue("AMOUNT", double(rng() % 100000) / 100.0);
            t.setValue("BORN", QDate(1950, 1, 1).addDays(qint64(rng() % 20000)));
            t.setValue("OK", bool(rng() % 2));
            t.setValue("NOTES", QString(int(rng() % 1500), QLatin1Char('n')));
            t.post();
            logLine(log, "A " + QByteArray::number(count + 1) + ' ' + name.toUtf8());
            continue;
        }
        const std::uint32_t recno = 1 + rng() % count;
        try {
            t.gotoBookmark(recno);
        } catch (const DatabaseError &) {
            continue; // deleted records are not visible
        }
        if (op < 9) {
            t.edit();
            t.setValue("NAME", name);
            t.setValue("AMOUNT", double(rng() % 100000) / 100.0);
            t.setValue("NOTES", QString(int(rng() % 3000), QLatin1Char('e')));
            t.post();
            logLine(log, "E " + QByteArray::number(recno) + ' ' + name.toUtf8());
        } else {
            t.deleteRecord();
            logLine(log, "D " + QByteArray::number(recno));
        }
    }
}

// Index repair, index rebuild, pack and the purge of old answers.
#include "Tdm.h"

#include "data/SupportContact.h"
#include "data/TableRecovery.h"
#include "data/TableSchema.h"
#include "dbase/OpenDiagnosis.h"
#include "dbase/Query.h"

#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>

namespace qal {
namespace {

// "PED.DBF" → "PED" + suffix.
QString withSuffix(const QString &fileName, const QString &suffix)
{
    return QFileInfo(fileName).completeBaseName() + suffix;
}

class RepairError : public std::runtime_error
{
public:
    explicit RepairError(const QString &m) : std::runtime_error(m.toStdString()), message(m) {}
    QString message;
};

QString textOf(const std::exception &e)
{
    if (const auto *d = dynamic_cast<const dbase::DatabaseError *>(&e))
        return d->message();
    return QString::fromUtf8(e.what());
}

// Restores a table's index from its "_bak.mdx" copy.
void restoreIndex(const QString &fileName)
{
    const QString backupName = withSuffix(fileName, QStringLiteral("_bak.mdx"));
    const QString backup = ProgramFolder::resolve(backupName);
    const QString target = ProgramFolder::resolve(withSuffix(fileName, QStringLiteral(".mdx")));
    QString inner;
    if (!QFile::exists(backup)) {
        inner = QStringLiteral("No existe Archivo ") + backupName;
    } else {
        QFile::remove(target);
        if (!QFile::copy(backup, target))
            inner = QStringLiteral("No generar MDX desde el archivo de backup de la tabla ") + fileName;
    }
    if (!inner.isEmpty())
        throw RepairError(QStringLiteral("ERROR: Al reparar Mdx - Msg: ") + inner);
}

} // namespace

void Tdm::RepararIndices()
{
    tablasDanadas.clear();
    try {
        for (const auto &[component, t] : tables()) {
            if (t->fileName().isEmpty())
                continue;
            try {
                t->open();
            } catch (const dbase::DatabaseError &) {
                t->close();
                repairIndexOf(component, *t);
            }
            if (!t->damage().isEmpty())
                tablasDanadas.append(t->fileName());
            t->close();
        }
    } catch (const std::exception &e) {
        Dialogs::information(QStringLiteral("ERROR: Al Chequear tabla - Msg: ") + textOf(e));
    }
}

void Tdm::repairIndexOf(const QString &component, dbase::Table &t)
{
    // Only an index that is itself what failed is replaced; a table, memo file or header
    // that is damaged is left as it is, for the administrator to repair.
    const dbase::OpenDiagnosis diagnosis = dbase::diagnoseOpen(t.fileName());
    if (diagnosis.part != dbase::OpenDiagnosis::Part::Index)
        throw RepairError(QStringLiteral("ERROR: En la apertura de la tabla ") + t.fileName()
                          + (diagnosis.message.isEmpty() ? QString() : QStringLiteral(": ") + diagnosis.message));
    if (QFileInfo::exists(diagnosis.indexPath))
        keepCopy(diagnosis.indexPath);
    const QList<dbase::TagSpec> tags = tableDefinition(component).tags;
    bool restored = false;
    try {
        restoreIndex(t.fileName());
        t.open();
        restored = true;
    } catch (const std::exception &) {
        t.close();
    }
    if (restored) {
        // The copy may be older than the table: one that does not agree with it is written anew.
        const bool stale = !t.checkIndex().isEmpty();
        t.close();
        if (!stale)
            return;
    }
    // No usable copy: the index is written from the program's own definitions.
    try {
        rebuildIndex(t.fileName(), tags);
        t.open();
    } catch (const dbase::DatabaseError &) {
        t.close();
        throw RepairError(QStringLiteral("ERROR: En la apertura de la tabla ") + t.fileName());
    }
}

void Tdm::Empaquetar(const QString &fileName, bool regenerate)
{
    dbase::Table packer(fileName);
    packer.open(dbase::Table::Mode::Exclusive);
    if (!packer.isOpen() || !packer.isExclusive())
        throw dbase::DatabaseError(QStringLiteral("Table must be opened exclusive to pack"));
    // The engine's pack always writes the indexes anew; an explicit regeneration would
    // only do the same work twice.
    Q_UNUSED(regenerate);
    packer.pack();
    packer.close();
}

bool Tdm::Reindexar(Progress *progress, const QStringList &fresh)
{
    QList<QPair<dbase::Table *, bool>> wasOpen;
    for (const auto &[component, t] : tables()) {
        wasOpen << qMakePair(t, t->isOpen());
        t->close();
    }
    const int count = int(wasOpen.size());
    int done = 0;
    ProgressShare shown(progress);
    for (const auto &[component, t] : tables()) {
        if (!t->fileName().isEmpty()) {
            dbase::Table rebuild(t->fileName());
            // every table an equal share of the bar, filled as its records are read
            rebuild.onMaintenanceProgress = [&](std::uint32_t records, std::uint32_t total) {
                if (total > 0)
                    shown.show(qint64(done) * total + records, qint64(count) * total);
            };
            try {
                bool rebuilt = false;
                try {
                    rebuild.open(dbase::Table::Mode::Exclusive);
                } catch (const dbase::DatabaseError &) {
                    // a damaged index is written anew (its copy kept); a table that is
                    // missing or itself damaged still ends the program
                    rebuild.close();
                    repairIndexOf(component, rebuild);
                    rebuild.close();
                    rebuild.open(dbase::Table::Mode::Exclusive);
                    rebuilt = true;
                }
                // a table whose header disagrees with its file is read only: never rewritten
                if (!rebuilt && rebuild.damage().isEmpty() && !fresh.contains(t->fileName(), Qt::CaseInsensitive))
                    rebuild.regenerateIndexes();
                rebuild.close();
            } catch (const std::exception &) {
                Dialogs::information(
                    QStringLiteral("No existe la tabla: %1 .Comuniquese con el soporte  técnico de QAL Central.")
                        .arg(component)
                    + QLatin1Char('\r') + supportContact());
                requestTermination();
                return false;
            }
            for (const auto &[table, open] : wasOpen) {
                if (table == t && open)
                    t->open();
            }
        }
        ++done;
        shown.show(done, count);
    }
    return true;
}

void Tdm::PurgarContestaciones(Progress *progress)
{
    const auto report = [progress](int p) {
        if (progress)
            progress->setProgress(p);
    };
    bool ok = false;
    int days = LeerParametro(QStringLiteral("dur_guarda")).trimmed().toInt(&ok);
    if (!ok)
        days = 15;
    const QDate limit = Clock::today().addDays(-days);
    const auto answeredBefore = [limit](const dbase::Table &t) {
        const QVariant f = t.value(QStringLiteral("F_CON"));
        return !f.isNull() && f.toDate() < limit;
    };
    const auto number = [](const QVariant &v) { return QString::number(v.toLongLong()); };
    const auto removeFiles = [&](const dbase::ResultSet &rows, const QStringList &prefixes) {
        for (int r = 0; r < rows.size(); ++r) {
            for (const QString &prefix : prefixes)
                QFile::remove(ProgramFolder::resolve(prefix + number(rows.value(r, "c_ped")) + QLatin1Char('.')
                                                     + number(rows.value(r, "c_reg"))));
        }
    };

    // Official requests: answered, with an answer date before the limit.
    const dbase::RecordPredicate official = [&](const dbase::Table &t) {
        return t.value(QStringLiteral("M_CONTESTA")).toBool() && answeredBefore(t);
    };
    const dbase::ResultSet oldOfficial = dbase::query::select(QStringLiteral("ped.dbf"), {"c_ped", "c_reg"}, official);
    report(16);
    if (oldOfficial.size() > 0) {
        removeFiles(oldOfficial, {QStringLiteral("h"), QStringLiteral("z"), QStringLiteral("c")});
        dbase::query::deleteWhere(QStringLiteral("ped.dbf"), official);
        report(32);
        ped.close();
        try {
            Empaquetar(QStringLiteral("ped.dbf"));
        } catch (const dbase::DatabaseError &) {
        }
    }
    report(48);

    // Personal requests: answered ("C") before the limit; rejected or in process never.
    const dbase::RecordPredicate personal = [&](const dbase::Table &t) {
        return t.value(QStringLiteral("C_EST")).toString() == QLatin1String("C") && answeredBefore(t);
    };
    const dbase::ResultSet oldPersonal = dbase::query::select(QStringLiteral("pedp.dbf"), {"c_ped", "c_reg"}, personal);
    if (oldPersonal.size() > 0) {
        removeFiles(oldPersonal, {QStringLiteral("hp"), QStringLiteral("zp"), QStringLiteral("cp"), QStringLiteral("dp")});
        dbase::query::deleteWhere(QStringLiteral("pedp.dbf"), personal);
        report(64);
        pedp.close();
        try {
            Empaquetar(QStringLiteral("pedp.dbf"));
        } catch (const dbase::DatabaseError &) {
        }
    }
    report(100);
}

} // namespace qal

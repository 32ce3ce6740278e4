// The schema upgrade run at every start: fields that newer versions of the program added,
// and three fields that were widened.
#include "Tdm.h"

#include "dbase/Query.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace qal {
namespace {

struct Step
{
    const char *file;
    const char *field;
    const char *type; // as the upgrade declares it: CHAR(n), NUMERIC(n), Date, BOOLEAN
    bool setFalse;    // then every record gets false
    const char *message; // shown when the step fails; null: the failure ends the upgrade
};

const Step kSteps[] = {
    {"ped.dbf", "X_OAPE", "CHAR(15)", false, nullptr},
    {"ped.dbf", "X_EMAIL", "CHAR(100)", false, nullptr},
    {"org.dbf", "X_EMAIL", "CHAR(100)", false, nullptr},
    {"ped.dbf", "C_PREFIJO", "CHAR(20)", false, nullptr},
    {"ped.dbf", "C_SUFIJO", "CHAR(20)", false, nullptr},
    {"ped.dbf", "C_VERSION", "CHAR(10)", false, nullptr},
    {"pedp.dbf", "C_VERSION", "CHAR(10)", false, nullptr},
    {"pedp.dbf", "F_CAPTURA", "CHAR(20)", false, nullptr},
    {"pedp.dbf", "VERIF_ID", "NUMERIC(8)", false, nullptr},
    {"pedp.dbf", "C_SEGUR", "CHAR(10)", false, "Error al actualizar esquema: tabla pedp campo C_SEGUR"},
    {"pedp.dbf", "C_PAGO_DOMIC", "CHAR(32)", false, "Error al actualizar esquema: tabla pedp campo C_PAGO_DOMIC"},
    {"pedp.dbf", "C_PAGO", "CHAR(32)", false, "Error al actualizar esquema: tabla pedp campo C_PAGO"},
    {"pedp.dbf", "F_PAGO", "Date", false, "Error al actualizar esquema: tabla pedp campo F_PAGO"},
    {"pedp.dbf", "X_RECHAZO", "CHAR(225)", false, "Error al actualizar esquema: tabla pedp campo X_RECHAZO"},
    {"ped.dbf", "X_RECHAZO", "CHAR(225)", false, "Error al actualizar esquema: tabla ped campo X_RECHAZO"},
    {"ped.dbf", "M_MENOR", "BOOLEAN", true, "Error al actualizar esquema: tabla ped campo M_MENOR"},
    {"ped.dbf", "M_TOMA_KTV", "BOOLEAN", true, "Error al actualizar esquema: tabla ped campo M_TOMA_KTV"},
    {"ped.dbf", "M_ESPECIAL", "BOOLEAN", true, "Error al actualizar esquema: tabla ped campo M_ESPECIAL"},
    {"pedp.dbf", "C_CLASDER", "CHAR(5)", false, "Error al actualizar esquema: tabla pedp campo c_clasder"},
    {"pedp.dbf", "C_CLASIZQ", "CHAR(5)", false, "Error al actualizar esquema: tabla pedp campo c_clasizq"},
    {"ped.dbf", "C_CLASDER", "CHAR(5)", false, "Error al actualizar esquema: tabla ped campo c_clasder"},
    {"ped.dbf", "C_CLASIZQ", "CHAR(5)", false, "Error al actualizar esquema: tabla ped campo c_clasizq"},
    {"ped.dbf", "M_EXCART51", "BOOLEAN", true, "Error al actualizar esquema: tabla ped campo m_excart51"},
    {"pedp.dbf", "M_EXCART51", "BOOLEAN", true, "Error al actualizar esquema: tabla pedp campo M_EXCART51"},
    {"pedp.dbf", "C_PREFIJO", "CHAR(20)", false, nullptr},
    {"pedp.dbf", "C_SUFIJO", "CHAR(20)", false, nullptr},
    {"ped.dbf", "C_EST", "CHAR(1)", false, nullptr},
    {"ped.dbf", "C_TDEL", "numeric(4)", false, nullptr},
    {"pedp.dbf", "C_TRAM", "char(1)", false, nullptr},
    {"pedp.dbf", "C_LOGIN", "char(10)", false, nullptr},
    {"ped.dbf", "C_CARPED", "CHAR(1)", false, nullptr},
    {"pedp.dbf", "X_OAPE", "CHAR(15)", false, nullptr},
};

// "CHAR(15)" → C 15; "NUMERIC(8)" → N 8; "Date" → D 8; "BOOLEAN" → L 1.
dbase::FieldDescriptor descriptorFor(const QString &name, const QString &type)
{
    const QString t = type.toUpper();
    const int open = t.indexOf(QLatin1Char('('));
    const int width = open < 0 ? 0 : t.mid(open + 1, t.indexOf(QLatin1Char(')')) - open - 1).toInt();
    if (t.startsWith(QLatin1String("CHAR")))
        return {dbase::storedFieldName(name), 'C', width, 0, 0};
    if (t.startsWith(QLatin1String("NUMERIC")))
        return {dbase::storedFieldName(name), 'N', width, 0, 0};
    if (t == QLatin1String("DATE"))
        return {dbase::storedFieldName(name), 'D', 8, 0, 0};
    return {dbase::storedFieldName(name), 'L', 1, 0, 0};
}

void runStep(const Step &step)
{
    const QString file = QLatin1String(step.file);
    const QString field = QLatin1String(step.field);
    {
        dbase::Table schema(file);
        schema.open();
        if (schema.hasField(field))
            return;
    }
    dbase::query::addField(file, descriptorFor(field, QLatin1String(step.type)));
    if (step.setFalse)
        dbase::query::updateAll(file, field, false);
}

struct WidthChange
{
    const char *file;
    const char *field;
    int oldWidth;
    int newWidth;
};

const WidthChange kWidths[] = {{"PED.DBF", "N_CAUSA", 8, 15}, {"SUP.DBF", "C_PED", 5, 8}, {"SUP.DBF", "C_REG", 3, 4}};

// What the upgrade must do to one table, read from its header.
struct TablePlan
{
    QString file;
    dbase::Table::Restructure changes;
    qint64 size = 0; // bytes of the table file, for the progress
};

QList<TablePlan> planUpgrade(const std::function<bool(const char *)> &damaged)
{
    QList<TablePlan> plans;
    const auto planFor = [&plans](const char *file) -> TablePlan & {
        for (TablePlan &p : plans) {
            if (p.file.compare(QLatin1String(file), Qt::CaseInsensitive) == 0)
                return p;
        }
        plans.append(TablePlan {QLatin1String(file), {}, 0});
        return plans.last();
    };
    for (const Step &step : kSteps) {
        if (damaged(step.file))
            continue;
        dbase::Table schema(QLatin1String(step.file));
        schema.open();
        if (schema.hasField(QLatin1String(step.field)))
            continue;
        TablePlan &plan = planFor(step.file);
        plan.changes.added.append(descriptorFor(QLatin1String(step.field), QLatin1String(step.type)));
        if (step.setFalse)
            plan.changes.falseFields << dbase::storedFieldName(QLatin1String(step.field));
    }
    for (const WidthChange &w : kWidths) {
        if (damaged(w.file))
            continue;
        if (AnchoCampo(ProgramFolder::path(), QLatin1String(w.file), QLatin1String(w.field)) == w.oldWidth)
            planFor(w.file).changes.widths.append({QLatin1String(w.field), w.newWidth});
    }
    for (TablePlan &p : plans)
        p.size = QFileInfo(ProgramFolder::resolve(p.file)).size();
    return plans;
}

// The progress of the tables being rewritten: each table's share of the bar is its size,
// inside it the records rewritten so far. Written by the threads that rewrite, shown by the
// calling thread, which alone touches the window.
class SharedProgress
{
public:
    explicit SharedProgress(const QList<TablePlan> &plans) : m_done(std::size_t(plans.size()))
    {
        for (const TablePlan &p : plans)
            m_total += weightOf(p);
    }
    static qint64 weightOf(const TablePlan &p) { return std::max<qint64>(p.size, 1); }
    void set(int table, qint64 done) { m_done[std::size_t(table)].store(done, std::memory_order_relaxed); }
    void showIn(ProgressShare &shown) const
    {
        qint64 done = 0;
        for (const std::atomic<qint64> &d : m_done)
            done += d.load(std::memory_order_relaxed);
        shown.show(done, m_total);
    }

private:
    std::vector<std::atomic<qint64>> m_done;
    qint64 m_total = 0;
};

void rewriteTable(const TablePlan &p, int index, SharedProgress &progress, const std::function<void()> &onProgress)
{
    const qint64 weight = SharedProgress::weightOf(p);
    dbase::Table t(p.file);
    t.open(dbase::Table::Mode::Exclusive);
    t.onMaintenanceProgress = [&](std::uint32_t records, std::uint32_t count) {
        progress.set(index, count > 0 ? weight * records / count : 0);
        onProgress();
    };
    t.restructure(p.changes);
    t.close();
    progress.set(index, weight);
    onProgress();
}

// Rewrites every planned table; false when one of them failed (the others are done by then).
// The tables are files of their own: as many are rewritten at once as there are cores, the
// largest first, so that a folder's two big request tables do not wait for each other.
bool rewriteTables(QList<TablePlan> plans, ProgressShare &shown)
{
    std::stable_sort(plans.begin(), plans.end(), [](const TablePlan &a, const TablePlan &b) { return a.size > b.size; });
    SharedProgress progress(plans);
    // The calling thread takes the largest table itself, so that its pieces move the bar;
    // the other threads share the rest and add their progress to it.
    std::atomic<qsizetype> next{1};
    std::atomic<bool> failed{false};
    const auto work = [&](qsizetype first, const std::function<void()> &onProgress) {
        for (qsizetype i = first; i < plans.size(); i = next++) {
            try {
                rewriteTable(plans[i], int(i), progress, onProgress);
            } catch (const std::exception &) {
                failed = true;
            }
        }
    };
    const qsizetype threads = std::min<qsizetype>(std::max(1u, std::thread::hardware_concurrency()), plans.size());
    std::vector<std::future<void>> helpers;
    for (qsizetype i = 1; i < threads; ++i)
        helpers.push_back(std::async(std::launch::async, work, next++, [] {}));
    const auto showHere = [&] { progress.showIn(shown); };
    work(0, showHere);
    for (std::future<void> &helper : helpers) {
        while (helper.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
            showHere();
    }
    showHere();
    return !failed;
}

} // namespace

void Tdm::ActualizarEsquema()
{
    // A damaged table is never rewritten: a field it seems to lack may only be hidden by
    // the damage, and adding it would garble every record.
    const auto damaged = [this](const char *file) {
        for (const QString &name : std::as_const(tablasDanadas)) {
            if (name.compare(QLatin1String(file), Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    };
    // Up-to-date tables are only read. Each table that lacks something is written once, with
    // all its new fields and widths, under a progress window shown before the first write.
    const QList<TablePlan> plans = planUpgrade(damaged);
    if (plans.isEmpty())
        return;
    std::unique_ptr<Progress> window =
        openProgress ? openProgress(QStringLiteral("Actualización de Tablas"),
                                    QStringLiteral("Actualizando la estructura de las tablas..."))
                     : nullptr;
    ProgressShare shown(window.get());
    shown.show(0, 1);
    if (rewriteTables(plans, shown))
        return;
    // A table that could not be written at once goes step by step: each step then fails (or
    // not) as it always has, with its own message or ending the upgrade.
    upgradeStepByStep(damaged);
    shown.show(1, 1);
}

void Tdm::upgradeStepByStep(const std::function<bool(const char *)> &damaged)
{
    for (const Step &step : kSteps) {
        if (damaged(step.file))
            continue;
        if (!step.message) {
            runStep(step);
            continue;
        }
        try {
            runStep(step);
        } catch (const std::exception &) {
            Dialogs::information(QLatin1String(step.message));
        }
    }
    for (const WidthChange &w : kWidths) {
        if (damaged(w.file))
            continue;
        CambiarAncho(ProgramFolder::path(), QLatin1String(w.file), QLatin1String(w.field), w.newWidth, w.oldWidth);
    }
}

int AnchoCampo(const QString &folder, const QString &tableFile, const QString &field)
{
    dbase::Table t(ProgramFolder::resolveIn(folder, tableFile));
    t.open();
    return t.fieldWidth(field);
}

void CambiarAncho(const QString &folder, const QString &tableFile, const QString &field, int newWidth, int oldWidth)
{
    dbase::Table t(ProgramFolder::resolveIn(folder, tableFile));
    t.open(dbase::Table::Mode::Exclusive);
    if (t.fieldWidth(field) == oldWidth)
        t.changeFieldWidth(field, newWidth);
}

} // namespace qal

#include "MdxFileImpl.h"

#include "MdxBuilder.h"

#include "core/Clock.h"
#include "core/Cp1252.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <thread>

namespace qal::dbase::mdx {

namespace {

struct TagPlan
{
    TagSpec spec;
    KeyExpression expression;
    KeyCondition condition;
};

TagPlan planTag(const QString &path, const FieldList &fields, const TagSpec &spec, const QString &name)
{
    TagPlan plan;
    plan.spec = spec;
    plan.spec.name = name;
    try {
        plan.expression = KeyExpression::compile(spec.expression, fields);
        if (!spec.forCondition.trimmed().isEmpty())
            plan.condition = KeyCondition::compile(spec.forCondition, fields);
    } catch (const ExpressionBeyondEngine &e) {
        throw DatabaseError(QStringLiteral("La etiqueta %1 del índice %2 no se puede escribir: %3")
                                .arg(name, baseName(path), e.message()));
    }
    if (toCp1252(spec.expression).size() >= kTagExpressionEnd - kTagExpression ||
        toCp1252(spec.forCondition).size() >= kTagForExpressionEnd - kTagForExpression)
        throw DatabaseError(QStringLiteral("La expresión de la etiqueta %1 es demasiado larga.").arg(name));
    return plan;
}

// Validates tag names and compiles their expressions; throws DatabaseError.
std::vector<TagPlan> planTags(const QString &path, const FieldList &fields, const QList<TagSpec> &tags)
{
    if (tags.isEmpty() || tags.size() > kMaxTags)
        throw DatabaseError(QStringLiteral("El índice %1 debe tener entre 1 y %2 etiquetas.").arg(baseName(path)).arg(kMaxTags));
    std::vector<TagPlan> plans;
    QStringList names;
    for (const TagSpec &spec : tags) {
        const QString name = spec.name.toUpper();
        bool valid = !name.isEmpty() && name.size() <= 10 && name[0].isLetter();
        for (QChar c : name)
            valid = valid && c.unicode() < 128 && (c.isLetterOrNumber() || c == u'_');
        if (!valid)
            throw DatabaseError(QStringLiteral("El nombre de etiqueta «%1» no es válido en el índice %2.")
                                    .arg(spec.name, baseName(path)));
        if (names.contains(name))
            throw DatabaseError(QStringLiteral("La etiqueta %1 está repetida en el índice %2.").arg(name, baseName(path)));
        names << name;
        plans.push_back(planTag(path, fields, spec, name));
    }
    return plans;
}

// A production index being built: every tag's entries, collected record by record.
struct IndexBuild
{
    QString path;
    std::vector<TagPlan> plans;
    std::vector<MdxBuildTag> tags;
};

void beginIndex(IndexBuild &build, const QString &path, std::vector<TagPlan> plans, std::uint32_t expected)
{
    build.path = path;
    build.plans = std::move(plans);
    build.tags.assign(build.plans.size(), MdxBuildTag{});
    for (size_t t = 0; t < build.plans.size(); ++t) {
        MdxBuildTag &tag = build.tags[t];
        const TagPlan &plan = build.plans[t];
        tag.name = plan.spec.name;
        tag.expression = plan.spec.expression;
        tag.forCondition = plan.spec.forCondition.trimmed();
        tag.descending = plan.spec.descending;
        tag.unique = plan.spec.unique;
        tag.plainField = plan.expression.field() >= 0;
        tag.type = plan.expression.type();
        tag.keyLength = plan.expression.length();
        tag.entries = TagKeys(tag.type, tag.keyLength, tag.descending);
        tag.entries.reserve(expected);
    }
}

void addToIndex(IndexBuild &build, std::uint32_t recno, QByteArrayView record)
{
    for (size_t t = 0; t < build.plans.size(); ++t) {
        const TagPlan &plan = build.plans[t];
        if (plan.condition.holds(record, recno))
            plan.expression.evaluateInto(record, build.tags[t].entries.append(recno), recno);
    }
}

// Puts each tag's entries in its order. Tags sort independently of each other, so the
// work is shared out among the processor's cores.
void sortTags(std::vector<MdxBuildTag> &tags)
{
    std::atomic<std::size_t> next{0};
    const auto sortSome = [&] {
        for (std::size_t t = next++; t < tags.size(); t = next++) {
            tags[t].entries.sort();
            if (tags[t].unique)
                tags[t].entries.keepFirstOfEachKey();
        }
    };
    // Starting a thread costs more than sorting a small index.
    constexpr std::size_t kKeysWorthAThread = 10000;
    std::size_t keys = 0;
    for (const MdxBuildTag &tag : tags)
        keys += tag.entries.size();
    const std::size_t threads = keys < kKeysWorthAThread
        ? 1
        : std::min<std::size_t>(std::max(1u, std::thread::hardware_concurrency()), tags.size());
    std::vector<std::future<void>> helpers;
    for (std::size_t i = 1; i < threads; ++i)
        helpers.push_back(std::async(std::launch::async, sortSome));
    sortSome();
    for (std::future<void> &helper : helpers)
        helper.get();
}

// Sorts the entries and writes the file through a temporary file renamed over the path.
void finishIndex(IndexBuild &build, const QString &tableName, std::uint8_t languageDriver)
{
    const QString &path = build.path;
    std::vector<MdxBuildTag> &tags = build.tags;
    sortTags(tags);
    const QString temporary = path + QStringLiteral(".qtmp");
    {
        File out;
        out.create(temporary);
        try {
            buildMdx(tableName, languageDriver, tags, Clock::today(), [&out](std::int64_t offset, const QByteArray &bytes) {
                out.writeDirect(offset, bytes.constData(), bytes.size());
            });
        } catch (...) {
            out.close();
            QFile::remove(temporary);
            throw;
        }
    }
    if (std::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) != 0) {
        const int err = errno;
        QFile::remove(temporary);
        throw DatabaseError(QStringLiteral("No se puede reemplazar el índice %1: %2")
                                .arg(baseName(path), QString::fromLocal8Bit(std::strerror(err))));
    }
}


// Builds the file from records 1..count and writes it through a temporary file.
void writeIndex(const QString &path, const QString &tableName, std::uint8_t languageDriver,
                std::vector<TagPlan> &plans, std::uint32_t count, const MdxFile::RecordSource &records,
                bool dropDeleted)
{
    IndexBuild build;
    beginIndex(build, path, std::move(plans), count);
    QByteArray record;
    for (std::uint32_t recno = 1; recno <= count; ++recno) {
        record.clear();
        if (!records || !records(recno, record))
            throw DatabaseError(QStringLiteral("No se puede leer el registro %1 para crear el índice %2.")
                                    .arg(recno)
                                    .arg(baseName(path)));
        if (dropDeleted && !record.isEmpty() && record[0] == '*')
            continue;
        addToIndex(build, recno, record);
    }
    finishIndex(build, tableName, languageDriver);
}

} // namespace

void MdxFileImpl::rebuild(std::uint32_t count, const RecordSource &records, bool dropDeleted)
{
    requireWritable();
    QList<TagSpec> specs;
    for (const OpenTag &tag : m_tags)
        specs << tag.info.spec;
    std::vector<TagPlan> plans = planTags(m_path, m_fields, specs);
    QString tableName = m_tableName;
    if (tableName.isEmpty())
        tableName = QFileInfo(m_path).completeBaseName();
    writeIndex(m_path, tableName, m_languageDriver, plans, count, records, dropDeleted);
    m_file.close();
    m_file.open(m_path, m_access, m_share);
    m_file.setJournal(m_journal);
    parse();
}

} // namespace qal::dbase::mdx

namespace qal::dbase {

using namespace mdx;

void MdxFile::create(const QString &path, const QString &tableName, std::uint8_t languageDriver,
                     const FieldList &fields, const QList<TagSpec> &tags, std::uint32_t count,
                     const RecordSource &records)
{
    std::vector<TagPlan> plans = planTags(path, fields, tags);
    writeIndex(path, tableName, languageDriver, plans, count, records, false);
}

struct MdxFile::Builder::Impl
{
    IndexBuild build;
};

MdxFile::Builder::Builder(const QString &path, const FieldList &fields, const QList<TagSpec> &tags,
                          std::uint32_t expectedRecords)
    : d(std::make_unique<Impl>())
{
    beginIndex(d->build, path, planTags(path, fields, tags), expectedRecords);
}

MdxFile::Builder::~Builder() = default;

void MdxFile::Builder::add(std::uint32_t recno, QByteArrayView record)
{
    addToIndex(d->build, recno, record);
}

void MdxFile::Builder::write(const QString &tableName, std::uint8_t languageDriver)
{
    finishIndex(d->build, tableName, languageDriver);
}

} // namespace qal::dbase

#include "IniFile.h"

#include "Cp1252.h"

#include <QFile>
#include <QSaveFile>

#include <optional>

namespace qal {
namespace {

// "[name]" → name; anything else → nullopt.
std::optional<QString> sectionOf(const QString &line)
{
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return std::nullopt;
    const qsizetype close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return std::nullopt;
    return t.mid(1, close - 1).trimmed();
}

// "key=value" → key (trimmed); comment or blank lines → empty.
QString keyOf(const QString &line)
{
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
        return {};
    const qsizetype eq = t.indexOf(QLatin1Char('='));
    return eq < 0 ? t : t.left(eq).trimmed();
}

QString valueOf(const QString &line)
{
    const qsizetype eq = line.indexOf(QLatin1Char('='));
    if (eq < 0)
        return {};
    QString v = line.mid(eq + 1).trimmed();
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\''))
        && v.back() == v.front()) {
        v = v.mid(1, v.size() - 2);
    }
    return v;
}

QStringList splitLines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = t.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}

// Index range [first line after the header, end) of the first section named section.
struct Range { qsizetype header = -1, begin = -1, end = -1; };

Range findSection(const QStringList &lines, const QString &section)
{
    Range r;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionOf(lines[i]);
        if (!name)
            continue;
        if (r.begin >= 0) {
            r.end = i;
            return r;
        }
        if (name->compare(section, Qt::CaseInsensitive) == 0) {
            r.header = i;
            r.begin = i + 1;
        }
    }
    if (r.begin >= 0)
        r.end = lines.size();
    return r;
}

qsizetype findKey(const QStringList &lines, const Range &r, const QString &key)
{
    for (qsizetype i = r.begin; i >= 0 && i < r.end; ++i) {
        if (lines[i].contains(QLatin1Char('='))
            && keyOf(lines[i]).compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString lookUp(const QStringList &lines, const QString &section, const QString &key,
               const QString &defaultValue)
{
    const Range r = findSection(lines, section);
    const qsizetype i = findKey(lines, r, key);
    return i < 0 ? defaultValue : valueOf(lines[i]);
}

} // namespace

IniFile::IniFile(QString fileName)
    : m_fileName(std::move(fileName))
{
}

QStringList IniFile::readLines() const
{
    QFile f(m_fileName);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return splitLines(fromCp1252(f.readAll()));
}

bool IniFile::writeLines(const QStringList &lines) const
{
    QSaveFile f(m_fileName);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    QString text;
    for (const QString &line : lines)
        text += line + QLatin1String("\r\n");
    f.write(toCp1252(text));
    return f.commit();
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    return lookUp(readLines(), section, key, defaultValue);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    bool ok = false;
    const int v = readString(section, key).toInt(&ok);
    return ok ? v : defaultValue;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    const QStringList lines = readLines();
    return findKey(lines, findSection(lines, section), key) >= 0;
}

QStringList IniFile::sections() const
{
    QStringList out;
    for (const QString &line : readLines()) {
        if (const auto name = sectionOf(line))
            out << *name;
    }
    return out;
}

QStringList IniFile::keys(const QString &section) const
{
    const QStringList lines = readLines();
    const Range r = findSection(lines, section);
    QStringList out;
    for (qsizetype i = r.begin; i >= 0 && i < r.end; ++i) {
        if (lines[i].contains(QLatin1Char('=')) && !keyOf(lines[i]).isEmpty())
            out << keyOf(lines[i]);
    }
    return out;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    QStringList lines = readLines();
    const Range r = findSection(lines, section);
    const QString entry = key + QLatin1Char('=') + value;
    if (r.begin < 0) {
        if (!lines.isEmpty() && !lines.back().trimmed().isEmpty())
            lines << QString();
        lines << QLatin1Char('[') + section + QLatin1Char(']') << entry;
    } else if (const qsizetype i = findKey(lines, r, key); i >= 0) {
        lines[i] = entry;
    } else {
        // after the section's last non-blank line
        qsizetype at = r.end;
        while (at > r.begin && lines[at - 1].trimmed().isEmpty())
            --at;
        lines.insert(at, entry);
    }
    return writeLines(lines);
}

bool IniFile::deleteKey(const QString &section, const QString &key)
{
    QStringList lines = readLines();
    const qsizetype i = findKey(lines, findSection(lines, section), key);
    if (i < 0)
        return true;
    lines.removeAt(i);
    return writeLines(lines);
}

bool IniFile::eraseSection(const QString &section)
{
    QStringList lines = readLines();
    const Range r = findSection(lines, section);
    if (r.begin < 0)
        return true;
    lines.remove(r.header, r.end - r.header);
    return writeLines(lines);
}

QString IniFile::valueIn(const QString &text, const QString &section, const QString &key,
                         const QString &defaultValue)
{
    return lookUp(splitLines(text), section, key, defaultValue);
}

} // namespace qal

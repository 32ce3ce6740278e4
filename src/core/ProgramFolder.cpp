#include "ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>

#include <dirent.h>

namespace qal {
namespace {

QMutex g_mutex;
QString g_path;

// The entry of folder whose name equals name ignoring case; name itself when there is none.
QString matchEntry(const QString &folder, const QString &name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return name;
    if (QFileInfo::exists(folder + QLatin1Char('/') + name))
        return name;
    // Every save asks for working files that are usually absent, in a folder that holds every
    // request's files: the folder is read raw, without the sorting and file information that
    // QDir would add to each entry. Of several names that differ only in case, the first in
    // plain (case-sensitive) order wins, whatever order the folder lists them in.
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return name;
    QString found;
    while (const dirent *e = ::readdir(dir)) {
        if (qstrcmp(e->d_name, ".") == 0 || qstrcmp(e->d_name, "..") == 0)
            continue;
        const QString entry = QFile::decodeName(e->d_name);
        if (entry.compare(name, Qt::CaseInsensitive) == 0 && (found.isEmpty() || entry < found))
            found = entry;
    }
    ::closedir(dir);
    return found.isEmpty() ? name : found;
}

} // namespace

QString ProgramFolder::path()
{
    QMutexLocker lock(&g_mutex);
    if (g_path.isEmpty()) {
        g_path = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                              : QDir::currentPath();
    }
    return g_path;
}

void ProgramFolder::setPath(const QString &folder)
{
    QMutexLocker lock(&g_mutex);
    g_path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

QString ProgramFolder::resolve(const QString &name)
{
    return resolveIn(path(), name);
}

QString ProgramFolder::resolveIn(const QString &folder, const QString &name)
{
    QString normalised = name;
    normalised.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString current = QDir::isAbsolutePath(normalised) ? QStringLiteral("/") : folder;
    const QStringList parts = normalised.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const QString entry = matchEntry(current, part);
        current = current.endsWith(QLatin1Char('/')) ? current + entry
                                                     : current + QLatin1Char('/') + entry;
    }
    return QDir::cleanPath(current);
}

} // namespace qal

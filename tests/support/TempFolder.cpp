#include "TempFolder.h"

#include <QDir>
#include <QFile>

namespace qal::test {

TempFolder::TempFolder()
    : m_dir(QDir::tempPath() + QStringLiteral("/qaltest-XXXXXX"))
{
}

QString TempFolder::fixture(const QString &relative)
{
    return QStringLiteral(QAL_TEST_DATA) + QLatin1Char('/') + relative;
}

bool TempFolder::copyFixture(const QString &relative)
{
    const QDir source(fixture(relative));
    if (!source.exists())
        return false;
    for (const QString &name : source.entryList(QDir::Files)) {
        if (!copyFixtureFile(relative + QLatin1Char('/') + name, name))
            return false;
    }
    return true;
}

bool TempFolder::copyFixtureFile(const QString &relative, const QString &name)
{
    const QString target = file(name);
    QFile::remove(target);
    if (!QFile::copy(fixture(relative), target))
        return false;
    return QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                             | QFile::ReadOther);
}

} // namespace qal::test

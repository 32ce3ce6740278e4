#pragma once

#include "core/ProgramFolder.h"
#include "dbase/FieldDescriptor.h"
#include "support/TempFolder.h"

#include <QByteArray>
#include <QFile>

namespace qal::test {

inline dbase::FieldDescriptor fieldOf(const char *name, char type, int length = 0, int decimals = 0)
{
    dbase::FieldDescriptor f;
    f.name = QString::fromLatin1(name);
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    return f;
}

inline QByteArray readAll(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

// A temporary folder that is the program folder for the test's duration.
class ProgramFolderScope
{
public:
    ProgramFolderScope()
        : m_before(ProgramFolder::path())
    {
        ProgramFolder::setPath(dir.path());
    }
    ~ProgramFolderScope() { ProgramFolder::setPath(m_before); }

    TempFolder dir;

private:
    QString m_before;
};

} // namespace qal::test

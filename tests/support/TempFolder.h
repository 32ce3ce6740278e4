#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qal::test {

// A fresh folder for one test, removed afterwards, with helpers to fill it from fixtures.
class TempFolder
{
public:
    TempFolder();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

    // Copies every file of a fixture folder (tests/fixtures/<relative>) into this folder,
    // writable, keeping names. Returns false when the fixture is missing.
    bool copyFixture(const QString &relative);
    // Copies one fixture file under a name of its own.
    bool copyFixtureFile(const QString &relative, const QString &name);

    static QString fixture(const QString &relative);

private:
    QTemporaryDir m_dir;
};

} // namespace qal::test

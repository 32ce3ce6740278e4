#pragma once

#include "core/ProgramFolder.h"
#include "imaging/SaneTestDevice.h"
#include "support/TempFolder.h"

#include <QDir>

#include <dlfcn.h>

#include <gtest/gtest.h>

namespace qal::test {

// A program folder of its own and SANE's test scanners switched on for the test.
class SaneTestFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // SANE reads the folder's name once per process: one folder serves every test
        static TempFolder sane;
        ASSERT_TRUE(writeSaneTestConfig(sane.path()));
        // Keep the backend mapped after sane_exit, so that a leak inside it still names
        // its module (see sane-backend.supp).
        static void *const backend = dlopen(QAL_SANE_TEST_BACKEND, RTLD_NOW | RTLD_NODELETE);
        (void)backend;
        m_previousSane = qgetenv("SANE_CONFIG_DIR");
        qputenv("SANE_CONFIG_DIR", sane.path().toLocal8Bit());
        m_previousFolder = ProgramFolder::path();
        ProgramFolder::setPath(folder.path());
    }
    void TearDown() override
    {
        qputenv("SANE_CONFIG_DIR", m_previousSane);
        ProgramFolder::setPath(m_previousFolder);
    }

    // Files of the program folder, sorted.
    QStringList files() const { return sorted(QDir(folder.path()).entryList(QDir::Files)); }
    static QStringList sorted(QStringList names)
    {
        names.sort();
        return names;
    }

    TempFolder folder;

private:
    QByteArray m_previousSane;
    QString m_previousFolder;
};

} // namespace qal::test

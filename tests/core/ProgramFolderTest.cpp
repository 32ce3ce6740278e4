#include "core/ProgramFolder.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

TEST(ProgramFolder, ResolvesNamesIgnoringCase)
{
    test::TempFolder dir;
    QFile(dir.file("PED.DBF")).open(QIODevice::WriteOnly);
    QDir(dir.path()).mkdir("LiveScanIB");
    QFile(dir.file("LiveScanIB/Scanner.ini")).open(QIODevice::WriteOnly);

    const QString before = ProgramFolder::path();
    ProgramFolder::setPath(dir.path());
    EXPECT_EQ(ProgramFolder::resolve("ped.dbf"), dir.file("PED.DBF"));
    EXPECT_EQ(ProgramFolder::resolve("livescanib\\SCANNER.INI"), dir.file("LiveScanIB/Scanner.ini"));
    // a file that does not exist keeps the name as written
    EXPECT_EQ(ProgramFolder::resolve("Ped.mdx"), dir.file("Ped.mdx"));
    EXPECT_EQ(ProgramFolder::resolveIn(dir.path(), "PeD.dBf"), dir.file("PED.DBF"));
    ProgramFolder::setPath(before);
}

TEST(ProgramFolder, NonAsciiNamesMatchAndOfTwoCaseVariantsTheSameOneAlwaysWins)
{
    test::TempFolder dir;
    for (const char *name : {"MUÑOZ.TXT", "edit.TIF", "EDIT.TIF", "Edit.tif.bak"})
        QFile(dir.file(QString::fromUtf8(name))).open(QIODevice::WriteOnly);
    EXPECT_EQ(ProgramFolder::resolveIn(dir.path(), QStringLiteral("muñoz.txt")), dir.file(QStringLiteral("MUÑOZ.TXT")));
    EXPECT_EQ(ProgramFolder::resolveIn(dir.path(), "Edit.Tif"), dir.file("EDIT.TIF"));
    EXPECT_EQ(ProgramFolder::resolveIn(dir.path(), "edit.TIF"), dir.file("edit.TIF")); // the exact name first
    EXPECT_EQ(ProgramFolder::resolveIn(dir.path() + "/absent", "x.txt"), dir.file("absent/x.txt"));
}

#include "core/Cp1252.h"
#include "core/IniFile.h"
#include "support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace qal;

namespace {
void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(IniFile, ReadsWithProfileStringRules)
{
    test::TempFolder dir;
    writeBytes(dir.file("QalReg.INI"),
               "; comment\r\n[Config]\r\nUsaOutlookSecMan = 1 \r\n[QALService]\r\n"
               "URL=http://host/svc?a=b\r\nQuoted=\"  x  \"\r\n[qalservice]\r\nURL=second\r\n"
               "Nombre=PE\xD1" "A\r\n");
    IniFile ini(dir.file("QalReg.INI"));
    EXPECT_EQ(ini.readString("config", "usaoutlooksecman"), "1");
    EXPECT_EQ(ini.readString("QALSERVICE", "url"), "http://host/svc?a=b"); // first section wins
    EXPECT_EQ(ini.readString("QALService", "Quoted"), "  x  ");
    EXPECT_EQ(ini.readString("QALService", "Missing", "def"), "def");
    EXPECT_EQ(ini.readString("Nope", "URL", "def"), "def");
    EXPECT_EQ(ini.readInteger("Config", "UsaOutlookSecMan", 0), 1);
    EXPECT_EQ(ini.readInteger("QALService", "URL", 7), 7);
    EXPECT_EQ(ini.sections(), QStringList({"Config", "QALService", "qalservice"}));
    EXPECT_EQ(IniFile(dir.file("absent.ini")).readString("a", "b", "z"), "z");
}

TEST(IniFile, WritesKeepOtherLinesAndEncoding)
{
    test::TempFolder dir;
    const QString path = dir.file("LiveScan.INI");
    writeBytes(path, "[A]\r\n; keep me\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    IniFile ini(path);
    ASSERT_TRUE(ini.writeString("a", "X", "10"));
    ASSERT_TRUE(ini.writeString("A", "z", QStringLiteral("Ñ")));
    ASSERT_TRUE(ini.writeString("C", "w", "3"));
    EXPECT_EQ(readBytes(path), QByteArray("[A]\r\n; keep me\r\nX=10\r\nz=\xD1\r\n\r\n[B]\r\ny=2\r\n\r\n[C]\r\nw=3\r\n"));
    EXPECT_EQ(ini.keys("A"), QStringList({"X", "z"}));
    ASSERT_TRUE(ini.deleteKey("A", "x"));
    ASSERT_TRUE(ini.eraseSection("b"));
    EXPECT_EQ(readBytes(path), QByteArray("[A]\r\n; keep me\r\nz=\xD1\r\n\r\n[C]\r\nw=3\r\n"));
    EXPECT_FALSE(ini.hasKey("A", "x"));
    EXPECT_EQ(IniFile::valueIn("[s]\nk= v \n", "S", "K"), "v");
}

TEST(IniFile, FailedWriteReportsFalseAndKeepsTheFile)
{
    IniFile ini("/nonexistent-folder/x.ini");
    EXPECT_FALSE(ini.writeString("a", "b", "c"));
}

// Names of attachments come from outside: what survives of them when saving into a folder.
#include "exchange/AttachmentName.h"

#include <gtest/gtest.h>

using namespace qal::exchange;

namespace {

TEST(AttachmentName, FolderPartsAndDriveLettersAreDropped)
{
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("../../etc/passwd")), QStringLiteral("passwd"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("..\\..\\x.ini")), QStringLiteral("x.ini"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("C:\\temp\\x.exe")), QStringLiteral("x.exe"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("C:x.exe")), QStringLiteral("x.exe"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("/etc/passwd")), QStringLiteral("passwd"));
}

TEST(AttachmentName, ControlCharactersGoAndOrdinaryNamesStay)
{
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("re\nsp\t.dat\r")), QStringLiteral("resp.dat"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("resp.dat")), QStringLiteral("resp.dat"));
    EXPECT_EQ(nombreAdjuntoSeguro(QStringLiteral("ñandú café.txt")), QStringLiteral("ñandú café.txt"));
}

TEST(AttachmentName, NamesWithNothingLeftAreRefused)
{
    for (const char *name : {"", "..", ".", "../..", "dir/", "C:", " . . ", "\x01\x02"})
        EXPECT_TRUE(nombreAdjuntoSeguro(QString::fromLatin1(name)).isEmpty()) << name;
    EXPECT_TRUE(rutaAdjunto(QStringLiteral("/tmp/x"), QStringLiteral("..")).isEmpty());
    EXPECT_EQ(rutaAdjunto(QStringLiteral("/tmp/x"), QStringLiteral("../a.dat")), QStringLiteral("/tmp/x/a.dat"));
}

} // namespace

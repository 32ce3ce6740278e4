// qal-admin get / set / mail-check on a program folder.
#include "data/PasswordProtection.h"
#include "data/ProgramFolderSetup.h"
#include "support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct AdminRun
{
    int status = -1;
    QString out;
};

AdminRun admin(const QStringList &args, const QByteArray &input = {})
{
    QProcess p;
    p.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput())};
}

TEST(SettingCommands, SetAndGetOneSettingThePop3PasswordScrambled)
{
    qal::test::TempFolder dir;
    qal::createProgramFolder(dir.path());
    EXPECT_EQ(admin({"set", dir.path(), "smtpName", "correo.qal.test"}).status, 0);
    EXPECT_EQ(admin({"get", dir.path(), "smtpName"}).out, QStringLiteral("correo.qal.test\n"));
    EXPECT_EQ(admin({"set", dir.path(), "pop3PwdE"}, "clave ñ\n").status, 0);
    EXPECT_EQ(admin({"get", dir.path(), "pop3PwdE"}).out, QStringLiteral("clave ñ\n"));
    EXPECT_EQ(admin({"set", dir.path(), "pop3PwdE", "otra"}).status, 0);
    EXPECT_EQ(admin({"get", dir.path(), "pop3PwdE"}).out, QStringLiteral("otra\n"));
    EXPECT_EQ(admin({"get", dir.path(), "noExiste"}).out, QStringLiteral("\n"));
    EXPECT_NE(admin({"get", dir.path() + "/falta", "smtpName"}).status, 0);
    EXPECT_EQ(admin({"set", dir.path()}).status, 2);
}

TEST(SettingCommands, MailCheckPrintsTheAccountTestAndFailsOnARefusedServer)
{
    qal::test::TempFolder dir;
    qal::createProgramFolder(dir.path());
    admin({"set", dir.path(), "pop3Name", "127.0.0.1"});
    admin({"set", dir.path(), "pop3Port", "1"});
    const AdminRun run = admin({"mail-check", dir.path()});
    EXPECT_EQ(run.status, 1);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << run.out.toStdString();
    EXPECT_EQ(lines[0], QStringLiteral("Chequeando POP3.."));
    EXPECT_EQ(lines[1], QStringLiteral("Error al conectarse al POP3. Verifique configuración del POP3 y del correo"));
    EXPECT_TRUE(lines[2].startsWith(QStringLiteral("Error ConnectPOP3: ")));
}

} // namespace

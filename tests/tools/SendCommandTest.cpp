// qal-admin send: the demo folder's requests ready to send go to the central mailbox by
// SMTP, questions are answered No unless --yes is given.
#include "exchange/MailRig.h"

#include "support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace {

struct AdminRun
{
    int status = -1;
    QString out, err;
};

AdminRun admin(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(QAL_BIN_DIR) + "/qal-admin", args);
    p.waitForFinished(120000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
}

TEST(SendCommand, DemoRequestsGoToTheCentralMailbox)
{
    const qal::test::MailRig rig = qal::test::MailRig::fromEnvironment();
    if (!rig.available())
        GTEST_SKIP() << "no mail rig (MAILRIG_DIR)";
    rig.clear();
    qal::test::TempFolder dir;
    ASSERT_EQ(admin({"init", "--demo", dir.path()}).status, 0);
    const QList<QPair<QString, QString>> settings {
        {"smtpName", rig.host}, {"smtpPort", QString::number(rig.smtpPort)}, {"mailCAFile", rig.ca},
        {"userEmail", "regional@qal.test"}, {"x_toreg", "central@qal.test"}, {"x_toregp", "central@qal.test"}};
    for (const auto &[key, value] : settings)
        ASSERT_EQ(admin({"set", dir.path(), key, value}).status, 0);

    AdminRun run = admin({"send", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "Pedido oficial 4 enviado; estado: E\n");
    QList<QByteArray> sent = rig.sentMessages();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].contains("Subject: PEDIDO OFICIAL\r\n"));
    for (const char *name : {"ped.dat", "huella.zip", "docu.tif"})
        EXPECT_TRUE(sent[0].contains(QByteArray("filename=") + name) || sent[0].contains(QByteArray("filename=\"") + name))
            << name;

    // sent already: without --yes the question is answered No
    run = admin({"send", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Este pedido ya fue enviado\n¿Está seguro que desea volver a enviarlo?"))
        << run.err.toStdString();
    EXPECT_EQ(rig.sentMessages().size(), 1);
    run = admin({"send", "--yes", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(rig.sentMessages().size(), 2);

    run = admin({"send", dir.path(), "personal", "3"});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    sent = rig.sentMessages();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_TRUE(sent[2].contains("Subject: PEDIDO PERSONAL\r\n"));

    EXPECT_EQ(admin({"send", dir.path(), "oficial", "99"}).status, 1);
    EXPECT_EQ(admin({"send", dir.path(), "otro", "4"}).status, 2);
}

} // namespace

namespace {

TEST(SendCommand, AFailedTransportLeavesTheRequestUnsent)
{
    qal::test::TempFolder dir;
    ASSERT_EQ(admin({"init", "--demo", dir.path()}).status, 0);
    // the message web service, without its client in this program
    ASSERT_EQ(admin({"set", dir.path(), "envWebService", "S"}).status, 0);
    AdminRun run = admin({"send", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.err.contains("Error al enviar: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("No se pudo enviar el pedido")) << run.err.toStdString();
    EXPECT_TRUE(run.out.isEmpty());

    // nothing was marked: the SMTP server that is not there refuses it the same way
    ASSERT_EQ(admin({"set", dir.path(), "envWebService", "N"}).status, 0);
    ASSERT_EQ(admin({"set", dir.path(), "smtpName", "127.0.0.1"}).status, 0);
    ASSERT_EQ(admin({"set", dir.path(), "smtpPort", "1"}).status, 0);
    ASSERT_EQ(admin({"set", dir.path(), "userEmail", "regional@qal.test"}).status, 0);
    run = admin({"send", dir.path(), "oficial", "4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_FALSE(run.err.contains("ya fue enviado")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("No se pudo enviar el pedido")) << run.err.toStdString();
}

} // namespace

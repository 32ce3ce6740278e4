// A request sent by SMTP arrives in the central mailbox with its subject and attachments,
// and its "ped.dat" is the one the central office expects.
#include "exchange/MailRig.h"
#include "exchange/PackageFixture.h"

#include "exchange/TSMimeReg.h"
#include "exchange/TdmMail.h"

#include "data/PasswordProtection.h"

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

class PackageOverMail : public PackageFixture
{
protected:
    void SetUp() override
    {
        PackageFixture::SetUp();
        rig = MailRig::fromEnvironment();
        if (!rig.available())
            GTEST_SKIP() << "no mail rig (MAILRIG_DIR)";
        rig.clear();
        const QList<QPair<const char *, QString>> settings {
            {"pop3Name", rig.host}, {"pop3Port", QString::number(rig.pop3Port)}, {"pop3User", rig.user},
            {"pop3PwdE", ComplementarClave(rig.password)}, {"smtpName", rig.host},
            {"smtpPort", QString::number(rig.smtpPort)}, {"userEmail", "regional@qal.test"},
            {"mailCAFile", rig.ca}, {"envWebService", "N"}, {"x_toreg", "central@qal.test"}};
        for (const auto &[key, value] : settings)
            ASSERT_TRUE(dm->GrabarParametro(QLatin1String(key), value));
        dm->SMime = std::make_unique<TSMimeReg>(*dm, dir.path());
        transport = nullptr;
    }

    MailRig rig;
};

} // namespace

TEST_F(PackageOverMail, TheCentralMailboxReceivesThePackage)
{
    officialForPackage();
    writeFile("z1.12", "PK-prints");
    writeDocument("d1.12");
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "E");

    TdmMail mail(*dm);
    QString error;
    THeaderMsg header;
    ASSERT_TRUE(mail.GetHeadMail(1, &header, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, "PEDIDO OFICIAL");
    EXPECT_EQ(header.To, "central@qal.test");
    QStringList body;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(mail.GetMail(1, &body, &attachments, &error)) << error.toStdString();
    QStringList names;
    for (const AttachmentRow &a : attachments)
        names << a.filename;
    ASSERT_EQ(names, (QStringList {"ped.dat", "huella.zip", "docu.tif"}));
    const QString received = dir.file("recibido");
    ASSERT_TRUE(mail.SaveAttachToFile(1, attachments[0].index, received, &error)) << error.toStdString();
    EXPECT_EQ(bytes(received), golden("ped-oficial.dat"));
    ASSERT_TRUE(mail.SaveAttachToFile(1, attachments[1].index, received, &error)) << error.toStdString();
    EXPECT_EQ(bytes(received), QByteArray("PK-prints"));
    ASSERT_TRUE(mail.SaveAttachToFile(1, attachments[2].index, received, &error)) << error.toStdString();
    EXPECT_EQ(bytes(received), bytes("d1.12"));
}

TEST_F(PackageOverMail, ARefusedMessageLeavesTheRequestUnsent)
{
    ASSERT_TRUE(dm->GrabarParametro("x_toreg", "reject-rcpt@qal.test"));
    const qlonglong n = savedOfficial();
    writeFile(QStringLiteral("z%1.12").arg(n), "PK-prints");
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    ASSERT_EQ(dialogs.texts().size(), 2) << dialogs.texts().join('|').toStdString();
    EXPECT_TRUE(dialogs.texts()[0].startsWith("Error al enviar: ")) << dialogs.texts()[0].toStdString();
    EXPECT_EQ(dialogs.texts()[1], "No se pudo enviar el pedido");
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "I");
    EXPECT_FALSE(dm->ped.value("M_ENVIADO").toBool());
    EXPECT_EQ(rig.messageCount(), 0);
}

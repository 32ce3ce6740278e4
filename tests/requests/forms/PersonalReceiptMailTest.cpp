// The receipt e-mail over SMTP, received by the mail rig.
#include "PersonalFormFixture.h"

#include "data/PasswordProtection.h"
#include "exchange/MailRig.h"
#include "exchange/TSMimeReg.h"
#include "exchange/TdmMail.h"
#include "support/Controls.h"

#include <QPushButton>

using qal::test::child;

using namespace qal;
using namespace qal::exchange;

namespace {

class PersonalReceiptMail : public test::PersonalFormFixture
{
protected:
    void SetUp() override
    {
        PersonalFormFixture::SetUp();
        rig = test::MailRig::fromEnvironment();
        if (!rig.available())
            GTEST_SKIP() << "no mail rig (MAILRIG_DIR)";
        rig.clear();
        const QList<QPair<const char *, QString>> settings {
            {"pop3Name", rig.host}, {"pop3Port", QString::number(rig.pop3Port)}, {"pop3User", rig.user},
            {"pop3PwdE", ComplementarClave(rig.password)}, {"smtpName", rig.host},
            {"smtpPort", QString::number(rig.smtpPort)}, {"userEmail", "regional@qal.test"},
            {"mailCAFile", rig.ca}, {"envWebService", "N"}};
        for (const auto &[key, value] : settings)
            ASSERT_TRUE(dm->GrabarParametro(QLatin1String(key), value));
        dm->SMime = std::make_unique<TSMimeReg>(*dm, dir.path());
        transport = nullptr;
    }

    test::MailRig rig;
};

} // namespace

TEST_F(PersonalReceiptMail, TheApplicantReceivesTheReceipt)
{
    storeRequest();
    dialogs.answer(DialogButton::Yes);
    dialogs.answerInput(QStringLiteral("ana.perez@qal.test"));
    click(child<QPushButton>(form, "btImpComp"));
    EXPECT_EQ(dialogs.lastText(), "Email Enviado Exitosamente") << dialogs.texts().join('|').toStdString();

    TdmMail mail(*dm);
    QString error;
    THeaderMsg header;
    ASSERT_TRUE(mail.GetHeadMail(1, &header, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, "Comprobante del Trámite de Antecedentes Penales");
    EXPECT_EQ(header.To, "ana.perez@qal.test");
    QStringList body;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(mail.GetMail(1, &body, &attachments, &error)) << error.toStdString();
    EXPECT_TRUE(attachments.isEmpty());
    EXPECT_TRUE(body.join('\n').contains("se encuentra en proceso de validación")) << body.join('\n').toStdString();
}

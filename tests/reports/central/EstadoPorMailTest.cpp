// "Estado vía Mail": the GETESTADO request reaches the central mailbox on the mail rig with
// its one attachment, which is not left in the program folder.
#include "exchange/MailFixture.h"

#include "exchange/TSMimeReg.h"
#include "reports/forms/TFEstCent.h"
#include "support/Controls.h"

#include <QPushButton>

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

class StateByMail : public MailFixture
{
protected:
    void SetUp() override
    {
        MailFixture::SetUp();
        if (IsSkipped())
            return;
        setting("envWebService", "N");
        setting("x_toreg", "central@qal.test");
        dm->SMime = std::make_unique<TSMimeReg>(*dm, dir.path());
    }
};

} // namespace

TEST_F(StateByMail, TheRequestArrivesWithItsFileWhichIsDeletedAfterwards)
{
    setting("c_reg", "3");
    setting("c_regp", "5");
    writeFile("GetEstado.DAT", "stale");
    TFEstCent window(*dm);
    dialogs.clear();
    click(child<QPushButton>(window, "btEstMail"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Se ha efectuado la petición de estado exitosamente"});
    dialogs.clear();
    EXPECT_FALSE(QFile::exists(dir.file("GetEstado.DAT")));

    THeaderMsg header;
    QString error;
    ASSERT_TRUE(mail->GetHeadMail(1, &header, &error)) << error.toStdString();
    EXPECT_EQ(header.Subject, "GETESTADO");
    EXPECT_EQ(header.To, "central@qal.test");
    QStringList body;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(mail->GetMail(1, &body, &attachments, &error)) << error.toStdString();
    ASSERT_EQ(attachments.size(), 1);
    EXPECT_EQ(attachments[0].filename, "GetEstado.DAT");
    const QString received = dir.file("recibido");
    ASSERT_TRUE(mail->SaveAttachToFile(1, attachments[0].index, received, &error)) << error.toStdString();
    EXPECT_EQ(readFile(received), "[DATA]\r\nc_reg=3\r\nc_regp=5\r\n");
}

TEST_F(StateByMail, AFailedSendSaysNoSuccessAndLeavesNoFile)
{
    setting("c_reg", "x"); // not a number: asked as 0
    setting("c_regp", "0");
    setting("x_toreg", "reject-rcpt@qal.test");
    TFEstCent window(*dm);
    dialogs.clear();
    click(child<QPushButton>(window, "btEstMail"));
    ASSERT_FALSE(dialogs.texts().isEmpty());
    EXPECT_FALSE(dialogs.texts().contains("Se ha efectuado la petición de estado exitosamente"));
    dialogs.clear();
    EXPECT_FALSE(QFile::exists(dir.file("GetEstado.DAT")));
    EXPECT_EQ(rig.messageCount(), 0);
}

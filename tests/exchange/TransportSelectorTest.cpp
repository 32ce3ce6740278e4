// Which transport a message to the central office takes, and what a failure shows.
#include "exchange/MailFixture.h"

#include "exchange/TSMimeReg.h"

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

struct RecordingWebService : WebServiceTransport
{
    QList<OutgoingMessage> sent;
    QList<bool> waited;
    bool answer = true;
    bool send(const OutgoingMessage &message, bool waitForFinish, QString *error) override
    {
        sent << message;
        waited << waitForFinish;
        if (!answer)
            *error = QStringLiteral("servicio caído");
        return answer;
    }
};

struct TransportSelector : MailFixture
{
    std::unique_ptr<TSMime> selector(RecordingWebService **service = nullptr)
    {
        auto smime = std::make_unique<TSMimeReg>(*dm, dir.path());
        if (service) {
            auto ws = std::make_unique<RecordingWebService>();
            *service = ws.get();
            smime->setWebServiceTransport(std::move(ws));
        }
        return smime;
    }
};

TEST_F(TransportSelector, WithoutASettingTheWebServiceWinsEvenOverOutlook)
{
    setting("envWebService", QString());
    setting("usaOutlook", QStringLiteral("S"));
    setting("waitFin", QStringLiteral("N"));
    writeFile(QStringLiteral("ped.dat"), "x");
    RecordingWebService *service = nullptr;
    auto smime = selector(&service);
    EXPECT_EQ(dialogs.texts(), QStringList {QString::fromUtf8(kOutlookNoDisponible)});
    ASSERT_TRUE(smime->EnviarMensaje(QStringLiteral("central@qal.test"), QStringLiteral("PEDIDO OFICIAL"), 12, 3,
                                     {QStringLiteral("ped.dat")}, QString()));
    ASSERT_EQ(service->sent.size(), 1);
    EXPECT_EQ(service->sent[0].pedido, 12);
    EXPECT_EQ(service->sent[0].regional, 3);
    EXPECT_EQ(service->sent[0].attachmentPaths, QStringList {dir.file(QStringLiteral("ped.dat"))});
    EXPECT_EQ(service->waited, QList<bool> {false});
    EXPECT_TRUE(rig.sentMessages().isEmpty());

    service->answer = false;
    dialogs.clear();
    EXPECT_FALSE(smime->EnviarMensaje(QStringLiteral("c@qal.test"), QStringLiteral("x"), 1, 3, {}, QString()));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error al enviar: servicio caído"));
}

TEST_F(TransportSelector, WithoutAWebServiceClientTheSendFailsVisibly)
{
    setting("envWebService", QStringLiteral("S"));
    auto smime = selector();
    EXPECT_FALSE(smime->EnviarMensaje(QStringLiteral("c@qal.test"), QStringLiteral("x"), 1, 3, {}, QString()));
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error al enviar: ")));
    EXPECT_TRUE(rig.sentMessages().isEmpty());
}

TEST_F(TransportSelector, OutlookIsNeverReadySoMailGoesBySmtp)
{
    setting("envWebService", QStringLiteral("N"));
    setting("usaOutlook", QStringLiteral("S"));
    const QByteArray zip = writeRandomFile(QStringLiteral("huella.zip"), 4000);
    RecordingWebService *service = nullptr;
    auto smime = selector(&service);
    dialogs.clear();
    ASSERT_TRUE(smime->EnviarMensaje(QStringLiteral("central@qal.test"), QStringLiteral("PEDIDO OFICIAL"), 12, 3,
                                     {QStringLiteral("huella.zip")}, QStringLiteral("Cuerpo. Final.")));
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_TRUE(service->sent.isEmpty());
    ASSERT_EQ(count(), 1);
    QStringList lines;
    QList<AttachmentRow> attachments;
    ASSERT_TRUE(smime->dmMail().GetMail(1, &lines, &attachments));
    EXPECT_EQ(lines, QStringList {QStringLiteral("Cuerpo  Final.")});
    ASSERT_EQ(attachments.size(), 1);
    EXPECT_EQ(attachments[0].filename, QStringLiteral("huella.zip"));

    smime->dmMail().SMTPPort = 1;
    EXPECT_FALSE(smime->EnviarMensaje(QStringLiteral("central@qal.test"), QStringLiteral("x"), 0, 3, {}, QString()));
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error al enviar: Error SendMail: "))) << dialogs.lastText().toStdString();
}

} // namespace

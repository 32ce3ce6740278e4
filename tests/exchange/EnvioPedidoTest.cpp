// Sending a request: the package the central office receives, the checks before it goes and
// what becomes of the request and the folder afterwards.
#include "exchange/PackageFixture.h"

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using State = dbase::Table::State;

const QString kNoEnviado = QStringLiteral("No se pudo enviar el pedido");
const QString kYaEnviado = QStringLiteral("Este pedido ya fue enviado\r¿Está seguro que desea volver a enviarlo?");

class OfficialSend : public PackageFixture
{
protected:
    // A saved official request with its fingerprint package file.
    qlonglong sendable()
    {
        const qlonglong n = savedOfficial();
        writeFile(QStringLiteral("z%1.12").arg(n), "PK-prints");
        return n;
    }
    void expectUnsent()
    {
        EXPECT_TRUE(transport->calls.isEmpty());
        EXPECT_EQ(dm->ped.state(), State::Browse);
        EXPECT_FALSE(dm->ped.value("M_ENVIADO").toBool());
        EXPECT_EQ(dm->ped.value("C_EST").toString(), "I");
    }
};

class PersonalSend : public PackageFixture
{
protected:
    qlonglong sendable()
    {
        const qlonglong n = savedPersonal();
        writeFile(QStringLiteral("zp%1.12").arg(n), "PK-prints");
        writeDocument(QStringLiteral("dp%1.12").arg(n));
        return n;
    }
};

} // namespace

// ------------------------------------------------------------------ the packages

TEST_F(OfficialSend, PackageWithTwoAliasesAndTheFilesTheCentralOfficeReceives)
{
    officialForPackage();
    writeCard("h1.12");
    writeFile("z1.12", "PK-prints");
    writeDocument("d1.12");
    const QByteArray document = bytes("d1.12");

    EXPECT_TRUE(envio().EnviarPedidoOficial());
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(transport->calls.size(), 1);
    const RecordingTransport::Call &call = transport->calls[0];
    EXPECT_EQ(call.destinatario, "qal.central@central.gob.ar");
    EXPECT_EQ(call.asunto, "PEDIDO OFICIAL");
    EXPECT_EQ(call.pedido, 1);
    EXPECT_EQ(call.regional, 12);
    EXPECT_TRUE(call.cuerpo.isEmpty());
    // with both a fingerprint package and a card, the package goes
    EXPECT_EQ(call.adjuntos, (QStringList {"ped.dat", "huella.zip", "docu.tif"}));
    EXPECT_EQ(call.archivos.value("ped.dat"), golden("ped-oficial.dat"));
    EXPECT_EQ(call.archivos.value("huella.zip"), QByteArray("PK-prints"));
    EXPECT_EQ(call.archivos.value("docu.tif"), document);

    EXPECT_EQ(dm->ped.state(), State::Browse);
    EXPECT_TRUE(dm->ped.value("M_ENVIADO").toBool());
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "E");
    EXPECT_FALSE(exists("huella.zip"));
    EXPECT_FALSE(exists("huella.tif"));
    EXPECT_EQ(bytes("ped.dat"), golden("ped-oficial.dat"));
}

TEST_F(PersonalSend, PackageAndCorrectionPackage)
{
    personalForPackage();
    writeFile("zp1.12", "PK-prints");
    writeDocument("dp1.12");

    EXPECT_TRUE(envio().EnviarPedidoPersonal());
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].asunto, "PEDIDO PERSONAL");
    EXPECT_EQ(transport->calls[0].destinatario, "qal.central@central.gob.ar");
    EXPECT_EQ(transport->calls[0].pedido, 1);
    EXPECT_EQ(transport->calls[0].regional, 12);
    EXPECT_EQ(transport->calls[0].adjuntos, (QStringList {"docu.tif", "ped.dat", "huella.zip"}));
    EXPECT_EQ(transport->calls[0].archivos.value("ped.dat"), golden("ped-personal.dat"));
    EXPECT_EQ(dm->pedp.value("C_EST").toString(), "E");
    EXPECT_FALSE(exists("huella.zip"));

    // answered, then reopened for correction
    change(dm->pedp, {{"C_EST", "C"}, {"N_EXPE", 7100300}, {"F_CON", today()}});
    change(dm->pedp, {{"C_EST", "D"}, {"X_OBS", "DOMICILIO CORREGIDO"}});
    EXPECT_TRUE(envio().EnviarCorreccionPersonal());
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(transport->calls.size(), 2);
    EXPECT_EQ(transport->calls[1].asunto, "CORRECCIONP");
    EXPECT_EQ(transport->calls[1].destinatario, "qal.central@central.gob.ar");
    EXPECT_EQ(transport->calls[1].adjuntos, QStringList {"ped.dat"});
    EXPECT_EQ(transport->calls[1].archivos.value("ped.dat"), golden("ped-correccion.dat"));
    EXPECT_EQ(dm->pedp.value("C_EST").toString(), "E");
}

TEST(PackageValues, NumbersDatesLogicalsAndLineBreaks)
{
    EXPECT_EQ(textoValor(QVariant()), "");
    EXPECT_EQ(textoValor(qlonglong(12345)), "12345");
    EXPECT_EQ(textoValor(12345.0), "12345");
    EXPECT_EQ(textoValor(1234567.25), "1234567.25");
    EXPECT_EQ(textoValor(QDate(2026, 1, 2)), "02/01/2026");
    EXPECT_EQ(textoValor(false), "False");
    EXPECT_EQ(textoValor(QStringLiteral("A\r\n[DATA]\nc_est=C")), "A  [DATA] c_est=C");
}

// ------------------------------------------------------------------ official checks

TEST_F(OfficialSend, RefusalsInTheirOrderLeaveTheRequestUnsent)
{
    const qlonglong n = savedOfficial();
    dm->ped.edit();
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.lastText(), "Antes de poder enviar el pedido\rdebe terminar de ingresar la información del mismo");
    dm->ped.cancel();

    // the article 51 exception and the special request need the scanned letter
    change(dm->ped, {{"M_EXCART51", true}, {"M_ESPECIAL", true}});
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.lastText(), "Si el pedido de informes se realiza con \rexcepción al art.51, debe escanear el "
                                  "\roficio en la sección Documentación");
    change(dm->ped, {{"M_EXCART51", false}});
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.lastText(),
              "Si el pedido de informes es especial, debe \rescanear el oficio en la sección Documentación");
    change(dm->ped, {{"M_ESPECIAL", false}});

    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.lastText(), "Debe ingresar las impresiones dactilares");

    // a card the image rules refuse
    writeCard(QStringLiteral("h%1.12").arg(n), 900);
    dialogs.clear();
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.lastText(), "La huella digitalizada debe tener por lo menos 15 cm. de ancho");
    expectUnsent();
    EXPECT_FALSE(exists("ped.dat"));
}

TEST_F(OfficialSend, ResendIsAskedBeforeTheAnsweredRefusal)
{
    sendable();
    change(dm->ped, {{"M_ENVIADO", true}, {"M_CONTESTA", true}, {"C_EST", "C"}});
    dialogs.answer(DialogButton::No);
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.texts(), QStringList {kYaEnviado});
    EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");

    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.texts(), (QStringList {kYaEnviado, "¡Este pedido ya fue contestado!\rNo puede volver a enviarlo"}));
    EXPECT_EQ(dialogs.shown()[1].title, "Error");
    EXPECT_TRUE(transport->calls.isEmpty());

    // sent but not answered: Yes sends again
    change(dm->ped, {{"M_CONTESTA", false}, {"C_EST", "T"}});
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "E");
}

TEST_F(OfficialSend, AttachmentsFollowTheCardKindAndTheStoredImages)
{
    // a nominative request carries no prints, even when there are some
    const qlonglong n = sendable();
    writeDocument(QStringLiteral("d%1.12").arg(n));
    change(dm->ped, {{"C_CARPED", "N"}});
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].adjuntos, (QStringList {"ped.dat", "docu.tif"}));

    // an older request whose card is only in the record's blob
    const qlonglong m = savedOfficial();
    writeCard("blob.tif");
    storeRaw("PED.DBF", m, {{"B_HUELLA", bytes("blob.tif")}});
    ASSERT_TRUE(dm->ped.findKey(m));
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(transport->calls.size(), 2);
    EXPECT_EQ(transport->calls[1].adjuntos, (QStringList {"ped.dat", "huella.tif"}));
    EXPECT_EQ(transport->calls[1].archivos.value("huella.tif"), bytes("blob.tif"));
    // the save that marks it sent moves the blob out to the card file
    EXPECT_EQ(bytes(QStringLiteral("h%1.12").arg(m)), bytes("blob.tif"));
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "E");

    // an agency that is not in the agencies table: no x_org line
    const qlonglong k = sendable();
    storeRaw("PED.DBF", k, {{"C_ORG", 99}});
    ASSERT_TRUE(dm->ped.findKey(k));
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    ASSERT_EQ(transport->calls.size(), 3);
    const QByteArray dat = transport->calls[2].archivos.value("ped.dat");
    EXPECT_TRUE(dat.contains("\r\nc_org=99\r\n"));
    EXPECT_TRUE(dat.endsWith("\r\nm_tomada_ktv=False\r\n")) << dat.right(60).toStdString();
}

TEST_F(OfficialSend, AFailedTransportOrAttachmentLeavesTheRequestUnsent)
{
    sendable();
    transport->answer = false;
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.texts(), QStringList {kNoEnviado});
    ASSERT_EQ(transport->calls.size(), 1);
    transport->calls.clear();
    expectUnsent();
    EXPECT_FALSE(exists("huella.zip"));

    // an attachment that cannot be written in the folder stops the send
    transport->answer = true;
    dialogs.clear();
    ASSERT_TRUE(QDir(dir.path()).mkdir("huella.zip"));
    EXPECT_FALSE(envio().EnviarPedidoOficial());
    EXPECT_EQ(dialogs.texts(),
              QStringList {"No se pudo copiar el archivo \"z1.12\" como \"huella.zip\".\rEl pedido no fue enviado."});
    expectUnsent();
}

TEST_F(OfficialSend, AMarkingTheRulesRefuseIsToldAndTheRecordLeftInBrowse)
{
    // the blob of an older request is no card the image rules take
    const qlonglong n = savedOfficial();
    storeRaw("PED.DBF", n, {{"B_HUELLA", QByteArray("not a picture")}});
    ASSERT_TRUE(dm->ped.findKey(n));
    EXPECT_TRUE(envio().EnviarPedidoOficial());
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].archivos.value("huella.tif"), QByteArray("not a picture"));
    EXPECT_EQ(dialogs.lastText(), "El pedido fue enviado, pero no se pudo registrar como enviado.\r"
                                  "Corrija los datos del pedido y vuelva a enviarlo.");
    EXPECT_EQ(dm->ped.state(), State::Browse);
    EXPECT_FALSE(dm->grabacionAutorizada);
    EXPECT_EQ(dm->ped.value("C_EST").toString(), "I");
    EXPECT_FALSE(dm->ped.isNull("B_HUELLA"));
}

// ------------------------------------------------------------------ personal checks

TEST_F(PersonalSend, PrintsAndDocumentsAreRequired)
{
    const qlonglong n = savedPersonal();
    EXPECT_FALSE(envio().EnviarPedidoPersonal());
    EXPECT_EQ(dialogs.lastText(), "Debe ingresar las impresiones dactilares");

    writeFile(QStringLiteral("zp%1.12").arg(n), "PK-prints");
    EXPECT_FALSE(envio().EnviarPedidoPersonal());
    EXPECT_EQ(dialogs.lastText(), "Debe digitalizar la documentación del pedido");

    writeDocument(QStringLiteral("dp%1.12").arg(n), 1000, 1000);
    dialogs.clear();
    EXPECT_FALSE(envio().EnviarPedidoPersonal());
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].text, "La imagen debe estar en tamaño A4 a 300 puntos por pulgada");
    EXPECT_EQ(dialogs.lastText(), "La documentación no está escaneada en el formato correcto");
    EXPECT_TRUE(transport->calls.isEmpty());

    // documents optional: the request goes without them
    ASSERT_TRUE(dm->GrabarParametro("m_obli_doc", "N"));
    QFile::remove(ProgramFolder::resolve(QStringLiteral("dp%1.12").arg(n)));
    dialogs.clear();
    EXPECT_TRUE(envio().EnviarPedidoPersonal());
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].adjuntos, (QStringList {"ped.dat", "huella.zip"}));
}

TEST_F(PersonalSend, StateQuestions)
{
    sendable();
    const QString tramite = QStringLiteral(
        "Este pedido fue recibido por QAL Regional\ry se encuentra en trámite.\r¿Está seguro que desea volver a enviarlo?");
    const QString rechazado = QStringLiteral("Este pedido fue rechazado\r¿Está seguro que desea volver a enviarlo?");
    for (const auto &[state, question] : {std::pair {"E", kYaEnviado}, {"T", tramite}, {"R", rechazado}}) {
        change(dm->pedp, {{"C_EST", state}});
        dialogs.clear();
        dialogs.answer(DialogButton::No);
        EXPECT_FALSE(envio().EnviarPedidoPersonal());
        EXPECT_EQ(dialogs.texts(), QStringList {question});
        EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");
    }
    change(dm->pedp, {{"C_EST", "C"}});
    dialogs.clear();
    EXPECT_FALSE(envio().EnviarPedidoPersonal());
    EXPECT_EQ(dialogs.texts(), QStringList {"Este pedido ya fue contestado por QAL Central\rNo se puede volver a enviarlo"});
    EXPECT_EQ(dialogs.shown()[0].title, "Error");
    EXPECT_TRUE(transport->calls.isEmpty());

    change(dm->pedp, {{"C_EST", "R"}});
    dialogs.answer(DialogButton::Yes);
    EXPECT_TRUE(envio().EnviarPedidoPersonal());
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(dm->pedp.value("C_EST").toString(), "E");
}

TEST_F(PersonalSend, CorrectionNeedsABrowsedNumberedRequestOnly)
{
    dm->pedp.append();
    EXPECT_FALSE(envio().EnviarCorreccionPersonal());
    EXPECT_EQ(dialogs.lastText(), "Antes de poder enviar el pedido\rdebe terminar de ingresar la información del mismo");
    dm->pedp.cancel();
    EXPECT_FALSE(envio().EnviarCorreccionPersonal()); // no request at all
    EXPECT_EQ(dialogs.lastText(), "Pedido inválido");

    // no image checks: a correction without prints or documents goes
    savedPersonal();
    change(dm->pedp, {{"C_EST", "D"}});
    transport->answer = false;
    dialogs.clear();
    EXPECT_FALSE(envio().EnviarCorreccionPersonal());
    EXPECT_EQ(dialogs.texts(), QStringList {kNoEnviado});
    EXPECT_EQ(dm->pedp.value("C_EST").toString(), "D");
    transport->answer = true;
    EXPECT_TRUE(envio().EnviarCorreccionPersonal());
    EXPECT_EQ(dm->pedp.value("C_EST").toString(), "E");
}

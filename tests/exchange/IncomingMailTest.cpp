// The central office's messages read from the rig's mailbox and applied to the requests.
#include "exchange/IncomingFixture.h"

#include "data/RequestFiles.h"
#include "dbase/Table.h"

#include <QDir>
#include <QRandomGenerator>
#include <QThread>

using namespace qal;
using namespace qal::exchange;
using namespace qal::test;

namespace {

using Incoming = IncomingFixture;
using M = MensajesCentral;

QByteArray randomBytes(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

TEST_F(Incoming, AConfirmationMovesTheRequestToTAndSaysSo)
{
    const qlonglong n = request();
    rig.inject(M::confirmacion(n, kReg, 4711));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "T");
    EXPECT_EQ(field(false, n, "N_EXPE").toLongLong(), 4711);
    EXPECT_EQ(avisos.lineas, QStringList {hora() + QStringLiteral("  Pedido Oficial %1 Recibido y en Trámite").arg(n)});
    EXPECT_EQ(avisos.mostradas, 1);
    EXPECT_EQ(counters().procesados, 1);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(exists("resp.dat"));
    EXPECT_EQ(avisos.cursores, 0);
    EXPECT_EQ(avisos.estadosLinea.last(),
              "Total mensajes de correo: Procesados: 1 - No procesados: 0 - Reenviados: 0 ");
    EXPECT_EQ(dm->ped.state(), dbase::Table::State::Browse);
}

TEST_F(Incoming, AnAnswerStoresItsImageAndMarksTheRequestAnswered)
{
    const qlonglong n = request();
    const QByteArray tif = randomBytes(100 * 1024);
    rig.inject(M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), n, kReg, 99, tif));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "C");
    EXPECT_TRUE(field(false, n, "M_CONTESTA").toBool());
    EXPECT_EQ(field(false, n, "F_CON").toDate(), QDate(2026, 3, 31));
    EXPECT_EQ(field(false, n, "N_EXPE").toLongLong(), 99);
    const QString answer = QStringLiteral("c%1.%2").arg(n).arg(kReg);
    EXPECT_EQ(readFile(dir.file(answer)), tif);
    EXPECT_EQ(avisos.impresas, QStringList {answer});
    EXPECT_FALSE(exists("resp.tif"));
    EXPECT_EQ(count(), 0);

    // A late receipt never moves it back; the message is dealt with all the same.
    avisos.lineas.clear();
    rig.inject(M::confirmacion(n, kReg, 99));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "C");
    ASSERT_EQ(avisos.lineas.size(), 1);
    EXPECT_TRUE(avisos.lineas[0].endsWith(QStringLiteral("Recibido y en Trámite: sin efecto, el pedido ya está Contestado")));
    EXPECT_EQ(count(), 0);
}

TEST_F(Incoming, WithoutAutomaticPrintingTheAnswerIsOnlyStored)
{
    dm->mImpAuto = false;
    const qlonglong n = request();
    rig.inject(M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), n, kReg, 99, "II*\0tif"));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "C");
    EXPECT_TRUE(avisos.impresas.isEmpty());
}

TEST_F(Incoming, ARejectionKeepsItsReasons)
{
    const qlonglong n = request();
    const qlonglong p = request(true);
    rig.inject(M::rechazo(QStringLiteral("RECHAZO"), n, kReg, 5, QStringLiteral("Faltan huellas")));
    rig.inject(M::rechazo(QStringLiteral("RECHAZOP"), p, kRegP, 6, QStringLiteral("Boleta inválida")));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "R");
    EXPECT_EQ(field(false, n, "X_RECHAZO").toString(), "Faltan huellas");
    EXPECT_EQ(state(true, p), "R");
    EXPECT_EQ(field(true, p, "X_RECHAZO").toString(), QStringLiteral("Boleta inválida"));
    EXPECT_EQ(avisos.lineas,
              (QStringList {hora() + QStringLiteral("  Pedido Oficial %1 Rechazado. Observaciones:Faltan huellas").arg(n),
                            hora() + QStringLiteral("  Pedido Privado %1 Rechazado. Observaciones:Boleta inválida").arg(p)}));
    EXPECT_EQ(counters().procesados, 2);
}

TEST_F(Incoming, PersonalAnswersFollowTheirState)
{
    dm->mImpConfP = true;
    const qlonglong received = request(true);
    const qlonglong byPost = request(true);
    const qlonglong withImage = request(true);
    const QString oldImage = QStringLiteral("cp%1.%2").arg(byPost).arg(kRegP);
    writeFile(oldImage, "vieja");

    M::Resp t {received, kRegP, 41, QStringLiteral("T"), QStringLiteral("obs"), QStringLiteral("X1"), {}, {}};
    rig.inject(M::mensaje(QStringLiteral("CONFIRMACION"), {{QStringLiteral("resp.dat"), M::respDat(t)}}));
    M::Resp c {byPost, kRegP, 42, QStringLiteral("C"), QStringLiteral("por correo"), QStringLiteral("CC123"),
               QStringLiteral("7"), QStringLiteral("R")};
    rig.inject(M::mensaje(QStringLiteral("CONTESTACION PERSONAL"), {{QStringLiteral("resp.dat"), M::respDat(c)}}));
    M::Resp i {withImage, kRegP, 43, QStringLiteral("C"), {}, {}, {}, QStringLiteral("P")};
    rig.inject(M::mensaje(QStringLiteral("CONTESTACION PERSONAL"),
                          {{QStringLiteral("resp.dat"), M::respDat(i)}, {QStringLiteral("resp.tif"), "imagen"}}));
    EXPECT_TRUE(run());

    EXPECT_EQ(state(true, received), "T");
    EXPECT_EQ(field(true, received, "N_EXPE").toLongLong(), 41);
    EXPECT_TRUE(field(true, received, "N_CERT").isNull()); // only state and file number
    EXPECT_TRUE(field(true, received, "F_CON").isNull());

    EXPECT_EQ(state(true, byPost), "C");
    EXPECT_EQ(field(true, byPost, "N_CERT").toString(), "CC123");
    EXPECT_EQ(field(true, byPost, "C_RES").toString(), "R");
    EXPECT_EQ(field(true, byPost, "F_CON").toDate(), QDate(2026, 3, 31));
    EXPECT_FALSE(exists(oldImage));

    EXPECT_EQ(state(true, withImage), "C");
    EXPECT_EQ(readFile(dir.file(QStringLiteral("cp%1.%2").arg(withImage).arg(kRegP))), "imagen");

    const QString p = hora() + QStringLiteral("  Pedido Personal ");
    EXPECT_EQ(avisos.lineas,
              (QStringList {p + QString::number(received) + QStringLiteral(" Recibido y en Trámite"),
                            p + QString::number(byPost)
                                + QStringLiteral(" Contestado por vía postal, carta certificada número CC123"),
                            p + QString::number(withImage) + QStringLiteral(" Contestado")}));
    EXPECT_EQ(avisos.contestacionesPersonales, 2);
    EXPECT_EQ(avisos.impresas, QStringList {QStringLiteral("cp%1.%2").arg(withImage).arg(kRegP)});
}

TEST_F(Incoming, AStateListMovesOnlyRequestsInProcess)
{
    const qlonglong sent = request();
    const qlonglong inProcess = request(false, QStringLiteral("T"));
    const qlonglong answered = request(false, QStringLiteral("C"));
    const qlonglong personal = request(true);
    const QByteArray official = QStringLiteral("%1;T|300\r\n%2;C|456\n%3;T|457\r\nbasura\r\n999;R|1\r\n")
                                    .arg(sent)
                                    .arg(inProcess)
                                    .arg(answered)
                                    .toLatin1();
    rig.inject(M::estados(official, QStringLiteral("%1;R|77").arg(personal).toLatin1()));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, sent), "T");
    EXPECT_EQ(field(false, sent, "N_EXPE").toLongLong(), 300);
    EXPECT_EQ(state(false, inProcess), "C");
    EXPECT_EQ(field(false, inProcess, "N_EXPE").toLongLong(), 456);
    EXPECT_EQ(state(false, answered), "C"); // listed only
    EXPECT_TRUE(field(false, answered, "N_EXPE").isNull());
    EXPECT_EQ(state(true, personal), "R");
    EXPECT_EQ(field(true, personal, "N_EXPE").toLongLong(), 77);

    const QStringList &l = avisos.listas;
    ASSERT_GE(l.size(), 14);
    EXPECT_EQ(l[0], QStringLiteral("Estado de pedidos oficiales en QAL Central al ") + hora());
    EXPECT_EQ(l[1], QString(72, u'='));
    EXPECT_EQ(l[3], QStringLiteral("Pedido     Estado                         Trámite   "));
    EXPECT_TRUE(l[5].startsWith(QStringLiteral("%1 ").arg(sent, -10)));
    EXPECT_TRUE(l[5].endsWith(QStringLiteral("U300      ")));
    EXPECT_TRUE(l[8].startsWith(QStringLiteral("999        ")));
    EXPECT_EQ(l[9], QString()); // the official list ends with an empty line
    EXPECT_EQ(l[10], QStringLiteral("Estado de pedidos personales en QAL Central al ") + hora());
    EXPECT_TRUE(l.last().endsWith(QStringLiteral("W77       ")));
    EXPECT_FALSE(exists("EstOfi.DAT"));
    EXPECT_EQ(count(), 0);
}

TEST_F(Incoming, AnAnswerForAnotherOfficeStaysOnTheServerOnEveryRun)
{
    const qlonglong n = request();
    rig.inject(M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), n, 9, 1, "tif"));
    for (int tick = 0; tick < 2; ++tick) {
        EXPECT_FALSE(run());
        EXPECT_EQ(counters().noProcesados, 1);
        EXPECT_EQ(counters().procesados, 0);
        EXPECT_EQ(count(), 1);
        EXPECT_EQ(state(false, n), "E");
        EXPECT_FALSE(exists(QStringLiteral("c%1.9").arg(n)));
        EXPECT_FALSE(exists("resp.dat"));
        EXPECT_FALSE(exists("resp.tif"));
    }
    ASSERT_EQ(avisos.lineas.size(), 2);
    EXPECT_TRUE(avisos.lineas[0].startsWith(hora() + QStringLiteral(" - Error al procesar correo: Error RecibirMsgIndyToQal: "
                                                                     "No se pudo procesar el mensaje en la base QAL: "
                                                                     "ERROR ProcesaMsgIndyToQAL: Error al procesar pedido "
                                                                     "oficial contestado")))
        << avisos.lineas[0].toStdString();
    EXPECT_TRUE(avisos.lineas[0].contains(QStringLiteral(" - MsgId: central.")));
}

TEST_F(Incoming, UnknownMailIsForwardedOnceAndItsReturnIsNotForwardedAgain)
{
    rig.inject(M::desconocido(QStringLiteral("Consulta de un juzgado")));
    run();
    EXPECT_EQ(counters().reenviados, 1);
    const QList<QByteArray> sent = rig.sentMessages();
    ASSERT_EQ(sent.size(), 1);
    EXPECT_TRUE(sent[0].contains("Consulta de un juzgado (REENVIO QAL REGIONAL)"));
    EXPECT_TRUE(rig.sentEnvelopes()[0].contains("reenvios@qal.test"));

    // The forward address is this mailbox: what came back stays and is not sent again.
    for (int i = 0; i < 50 && count() == 0; ++i)
        QThread::msleep(100);
    EXPECT_FALSE(run());
    EXPECT_EQ(counters().reenviados, 0);
    EXPECT_EQ(counters().noProcesados, 1);
    EXPECT_EQ(rig.sentMessages().size(), 1);
    EXPECT_EQ(count(), 1);
}

TEST_F(Incoming, WithTheWebServiceUnknownMailIsDiscarded)
{
    setting("envWebService", QStringLiteral("S"));
    newTransport();
    for (int i = 0; i < 3; ++i)
        rig.inject(M::desconocido(QStringLiteral("Publicidad %1").arg(i)));
    EXPECT_TRUE(run());
    EXPECT_EQ(counters().reenviados, 3);
    EXPECT_EQ(count(), 0);
    EXPECT_TRUE(rig.sentMessages().isEmpty());
}

TEST_F(Incoming, AMessageThatIsOneOctetStreamFileIsRead)
{
    const qlonglong n = request();
    M::Resp r {n, kReg, 12, QStringLiteral("T"), {}, {}, {}, {}};
    rig.inject(M::unaParte(QStringLiteral("CONFIRMO"), QStringLiteral("resp.dat"), M::respDat(r)));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "T");
}

TEST_F(Incoming, AMessageAppliedBeforeIsOnlyDeleted)
{
    // A run stopped after the save and before the deletion leaves the message on the
    // server; the next run recognises it and neither logs nor prints it again.
    const qlonglong n = request();
    const QByteArray answer = M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), n, kReg, 8, "imagen");
    rig.inject(answer);
    EXPECT_TRUE(run());
    const qlonglong c = request();
    rig.inject(answer);
    rig.inject(M::confirmacion(c, kReg, 9));
    rig.inject(M::confirmacion(c, kReg, 9));
    EXPECT_TRUE(run());
    EXPECT_EQ(counters().procesados, 3);
    EXPECT_EQ(avisos.impresas.size(), 1);
    EXPECT_EQ(avisos.lineas.size(), 1); // the confirmation, once
    EXPECT_EQ(count(), 0);
}

TEST_F(Incoming, ASubjectSettingLeftEmptyMatchesNoMessage)
{
    setting("x_msgexp", QString());
    rig.inject(M::desconocido(QString()));
    EXPECT_FALSE(smime->EsAsuntoConocido(QString()));
    EXPECT_TRUE(smime->EsAsuntoConocido(QStringLiteral("SETESTADO")));
    EXPECT_FALSE(smime->EsAsuntoConocido(QStringLiteral("setestado")));
}

TEST_F(Incoming, AMissingAccountSettingStopsTheRunWithTheList)
{
    setting("pop3Name", QString());
    setting("emailFwd", QString());
    newTransport();
    EXPECT_FALSE(run());
    EXPECT_EQ(dialogs.texts(),
              QStringList {QStringLiteral("Falta configurar datos del correo: \rServidor Pop3\rCuenta de reenvío")});
    dialogs.clear();
}

TEST_F(Incoming, ASaveTheRulesRefuseIsCancelledAndLaterMessagesGoOn)
{
    const qlonglong bad = request();
    const qlonglong good = request();
    {
        // A record older than the name rules, written behind the data module's back.
        dbase::Table raw;
        raw.open(QStringLiteral("PED.DBF"));
        raw.setIndexField(QStringLiteral("C_PED"));
        ASSERT_TRUE(raw.findKey(bad));
        raw.edit();
        raw.setValue(QStringLiteral("X_APE1"), QStringLiteral("gomez"));
        raw.post();
    }
    rig.inject(M::confirmacion(bad, kReg, 1));
    rig.inject(M::confirmacion(good, kReg, 2));
    EXPECT_FALSE(run());
    EXPECT_EQ(dm->ped.state(), dbase::Table::State::Browse);
    EXPECT_EQ(counters().procesados, 1);
    EXPECT_EQ(counters().noProcesados, 1);
    EXPECT_EQ(state(false, good), "T");
    EXPECT_EQ(state(false, bad), "E");
    EXPECT_EQ(count(), 1);
    dialogs.clear();
}

TEST_F(Incoming, AttachmentsAreSavedOnlyUnderTheExpectedNamesInsideTheFolder)
{
    const qlonglong n = request();
    M::Resp r {n, kReg, 12, QStringLiteral("T"), {}, {}, {}, {}};
    QDir parent(dir.path());
    parent.cdUp();
    const QString outside = QStringLiteral("qal-hostil-%1").arg(QRandomGenerator::global()->generate());
    rig.inject(M::mensaje(QStringLiteral("CONFIRMO"),
                          {{QStringLiteral("../") + outside, "fuera"},
                           {QStringLiteral("C:\\Windows\\") + outside + QStringLiteral(".dat"), "fuera"},
                           {QStringLiteral(".."), "nada"},
                           {QStringLiteral("PED.DBF"), "pisaría la tabla"},
                           {QStringLiteral("QalReg.INI"), "pisaría la configuración"},
                           {QStringLiteral("../RESP.DAT"), M::respDat(r)}}));
    const QByteArray table = readFile(dir.file(QStringLiteral("PED.DBF")));
    EXPECT_TRUE(run());
    EXPECT_EQ(state(false, n), "T");
    EXPECT_FALSE(QFile::exists(parent.filePath(outside)));
    EXPECT_FALSE(exists(outside));
    EXPECT_FALSE(exists(outside + QStringLiteral(".dat")));
    EXPECT_NE(readFile(dir.file(QStringLiteral("PED.DBF"))).left(4), QByteArray("pisa"));
    EXPECT_NE(readFile(dir.file(QStringLiteral("QalReg.INI"))), QByteArray("pisaría la configuración"));
}

TEST_F(Incoming, FilesLeftFromAnEarlierMessageAreNeverApplied)
{
    const qlonglong n = request();
    M::Resp r {n, kReg, 12, QStringLiteral("T"), {}, {}, {}, {}};
    writeFile(QStringLiteral("resp.dat"), M::respDat(r)); // left by a run that stopped
    writeFile(QStringLiteral("resp.tif"), "otra imagen");
    rig.inject(M::mensaje(QStringLiteral("CONTESTACION OFICIAL"), {})); // brings nothing
    EXPECT_FALSE(run());
    EXPECT_EQ(state(false, n), "E");
    EXPECT_FALSE(exists(QStringLiteral("c%1.%2").arg(n).arg(kReg)));
    EXPECT_EQ(count(), 1);
}

} // namespace

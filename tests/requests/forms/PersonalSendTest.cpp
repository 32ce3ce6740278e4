// The personal form's bank slip, its comparison with the request, sending and correction,
// the answer button and the security code's renewal.
#include "PersonalFormFixture.h"

#include "biometrics/forms/TFBioVerif.h"
#include "requests/forms/TFCompPedBol.h"

#include "core/ProgramFolder.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/TFVerImg.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbText.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using qal::test::child;

using namespace qal;
using B = ui::DbNavigator::Button;
using State = dbase::Table::State;

namespace {

// The bank-slip service as the checks before sending meet it.
struct SlipStandIn final : BankSlipService
{
    int found = 1;
    bool agrees = true;
    PedBol *pedBol = nullptr;
    QVariantMap slip;
    int lookUps = 0;

    int ObtenerDatosBoleta(const QString &, qint64, QString &error) override
    {
        ++lookUps;
        if (found < 0)
            error = QStringLiteral("Error al intentar obtener el código de la boleta.");
        if (found == 1)
            pedBol->values = slip;
        return found;
    }
    bool CompararDatosBoleta(const QString &, const QString &, const QDate &, const QVariant &, const QString &,
                             QString &diferencias) override
    {
        diferencias = agrees ? QString() : QStringLiteral(" apellido1");
        return agrees;
    }
};

class PersonalSend : public test::PersonalFormFixture
{
protected:
    void SetUp() override
    {
        PersonalFormFixture::SetUp();
        form->obtenerIdentidad = [] { return NetworkIdentity {"00:1A:2B:3C:4D:5E", "192.168.0.7", "regional-pc"}; };
        form->setServicioCentral(&central);
        auto s = std::make_unique<SlipStandIn>();
        slip = s.get();
        slip->pedBol = &dm->pedBol;
        dm->servicioBoleta = std::move(s);
        ASSERT_TRUE(dm->GrabarParametro("m_obli_doc", "N")); // the documents are another window's
        form->activateWindow();
        QVERIFY_ACTIVE();
    }
    void QVERIFY_ACTIVE() { ASSERT_TRUE(QTest::qWaitForWindowActive(form.get())); }

    void writeFile(const QString &name, const QByteArray &data)
    {
        QFile f(ProgramFolder::resolve(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(data);
    }
    void writeAnswer(const QString &name)
    {
        QImage page(850, 1100, QImage::Format_Grayscale8);
        page.fill(200);
        ASSERT_TRUE(TiffFile::writePage(ProgramFolder::resolve(name), page, PageFormat::GreyDocument));
    }
    bool exists(const QString &name) { return QFile::exists(ProgramFolder::resolve(name)); }
    static QByteArray golden(const QString &name)
    {
        QFile f(test::TempFolder::fixture(QStringLiteral("package/") + name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // A stored request with its fingerprints, ready to send.
    QVariant readyToSend(const QVariantMap &extra = {})
    {
        QVariantMap values {{"F_PAGO", QDate(2026, 3, 20)}, {"C_PAGO", "03123456789"}};
        values.insert(extra);
        const QVariant n = storeRequest(values);
        writeFile(QStringLiteral("zp%1.12").arg(n.toInt()), "PK-prints");
        return n;
    }
    void enter(QLineEdit *edit) { QTest::keyClick(edit, Qt::Key_Return); }

    SlipStandIn *slip = nullptr;
};

} // namespace

// ------------------------------------------------------------------ slip edits

TEST_F(PersonalSend, AnElevenCharacterSlipIsAppliedOnEnterAndLocksTheProcedure)
{
    central.tramites.insert("03123456789", "3");
    storeRequest({{"C_TRAM", "1"}});
    press(B::Edit);
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("03123456789"));
    enter(child<ui::DbEdit>(form, "dbTalon"));
    EXPECT_EQ(central.boletasAplicadas, QStringList {"03123456789"});
    EXPECT_EQ(pedp().value("C_TRAM").toString(), "3");
    EXPECT_FALSE(child<ui::DbLookupComboBox>(form, "dblcbTram")->isEnabled()) << "the slip decides the procedure";
    EXPECT_TRUE(child<ui::DbEdit>(form, "f_pago")->hasFocus()) << "the payment date is asked next";
    // any other key gives the operator the list back
    QTest::keyClick(child<ui::DbEdit>(form, "dbTalon"), Qt::Key_Backspace);
    EXPECT_TRUE(child<ui::DbLookupComboBox>(form, "dblcbTram")->isEnabled());
    press(B::Cancel);
}

TEST_F(PersonalSend, AnUnknownSlipKeepsTheFocusAndOtherLengthsAreNotChecked)
{
    storeRequest();
    press(B::Edit);
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("09999999999"));
    enter(child<ui::DbEdit>(form, "dbTalon"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Error: No se pudo encontrar el tipo de tramite"});
    EXPECT_TRUE(child<ui::DbEdit>(form, "dbTalon")->hasFocus());
    EXPECT_EQ(child<ui::DbEdit>(form, "dbTalon")->selectedText(), "09999999999");
    EXPECT_TRUE(child<ui::DbLookupComboBox>(form, "dblcbTram")->isEnabled());

    for (const char *corto : {"0312345678", "031234567890"}) {
        central.boletasAplicadas.clear();
        type(child<ui::DbEdit>(form, "dbTalon"), QString::fromLatin1(corto));
        enter(child<ui::DbEdit>(form, "dbTalon"));
        EXPECT_TRUE(central.boletasAplicadas.isEmpty()) << corto;
        EXPECT_TRUE(child<ui::DbEdit>(form, "f_pago")->hasFocus()) << corto;
    }
    // an exempt procedure never asks for the payment date
    pedp().setValue("C_TRAM", "6");
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("0312345678"));
    enter(child<ui::DbEdit>(form, "dbTalon"));
    EXPECT_TRUE(child<ui::DbEdit>(form, "dbTalon")->hasFocus());
    press(B::Cancel);
}

TEST_F(PersonalSend, EachSlipEditActsOnItsOwnText)
{
    dm->GrabarParametro(QStringLiteral("m_domic"), QStringLiteral("S"));
    form->hide();
    form->show();
    central.tramites.insert("04555555555", "4");
    storeRequest();
    press(B::Edit);
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("03123456789"));
    type(child<ui::DbEdit>(form, "dbPagoDomic"), QStringLiteral("04555555555"));
    central.boletasAplicadas.clear();
    enter(child<ui::DbEdit>(form, "dbPagoDomic"));
    EXPECT_EQ(central.boletasAplicadas, QStringList {"04555555555"}) << "not the other slip's code";
    child<ui::DbEdit>(form, "dbPagoDomic")->setFocus();
    QTest::mouseClick(child<ui::DbEdit>(form, "dbPagoDomic"), Qt::LeftButton);
    EXPECT_EQ(child<ui::DbEdit>(form, "dbPagoDomic")->selectedText(), "04555555555") << "a click selects its own text";
    EXPECT_EQ(child<ui::DbEdit>(form, "dbTalon")->selectedText(), "");
    dialogs.clear();
    press(B::Cancel);
}

TEST_F(PersonalSend, LeavingTheSlipChecksItButOnlyWhileTheRequestIsBeingChanged)
{
    central.tramites.insert("03123456789", "3");
    storeRequest({{"C_PAGO", "03123456789"}, {"C_EST", "T"}});
    child<ui::DbEdit>(form, "dbTalon")->setFocus();
    child<ui::DbEdit>(form, "x_obs")->setFocus();
    EXPECT_TRUE(central.boletasAplicadas.isEmpty()) << "passing over a held request changes nothing";
    EXPECT_EQ(pedp().state(), State::Browse);

    change({{"C_EST", "I"}});
    press(B::Edit);
    child<ui::DbEdit>(form, "dbTalon")->setFocus();
    child<ui::DbEdit>(form, "x_obs")->setFocus();
    EXPECT_EQ(central.boletasAplicadas, QStringList {"03123456789"});
    press(B::Cancel);
}

// ------------------------------------------------------------------ comparison with the slip

TEST_F(PersonalSend, ASlipThatDiffersShowsTheComparisonInItsColours)
{
    readyToSend({{"X_APE2", "GARCIA"}, {"X_NOMPADR1", "JORGE"}});
    slip->agrees = false;
    slip->slip = {{"x_ape1", "PERES"}, {"x_ape2", "GARCIA"}, {"x_nom1", "ANA"}, {"x_nom1p", "JORGE"},
                  {"f_nac", QDate(1980, 5, 17)}, {"n_doc", 20123456}, {"c_sexo", "F"},
                  {"c_pais", 1}, {"c_tdoc", 1}, {"c_boleta_web", "03123456789"}};
    TFCompPedBol *seen = nullptr;
    driveModalWindows([&](QDialog &d) {
        seen = qobject_cast<TFCompPedBol *>(&d);
        ASSERT_NE(seen, nullptr);
        EXPECT_EQ(d.windowTitle(), "Comparativo de Pedido - Boleta");
        EXPECT_EQ(seen->focusWidget(), seen->btCancelar());
        EXPECT_EQ(seen->valor("Apellidos", true)->text(), "PEREZ GARCIA");
        EXPECT_EQ(seen->valor("Apellidos", false)->text(), "PERES GARCIA");
        EXPECT_EQ(seen->valor("Apellidos", true)->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        EXPECT_EQ(seen->valor("Apellidos", false)->palette().color(QPalette::WindowText), QColor(0, 0, 128));
        for (const char *igual : {"Nombres", "NombresPadre", "Sexo", "FechaNacimiento", "Nacionalidad",
                                  "TipoDocumento", "Numero"}) {
            EXPECT_EQ(seen->valor(igual, true)->text(), seen->valor(igual, false)->text()) << igual;
            EXPECT_EQ(seen->valor(igual, true)->palette().color(QPalette::WindowText), QColor(128, 0, 0)) << igual;
        }
        EXPECT_EQ(seen->valor("FechaNacimiento", true)->text(), "17/05/1980");
        // the slip's codes, named by the office's tables
        EXPECT_EQ(seen->valor("Sexo", false)->text(), "FEMENINO");
        EXPECT_EQ(seen->valor("Nacionalidad", false)->text(), "ARGENTINA");
        EXPECT_EQ(seen->valor("TipoDocumento", false)->text(), "DOCUMENTO ÚNICO");
        EXPECT_EQ(seen->valor("Pedido", true)->text(), "1");
        EXPECT_EQ(seen->valor("Regional", true)->text(), "12");
        EXPECT_EQ(seen->valor("Codigo", false)->text(), "03123456789");
        click(seen->btCancelar());
    });
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(modalWindows, 1);
    EXPECT_TRUE(transport->calls.isEmpty()) << "stopped at the comparison";
    EXPECT_EQ(pedp().value("C_EST").toString(), "I");

    // going on is asked once more; No leaves the window open, Yes sends
    driveModalWindows([&](QDialog &d) {
        auto &c = static_cast<TFCompPedBol &>(d);
        dialogs.answer(DialogButton::No);
        click(c.btContinuar());
        EXPECT_TRUE(c.isVisible());
        dialogs.answer(DialogButton::Yes);
        click(c.btContinuar());
        EXPECT_FALSE(c.isVisible());
    });
    dialogs.clear();
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(dialogs.texts().count("Aún hay datos que difieren de la boleta\rEstá seguro que desea continuar?"), 2);
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(pedp().value("C_EST").toString(), "E");
}

TEST_F(PersonalSend, ASlipTheServiceDoesNotKnowAsksWhetherToStop)
{
    readyToSend();
    slip->found = 0;
    const QString pregunta = QStringLiteral(
        "El Documento del Pedido no corresponde con la Boleta ó Boleta Inexistente.\r¿Desea cancelar el envío del pedido?");
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(dialogs.texts(), QStringList {pregunta});
    EXPECT_TRUE(transport->calls.isEmpty());

    dialogs.clear();
    dialogs.answer(DialogButton::No);
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(transport->calls.size(), 1);

    // a service that cannot be asked lets the request go, saying so
    change({{"C_EST", "I"}});
    slip->found = -1;
    dialogs.clear();
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(dialogs.texts().value(0), "ERROR: Al intentar verificar los datos con la boleta.\rMensaje: "
                                        "Error al intentar obtener el código de la boleta.");
    EXPECT_EQ(transport->calls.size(), 2);
}

// ------------------------------------------------------------------ send and correction

TEST_F(PersonalSend, ARequestEnteredOnTheFormIsSentAndLaterCorrected)
{
    central.tramites.insert("03123456789", "3");
    press(B::Insert);
    type(child<ui::DbEdit>(form, "x_ape1"), QStringLiteral("perez"));
    type(child<ui::DbEdit>(form, "x_nom1"), QStringLiteral("ana"));
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("maria")); // the checks before sending accept A to Z only
    type(child<ui::DbEdit>(form, "f_nac"), QStringLiteral("17/05/1980"));
    type(child<ui::DbEdit>(form, "n_doc"), QStringLiteral("20123456"));
    type(child<ui::DbEdit>(form, "x_dom_s"), QStringLiteral("CORRIENTES 1234"));
    type(child<ui::DbEdit>(form, "x_loc_s"), QStringLiteral("caba"));
    type(child<ui::DbEdit>(form, "c_codpos_s"), QStringLiteral("1043"));
    choose(child<ui::DbLookupComboBox>(form, "c_sexo"), QStringLiteral("FEMENINO"));
    choose(child<ui::DbLookupComboBox>(form, "c_nac"), QStringLiteral("ARGENTINA"));
    choose(child<ui::DbLookupComboBox>(form, "c_tdoc"), QStringLiteral("DOCUMENTO ÚNICO"));
    choose(child<ui::DbLookupComboBox>(form, "c_expp"), QStringLiteral("REGISTRO NACIONAL DE LAS PERSONAS"));
    choose(child<ui::DbLookupComboBox>(form, "c_prov_s"), QStringLiteral("CIUDAD AUTÓNOMA DE BUENOS AIRES"));
    choose(child<ui::DbLookupComboBox>(form, "dblcbTram"), QStringLiteral("COMÚN"));
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("03123456789"));
    type(child<ui::DbEdit>(form, "f_pago"), QStringLiteral("21/03/2026"));
    pedp().setValue("C_SEGUR", "A1B2C3D4E5"); // the golden package's code
    press(B::Post);
    ASSERT_EQ(pedp().state(), State::Browse) << dialogs.texts().join(" | ").toStdString();
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    writeFile("zp1.12", "PK-prints");

    click(child<QPushButton>(form, "btEnv"));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].asunto, "PEDIDO PERSONAL");
    EXPECT_EQ(transport->calls[0].regional, 12);
    EXPECT_EQ(transport->calls[0].archivos.value("ped.dat"), golden("ped-personal.dat").replace("MAR\xcd" "A", "MARIA"));
    EXPECT_EQ(pedp().value("C_EST").toString(), "E");
    EXPECT_EQ(child<ui::DbText>(form, "x_est")->text(), "Enviado");

    // the central office took it and answered; the operator reopens it and sends the correction
    change({{"C_EST", "C"}, {"N_EXPE", 7100300}, {"F_CON", today()}});
    dialogs.answer(DialogButton::Yes);
    press(B::Edit);
    type(child<ui::DbEdit>(form, "x_obs"), QStringLiteral("domicilio corregido"));
    press(B::Post);
    dialogs.clear();
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    ASSERT_EQ(transport->calls.size(), 2);
    EXPECT_EQ(transport->calls[1].asunto, "CORRECCIONP");
    EXPECT_EQ(transport->calls[1].adjuntos, QStringList {"ped.dat"});
    EXPECT_EQ(transport->calls[1].archivos.value("ped.dat"), golden("ped-correccion.dat").replace("MAR\xcd" "A", "MARIA"));
    EXPECT_EQ(pedp().value("C_EST").toString(), "E");
}

TEST_F(PersonalSend, WithLiveScanNoRequestGoesWithoutItsBiometricConfirmation)
{
    readyToSend();
    dm->GrabarParametro(QStringLiteral("LiveScan"), QStringLiteral("Plano"));
    dm->hayLiveScan = true; // as read at start
    test::VerifierStandIn verifier;
    form->formularioBiometrico()->setVerificador(&verifier);
    QStringList captions;
    driveModalWindows([&](QDialog &d) {
        auto &bio = dynamic_cast<TFBioVerif &>(d);
        captions << d.windowTitle();
        EXPECT_TRUE(bio.img()->pixmap().isNull()) << "the confirmation starts with an empty picture";
        bio.edAppID()->setText(QStringLiteral("operador"));
        bio.verificar(test::VerifierStandIn::print());
    });
    const QString refused = QStringLiteral("Lo sentimos, no se puede enviar el pedido sin la confirmación biometrica");

    // not verified, and an answer whose low 32 bits alone would read 1
    for (qint64 answer : {Q_INT64_C(0), Q_INT64_C(4294967297)}) {
        verifier.answer = answer;
        dialogs.clear();
        click(child<QPushButton>(form, "btEnv"));
        EXPECT_EQ(dialogs.texts(), QStringList {refused}) << answer;
        EXPECT_TRUE(transport->calls.isEmpty());
        EXPECT_TRUE(pedp().isNull(QStringLiteral("VERIF_ID")));
    }
    // an id the request's field cannot hold is not stored as another one, and nothing goes
    verifier.answer = 123456789;
    dialogs.clear();
    click(child<QPushButton>(form, "btEnv"));
    ASSERT_EQ(dialogs.texts().size(), 1);
    EXPECT_TRUE(dialogs.lastText().contains(QStringLiteral("VERIF_ID"))) << dialogs.lastText().toStdString();
    EXPECT_EQ(pedp().state(), dbase::Table::State::Browse);
    EXPECT_TRUE(pedp().isNull(QStringLiteral("VERIF_ID")));
    EXPECT_TRUE(transport->calls.isEmpty());

    verifier.answer = 12;
    dialogs.clear();
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(pedp().value(QStringLiteral("VERIF_ID")).toInt(), 12);
    EXPECT_EQ(pedp().value(QStringLiteral("C_LOGIN")).toString().trimmed(), QStringLiteral("operador"));
    EXPECT_EQ(captions, QStringList(4, QStringLiteral("Confirmación biometrica")));

    // a confirmed request is not asked again
    change({{"C_EST", "I"}});
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(captions.size(), 4);
    EXPECT_EQ(transport->calls.size(), 2);
}

TEST_F(PersonalSend, TheChecksBeforeSendingStopAnIncompleteRequest)
{
    readyToSend({{"C_TRAM", "6"}, {"C_PAGO", "06123456789"}});
    change({{"C_PRIOR", 1}}); // the procedure brought its own priority
    click(child<QPushButton>(form, "btEnv"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Los exentos deben tener prioridad 5 Dias."});
    EXPECT_TRUE(transport->calls.isEmpty());
}

// ------------------------------------------------------------------ answer

TEST_F(PersonalSend, TheAnswerButtonFollowsTheStateTheResultAndTheFiles)
{
    QStringList shownFiles;
    driveModalWindows([&](QDialog &d) {
        auto *visor = qobject_cast<TFVerImg *>(&d);
        ASSERT_NE(visor, nullptr);
        shownFiles << QFileInfo(visor->archivo).fileName();
        EXPECT_TRUE(QFile::exists(visor->archivo));
    });
    storeRequest();
    dm->Timer.start(60000);
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"El pedido no ha sido contestado o rechazado"});
    EXPECT_EQ(dialogs.titles(), QStringList {"Error"});
    EXPECT_TRUE(dm->Timer.isActive());

    dialogs.clear();
    change({{"C_EST", "C"}, {"C_RES", "N"}});
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Verifique si el certificado está disponible en la web"});

    dialogs.clear();
    change({{"C_RES", "S"}});
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"No existe el archivo con la imagen de la contestación\r"
                                            "ni tampoco el número de carta certificada"});
    dialogs.clear();
    change({{"N_CERT", "RR123456789AR"}});
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Pedido contestado por correo postal, certificada número: RR123456789AR"});

    dialogs.clear();
    writeAnswer("cp1.12");
    click(child<QPushButton>(form, "btContes"));
    click(child<QPushButton>(form, "btContes"));
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(shownFiles, (QStringList {"1.tif", "2.tif"}));
    EXPECT_FALSE(exists("1.tif")) << "the previous copy goes at the next showing";

    // reception the operator had switched off stays off
    dm->Timer.stop();
    click(child<QPushButton>(form, "btContes"));
    EXPECT_FALSE(dm->Timer.isActive());
}

TEST_F(PersonalSend, ARejectionShowsItsReasonAskingTheCentralOfficeOnlyWhenNoneIsStored)
{
    storeRequest({{"C_EST", "R"}, {"X_RECHAZO", "HUELLAS ILEGIBLES"}});
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"HUELLAS ILEGIBLES"});
    EXPECT_EQ(dialogs.titles(), QStringList {"Motivo del Rechazo"});
    EXPECT_EQ(central.rechazosPedidos, 0);

    dialogs.clear();
    change({{"X_RECHAZO", QVariant()}});
    int shown = 0;
    driveModalWindows([&](QDialog &) { ++shown; });
    writeAnswer("cp1.12");
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"FOTOGRAFÍA ILEGIBLE"});
    EXPECT_EQ(central.rechazosPedidos, 1);
    EXPECT_EQ(shown, 1) << "then the answer image";
    EXPECT_TRUE(pedp().isNull("X_RECHAZO")) << "the fetched reason is not stored";

    dialogs.clear();
    central.alcanzable = false;
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Error ObtenerMotivoRechazoPrivado: Connection refused"});
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// ------------------------------------------------------------------ security code

TEST_F(PersonalSend, TheSecurityCodeChangesOnlyWhenTheCentralOfficeAccepts)
{
    storeRequest({{"C_SEGUR", "AAAAAAAAAA"}});
    dialogs.answer(DialogButton::Yes); // regenerate
    dialogs.answer(DialogButton::No);  // the receipt goes to the printer, not by mail
    click(child<QPushButton>(form, "btRegen"));
    ASSERT_EQ(central.codigos.size(), 1);
    const QString nuevo = central.codigos[0].section('>', 1);
    EXPECT_TRUE(central.codigos[0].startsWith("AAAAAAAAAA>"));
    EXPECT_EQ(nuevo.size(), 10);
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), nuevo);
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_TRUE(dialogs.texts().contains("¿Enviar comprobante por Email?")) << "then the receipt";

    dialogs.clear();
    central.resultadoCodigo = 0;
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btRegen"));
    EXPECT_EQ(dialogs.lastText(), "Lo siento, no se ha podido cambiar el código de seguridad en QAL Central");
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), nuevo);

    dialogs.clear();
    central.alcanzable = false;
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btRegen"));
    EXPECT_TRUE(dialogs.lastText().startsWith("Imposible conectarse con QAL Central para actualizar el código de "
                                              "seguridad"));
    EXPECT_EQ(dialogs.lastText().count('\r'), 2) << "three lines";
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), nuevo);

    dialogs.clear();
    dialogs.answer(DialogButton::No);
    click(child<QPushButton>(form, "btRegen"));
    EXPECT_EQ(central.codigos.size(), 3) << "declining asks nothing of the central office";
}

TEST_F(PersonalSend, ANewCodeTheCentralOfficeHoldsIsKeptWhenTheLocalSaveIsRefused)
{
    // a slip of another procedure, saved from another screen: the form refuses to save it
    form->hide();
    storeRequest({{"C_SEGUR", "AAAAAAAAAA"}, {"C_PAGO", "05123456789"}});
    form->show();
    press(B::Edit);
    dialogs.clear();
    click(child<QPushButton>(form, "btRegen"));
    EXPECT_EQ(dialogs.texts(), QStringList {"Debe grabar los datos del pedido\rantes de regenerar el código de seguridad"});
    EXPECT_TRUE(central.codigos.isEmpty());
    press(B::Cancel);

    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btRegen"));
    ASSERT_EQ(central.codigos.size(), 1);
    const QString nuevo = central.codigos[0].section('>', 1);
    ASSERT_EQ(dialogs.texts().size(), 3) << dialogs.texts().join(" | ").toStdString();
    EXPECT_EQ(dialogs.texts()[1], "ERROR: El tipo de trámite no corresponde con el tipo indicado en la Boleta");
    EXPECT_TRUE(dialogs.texts()[2].startsWith("QAL Central ya tiene el nuevo código de seguridad " + nuevo));
    EXPECT_EQ(pedp().state(), State::Edit) << "kept, to be saved once corrected";
    EXPECT_EQ(pedp().value("C_SEGUR").toString(), nuevo);
    choose(child<ui::DbLookupComboBox>(form, "dblcbTram"), QStringLiteral("EXTRANJERO"));
    press(B::Post);
    EXPECT_EQ(pedp().state(), State::Browse);
    dbase::Table again(QStringLiteral("Pedp.DBF"));
    again.open();
    EXPECT_EQ(again.value("C_SEGUR").toString(), nuevo);
}

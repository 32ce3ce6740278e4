#include "RequestFixture.h"

#include "data/BankSlipService.h"

#include <QRegularExpression>

using namespace qal;
using namespace qal::test;

namespace {

using State = dbase::Table::State;

class PersonalRequest : public RequestFixture
{
};

// The bank-slip service as a test scripts it.
class ScriptedSlips final : public BankSlipService
{
public:
    int result = 1;
    bool agree = true;
    QString error;
    QStringList calls;

    int ObtenerDatosBoleta(const QString &boleta, qint64 documento, QString &errorText) override
    {
        calls << QStringLiteral("obtener %1 %2").arg(boleta).arg(documento);
        errorText = error;
        return result;
    }
    bool CompararDatosBoleta(const QString &boleta, const QString &apellido, const QDate &nacimiento,
                             const QVariant &documento, const QString &nombre, QString &diferencias) override
    {
        calls << QStringLiteral("comparar %1 %2 %3 %4 %5")
                     .arg(boleta, apellido, nacimiento.toString(Qt::ISODate))
                     .arg(documento.toLongLong())
                     .arg(nombre);
        diferencias = agree ? QString() : QStringLiteral(" apellido1");
        return agree;
    }
};

const QString kEdadNacimiento =
    QStringLiteral("El causante debe tener entre 16 y 99 años de edad.\rVerifique la fecha de nacimiento.");

} // namespace

// ------------------------------------------------------------------ new record, save

TEST_F(PersonalRequest, ANewRequestGetsItsDefaultsAndItsStateAtTheFirstSave)
{
    dbase::Table &t = dm->pedp;
    t.append();
    EXPECT_EQ(t.value("F_PED").toDate(), today());
    EXPECT_EQ(t.value("C_REG").toLongLong(), 12);
    EXPECT_TRUE(t.isNull("F_NAC"));
    EXPECT_EQ(t.value("M_EXCART51"), QVariant(false));
    EXPECT_EQ(t.value("C_CLASDER").toString(), "_____");
    EXPECT_EQ(t.value("C_CLASIZQ").toString(), "_____");
    EXPECT_TRUE(t.isNull("C_EST"));
    t.cancel();

    dm->usuarioActual = "operador";
    newPersonal();
    dm->pedp.setValue("X_APE1", "  DE LA  FUENTE");
    dm->pedp.setValue("X_NOM2", "maria"); // names are not checked on a personal save
    post(dm->pedp);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(t.value("C_PED").toLongLong(), 1);
    EXPECT_EQ(t.value("C_EST").toString(), "I");
    EXPECT_EQ(t.value("X_APE1").toString(), "DE LA FUENTE");
    EXPECT_EQ(t.value("C_VERSION").toString(), "3.1.7");
    EXPECT_EQ(t.value("C_LOGIN").toString(), "operador");
    EXPECT_EQ(t.value("c_pedido").toString(), "W");
    const QString code = t.value("C_SEGUR").toString();
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{10}$").match(code).hasMatch()) << code.toStdString();

    // a later save keeps the code; with live-scan the capture's operator stays
    dm->hayLiveScan = true;
    dm->usuarioActual = "otro";
    t.edit();
    t.setValue("C_EST", "T");
    post(t);
    EXPECT_EQ(t.value("C_SEGUR").toString(), code);
    EXPECT_EQ(t.value("C_LOGIN").toString(), "operador");
    EXPECT_EQ(t.value("C_EST").toString(), "T");
    EXPECT_EQ(t.value("C_PED").toLongLong(), 1);
}

TEST_F(PersonalRequest, ANullSecurityCodeIsMadeAtTheNextSave)
{
    savedPersonal();
    dm->pedp.edit();
    dm->pedp.clearValue("C_SEGUR");
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.value("C_SEGUR").toString().size(), 10);
}

TEST_F(PersonalRequest, AProcedureTypeBringsItsPriority)
{
    dbase::Table &t = dm->pedp;
    t.append();
    t.setValue("C_TRAM", "1");
    EXPECT_EQ(t.value("C_PRIOR").toLongLong(), 1);
    t.setValue("C_TRAM", "6");
    EXPECT_EQ(t.value("C_PRIOR").toLongLong(), 3);
    t.setValue("C_TRAM", "9");
    EXPECT_TRUE(t.isNull("C_PRIOR"));
    t.cancel();
}

TEST_F(PersonalRequest, HomeDeliveryNeedsItsPaymentUnlessExempt)
{
    dm->mDomic = true;
    newPersonal();
    dialogs.clear();
    dm->grabacionAutorizada = true;
    EXPECT_THROW(dm->pedp.post(), dbase::Abort);
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR: En los pedidos domiciliarios que no sean exentos, se debe "
                                            "cargar el código del pago domiciliario"});
    // the operator's post was for that attempt only
    EXPECT_FALSE(dm->grabacionAutorizada);
    dm->pedp.setValue("C_PAGO_DOMIC", "D123");
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.state(), State::Browse);

    newPersonal();
    dm->pedp.setValue("C_TRAM", "6");
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.value("C_PED").toLongLong(), 2);
}

TEST_F(PersonalRequest, AReopenedRequestLosesItsAnswerDate)
{
    savedPersonal();
    dm->pedp.edit();
    dm->pedp.setValue("F_CON", today());
    dm->pedp.setValue("C_EST", "C");
    post(dm->pedp);
    EXPECT_FALSE(dm->pedp.isNull("F_CON"));
    dm->pedp.edit();
    dm->pedp.setValue("C_EST", "D");
    post(dm->pedp);
    EXPECT_TRUE(dm->pedp.isNull("F_CON"));
}

TEST_F(PersonalRequest, TheSlipMustMatchTheProcedureOnlyWhenSavedFromTheForm)
{
    bool onScreen = true;
    dm->formularioPedidoPersonalVisible = [&] { return onScreen; };
    newPersonal();
    dm->pedp.setValue("C_PAGO", "04000000001"); // slip of procedure 4, request of procedure 3
    EXPECT_THROW(post(dm->pedp), dbase::Abort);
    EXPECT_EQ(dialogs.texts(),
              QStringList {"ERROR: El tipo de trámite no corresponde con el tipo indicado en la Boleta"});
    EXPECT_EQ(dm->pedp.state(), State::Insert);

    onScreen = false;
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.state(), State::Browse);
    EXPECT_EQ(dm->pedp.value("C_PED").toLongLong(), 1);

    onScreen = true;
    dm->pedp.edit();
    dm->pedp.setValue("C_PAGO", "03000000001");
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.state(), State::Browse);
}

TEST_F(PersonalRequest, ARefusedFirstSaveKeepsItsNumberAndItsImages)
{
    dm->formularioPedidoPersonalVisible = [] { return true; };
    newPersonal();
    dm->pedp.setValue("C_PAGO", "04000000001");
    writeCard("edit.tif");
    const QByteArray card = bytes("edit.tif");
    EXPECT_THROW(post(dm->pedp), dbase::Abort);
    EXPECT_EQ(dm->pedp.value("C_PED").toLongLong(), 1);
    EXPECT_EQ(bytes("hp1.12"), card);

    dm->pedp.setValue("C_TRAM", "4");
    post(dm->pedp);
    EXPECT_EQ(dm->pedp.value("C_PED").toLongLong(), 1);
    EXPECT_EQ(bytes("hp1.12"), card);
    EXPECT_EQ(savedPersonal(), 2);
}

TEST_F(PersonalRequest, TheNextSaveMovesTheWorkingFilesAfterCheckingBothImages)
{
    savedPersonal();
    dm->pedp.edit();
    writeCard("edit.tif");
    writeFile("edit.zip", "prints");
    writeDocument("docu.tif", 3508, 2480); // landscape: refused
    EXPECT_THROW(post(dm->pedp), dbase::Abort);
    EXPECT_EQ(dialogs.texts(), QStringList {"La imagen debe estar en tamaño A4 a 300 puntos por pulgada"});
    EXPECT_EQ(dialogs.shown()[0].title, "Error");
    EXPECT_FALSE(exists("hp1.12"));
    EXPECT_FALSE(exists("zp1.12"));

    writeDocument("docu.tif");
    const QByteArray card = bytes("edit.tif");
    const QByteArray document = bytes("docu.tif");
    post(dm->pedp);
    EXPECT_EQ(bytes("hp1.12"), card);
    EXPECT_EQ(bytes("zp1.12"), "prints");
    EXPECT_EQ(bytes("dp1.12"), document);
    EXPECT_TRUE(workingFilesGone());

    dm->pedp.edit();
    writeCard("edit.tif", 3001);
    dialogs.clear();
    EXPECT_THROW(post(dm->pedp), dbase::Abort);
    EXPECT_EQ(dialogs.texts(), QStringList {"La huella digitalizada debe tener menos de 25 cm. de ancho"});
    EXPECT_EQ(bytes("hp1.12"), card);
    dm->pedp.cancel();
}

TEST_F(PersonalRequest, DeletingRemovesCardPrintsAndAnswerButNotDocuments)
{
    savedPersonal();
    savedPersonal();
    for (const char *f : {"hp1.12", "zp1.12", "cp1.12", "dp1.12", "hp2.12", "h1.12"})
        writeFile(f, "x");
    ASSERT_TRUE(dm->pedp.findKey(1));
    dialogs.answer(DialogButton::Yes);
    dm->pedp.deleteRecord();
    EXPECT_EQ(dialogs.texts(), QStringList {QStringLiteral("¿Está seguro que desea eliminar este registro?")});
    EXPECT_EQ(dialogs.titles(), QStringList {"Confirmar"});
    for (const char *f : {"hp1.12", "zp1.12", "cp1.12"})
        EXPECT_FALSE(exists(f)) << f;
    for (const char *f : {"dp1.12", "hp2.12", "h1.12"})
        EXPECT_TRUE(exists(f)) << f;
    EXPECT_EQ(dm->pedp.recordCount(), 1);
}

TEST_F(PersonalRequest, AnAnswerOrRejectionCanBePrinted)
{
    savedPersonal();
    for (const char *state : {"I", "E", "T", "D"}) {
        dm->pedp.edit();
        dm->pedp.setValue("C_EST", state);
        post(dm->pedp);
        dialogs.clear();
        EXPECT_FALSE(dm->PuedeImprimirContestacionPersonal()) << state;
        EXPECT_EQ(dialogs.texts(), QStringList {"El pedido no ha sido contestado o rechazado"});
        EXPECT_EQ(dialogs.titles(), QStringList {"Error"});
    }
    for (const char *state : {"C", "R"}) {
        dm->pedp.edit();
        dm->pedp.setValue("C_EST", state);
        post(dm->pedp);
        EXPECT_TRUE(dm->PuedeImprimirContestacionPersonal()) << state;
    }
}

// ------------------------------------------------------------------ checks before sending

namespace {

class SendingChecks : public PersonalRequest
{
protected:
    void SetUp() override
    {
        PersonalRequest::SetUp();
        auto owned = std::make_unique<ScriptedSlips>();
        slips = owned.get();
        dm->servicioBoleta = std::move(owned);
        newPersonal();
    }
    void TearDown() override
    {
        dm->pedp.cancel();
        PersonalRequest::TearDown();
    }
    // The outcome: "ok", "no" (refused without a message) or the last message.
    QString check()
    {
        dialogs.clear();
        const bool ok = dm->ComprobarPedidoPersonal();
        if (ok)
            return QStringLiteral("ok");
        return dialogs.shown().isEmpty() ? QStringLiteral("no") : dialogs.lastText();
    }
    dbase::Table &t() { return dm->pedp; }

    ScriptedSlips *slips = nullptr;
};

} // namespace

TEST_F(SendingChecks, ExemptRequestsGoAtFiveDays)
{
    EXPECT_EQ(check(), "ok");
    t().setValue("C_TRAM", "6");
    t().setValue("C_PRIOR", 1);
    EXPECT_EQ(check(), "Los exentos deben tener prioridad 5 Dias.");
    t().setValue("C_PRIOR", 3);
    t().clearValue("F_PAGO"); // exempt: no payment date needed
    EXPECT_EQ(check(), "ok");
}

TEST_F(SendingChecks, AgeHasNoUnder16Exception)
{
    const QDate sixteen = today().addDays(-16 * 365);
    t().setValue("F_NAC", sixteen);
    EXPECT_EQ(check(), "ok");
    t().setValue("F_NAC", sixteen.addDays(1));
    EXPECT_EQ(check(), kEdadNacimiento);
    t().setValue("F_NAC", today().addDays(-100 * 365));
    EXPECT_EQ(check(), kEdadNacimiento);
    t().setValue("F_NAC", QDate(1899, 1, 1));
    EXPECT_EQ(check(), "La Fecha de Nacimiento debe ser mayor a 1900");
}

TEST_F(SendingChecks, RequiredFieldsInOrder)
{
    const QList<std::pair<const char *, QString>> required {
        {"C_TDOC", "Tipo de Documento"}, {"C_SEXO", "Sexo"},         {"C_NAC", "Nacionalidad"},
        {"F_PED", "Fecha del Pedido"},   {"X_APE1", "Apellido"},     {"X_NOM1", "Nombre"},
        {"N_DOC", "Número de Documento"}, {"F_NAC", "Fecha de Nacimiento"}, {"C_PRIOR", "Prioridad"},
        {"C_TRAM", "Tipo de Trámite"}};
    t().setValue("X_NOM3", "x"); // a bad name comes later
    for (qsizetype i = required.size() - 1; i >= 0; --i) {
        t().clearValue(required[i].first);
        if (i == required.size() - 1)
            t().setValue("C_PRIOR", 3); // emptying the procedure type empties the priority
        EXPECT_EQ(check(), QStringLiteral("Debe completar el campo \"%1\"").arg(required[i].second));
        EXPECT_EQ(dialogs.shown().size(), 1);
    }
}

TEST_F(SendingChecks, PaymentDateRules)
{
    t().clearValue("F_PAGO");
    EXPECT_EQ(check(), "Debe completar el campo \"Fecha de Pago\"");
    dm->GrabarParametro("m_fecpago", "N");
    EXPECT_EQ(check(), "ok");

    t().setValue("F_PAGO", today());
    EXPECT_EQ(check(), "ok");
    t().setValue("F_PAGO", today().addDays(1));
    EXPECT_EQ(check(), "ERROR: La fecha de pago debe ser anterior a la fecha del pedido");
    t().setValue("F_PAGO", today().addDays(-365));
    EXPECT_EQ(check(), "ok");
    t().setValue("F_PAGO", today().addDays(-366));
    EXPECT_EQ(check(), QStringLiteral("ERROR: La fecha de pago no debe tener más de 365 días"));
    dm->GrabarParametro("dias_fpago", "30");
    t().setValue("F_PAGO", today().addDays(-31));
    EXPECT_EQ(check(), QStringLiteral("ERROR: La fecha de pago no debe tener más de 30 días"));
    dm->GrabarParametro("dias_fpago", "treinta");
    EXPECT_EQ(check(), "ok");
    t().setValue("F_PAGO", today().addDays(-366));
    EXPECT_EQ(check(), QStringLiteral("ERROR: La fecha de pago no debe tener más de 365 días"));
}

TEST_F(SendingChecks, NamesAreCheckedAfterTheOtherFields)
{
    t().setValue("X_APEMADR2", QStringLiteral("LÓPEZ"));
    t().setValue("X_NOMMADR3", "x");
    EXPECT_EQ(check(), QStringLiteral("LÓPEZ contiene caracteres que no son válidos\rSólo se acepta A .. Z y el "
                                      "apostrofe"));
}

TEST_F(SendingChecks, TheSlipIsLookedUpOnlyWithCodeDocumentAndTheCheckOn)
{
    EXPECT_EQ(check(), "ok");
    EXPECT_TRUE(slips->calls.isEmpty()); // no slip code
    t().setValue("C_PAGO", " 03123456789 ");
    dm->mChkDatBol = false;
    EXPECT_EQ(check(), "ok");
    EXPECT_TRUE(slips->calls.isEmpty());
    dm->mChkDatBol = true;
    EXPECT_EQ(check(), "ok");
    EXPECT_EQ(slips->calls, (QStringList {"obtener 03123456789 20123456",
                                          "comparar 03123456789 PEREZ 1980-05-17 20123456 ANA"}));
}

TEST_F(SendingChecks, ASlipThatDiffersGoesToTheComparisonWindow)
{
    t().setValue("C_PAGO", "03123456789");
    slips->agree = false;
    QStringList asked;
    bool goOn = false;
    dm->compararPedidoBoleta = [&](const QString &pago, const QVariant &reg, const QVariant &ped) {
        asked << QStringLiteral("%1 %2 %3").arg(pago).arg(reg.toLongLong()).arg(ped.isNull() ? "-" : "?");
        return goOn;
    };
    EXPECT_EQ(check(), "no");
    goOn = true;
    EXPECT_EQ(check(), "ok");
    EXPECT_EQ(asked, (QStringList {"03123456789 12 -", "03123456789 12 -"}));
}

TEST_F(SendingChecks, ASlipNotFoundAsksWhetherToCancel)
{
    t().setValue("C_PAGO", "03123456789");
    slips->result = 0;
    dialogs.answer(DialogButton::Yes);
    EXPECT_FALSE(dm->ComprobarPedidoPersonal());
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("El Documento del Pedido no corresponde con la Boleta ó Boleta "
                                                 "Inexistente.\r¿Desea cancelar el envío del pedido?"));
    EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");
    EXPECT_EQ(dialogs.shown()[0].buttons, (QList<DialogButton> {DialogButton::Yes, DialogButton::No}));
    dialogs.answer(DialogButton::No);
    EXPECT_TRUE(dm->ComprobarPedidoPersonal());
}

TEST_F(SendingChecks, AnUnreachableServiceLetsTheRequestGo)
{
    t().setValue("C_PAGO", "03123456789");
    slips->result = -1;
    slips->error = "tiempo agotado";
    EXPECT_EQ(check(), "ok");
    EXPECT_EQ(dialogs.texts(),
              QStringList {"ERROR: Al intentar verificar los datos con la boleta.\rMensaje: tiempo agotado"});

    // the program's own service until the web services are configured
    dm->servicioBoleta = std::make_unique<UnreachableBankSlipService>();
    EXPECT_EQ(check(), "ok");
    EXPECT_EQ(dialogs.texts(), QStringList {"ERROR: Al intentar verificar los datos con la boleta.\rMensaje: "
                                            "Error al intentar obtener el código de la boleta."});
}

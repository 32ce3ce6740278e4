// The receipt of a personal request: on paper or by e-mail to the applicant, and the rule of
// the addresses it accepts.
#include "PersonalFormFixture.h"

#include "data/SupportContact.h"
#include "reports/TrpCompr.h"
#include "requests/DireccionCorreo.h"
#include "support/Controls.h"
#include "ui/DbEdit.h"

#include <QPushButton>

using qal::test::child;

using namespace qal;
using B = ui::DbNavigator::Button;

namespace {

using PersonalReceipt = test::PersonalFormFixture;

const QString kPreguntaCorreo = QStringLiteral("¿Enviar comprobante por Email?");

} // namespace

TEST(ReceiptAddress, AtomsOrAQuotedNameThenADomainOfLettersDigitsAndHyphens)
{
    for (const char *valid : {"ana.perez@correo.com.ar", "o'brien+filtro@mail.example.org", "x@a1.b-c.ar",
                              "\"ana perez\"@correo.com", "josé@correo.com", "a_b{c}~@x.io"})
        EXPECT_TRUE(DireccionCorreoValida(QString::fromUtf8(valid))) << valid;
    for (const char *invalid : {"DIRECCION DE EMAIL", "ana..perez@x.com", ".ana@x.com", "ana.@x.com",
                                "ana@correo", "ana@1correo.com", "ana@correo.com-", "ana@-x.com",
                                "ana perez@x.com", "ana@@x.com", "@x.com", "ana@x..com", "", "ana@x.com."})
        EXPECT_FALSE(DireccionCorreoValida(QString::fromUtf8(invalid))) << invalid;
}

TEST_F(PersonalReceipt, NeedsASavedRequest)
{
    click(child<QPushButton>(form, "btImpComp"));
    press(B::Insert);
    click(child<QPushButton>(form, "btImpComp"));
    EXPECT_EQ(dialogs.texts(), QStringList(2, "Debe grabar los datos para obtener el número de pedido\r"
                                              "antes de imprimir el comprobante"));
    press(B::Cancel);
}

TEST_F(PersonalReceipt, IsMailedToAValidAddressAskedUntilGiven)
{
    storeRequest();
    press(B::Edit);
    type(child<ui::DbEdit>(form, "x_obs"), QStringLiteral("retira en mostrador"));
    dialogs.answer(DialogButton::Yes);
    dialogs.answerInput(QStringLiteral("ana.perez@correo"));
    dialogs.answerInput(QStringLiteral(" ana.perez@correo.com.ar "));
    click(child<QPushButton>(form, "btImpComp"));
    EXPECT_EQ(pedp().value("X_OBS").toString(), "RETIRA EN MOSTRADOR") << "the pending change is saved first";
    EXPECT_EQ(dialogs.texts(), (QStringList {kPreguntaCorreo, "E-mail:", "Email Inválido", "E-mail:",
                                             "Email Enviado Exitosamente"}));
    EXPECT_EQ(dialogs.titles()[1], "Introduzca la dirección de e-mail");
    ASSERT_EQ(transport->calls.size(), 1);
    const auto &call = transport->calls[0];
    EXPECT_EQ(call.destinatario, "ana.perez@correo.com.ar");
    EXPECT_EQ(call.asunto, "Comprobante del Trámite de Antecedentes Penales");
    EXPECT_EQ(call.pedido, 1);
    EXPECT_EQ(call.regional, 12);
    EXPECT_TRUE(call.adjuntos.isEmpty());
    EXPECT_TRUE(call.cuerpo.startsWith(
        "Estimado/a, le informamos que su Solicitud de Trámite se encuentra en proceso de validación."));
    // the printed receipt names the same web site and telephone
    for (const QString &contact : {centralWebSite(), centralFreePhone()}) {
        EXPECT_TRUE(call.cuerpo.contains(contact)) << contact.toStdString();
        EXPECT_TRUE(reports::TextoInformacionComprobante().contains(contact)) << contact.toStdString();
    }
}

TEST_F(PersonalReceipt, CancellingTheAddressOrLeavingItAsProposedSendsNothing)
{
    storeRequest();
    dialogs.answer(DialogButton::Yes);
    dialogs.answerInput(std::nullopt);
    click(child<QPushButton>(form, "btImpComp"));
    dialogs.answer(DialogButton::Yes);
    dialogs.answerInput(QStringLiteral("DIRECCION DE EMAIL"));
    click(child<QPushButton>(form, "btImpComp"));
    EXPECT_TRUE(transport->calls.isEmpty());
    EXPECT_EQ(dialogs.texts(), (QStringList {kPreguntaCorreo, "E-mail:", kPreguntaCorreo, "E-mail:"}));

    dialogs.clear();
    transport->answer = false;
    dialogs.answer(DialogButton::Yes);
    dialogs.answerInput(QStringLiteral("ana@correo.com"));
    click(child<QPushButton>(form, "btImpComp"));
    EXPECT_EQ(dialogs.lastText(), "ERROR! No se pudo enviar el email");
}

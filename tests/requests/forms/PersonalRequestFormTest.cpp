#include "PersonalFormFixture.h"
#include "support/Controls.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbText.h"

#include <QMenu>
#include <QToolButton>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using qal::test::child;

using namespace qal;
using B = ui::DbNavigator::Button;
using State = dbase::Table::State;

namespace {

using PersonalRequestForm = test::PersonalFormFixture;

const QString kModificar = QStringLiteral("¿Desea modificar los datos?");

} // namespace

TEST_F(PersonalRequestForm, IsLaidOutAsTheCounterKnowsIt)
{
    EXPECT_EQ(form->windowTitle(), "QAL - Pedido Personal de Antecedentes");
    EXPECT_GE(form->width(), 705);
    EXPECT_GE(form->height(), 517);
    EXPECT_LE(form->minimumSizeHint().width(), 1000) << "fits a 1024-pixel screen";
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox1")->title(), "Datos Personales del Solicitante");
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox2")->title(), "Documento");
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox3")->title(), "Domicilio del Solicitante");
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox4")->title(), "Datos del Pedido");
    EXPECT_EQ(child<QLabel>(form, "lbTram")->text(), "Tipo de Trámite.:");
    EXPECT_EQ(child<QLabel>(form, "lbTalon")->text(), "Talón de pago:");
    EXPECT_EQ(child<ui::DbText>(form, "n_expe")->toolTip(), "Número de Expediente");
    EXPECT_EQ(child<ui::DbText>(form, "x_est")->toolTip(), "Estado del pedido");
    EXPECT_EQ(child<ui::DbText>(form, "x_prior")->toolTip(), "Prioridad");
    EXPECT_EQ(child<QPushButton>(form, "btImpComp")->text(), "Com&probante");
    EXPECT_EQ(child<QPushButton>(form, "btDig")->text(), "&Impresiones Dactilares");
    EXPECT_EQ(form->PMenuHuella()->actions().size(), 2);
    // what another part of the program brings is there, but does not pretend to work
    EXPECT_TRUE(child<QPushButton>(form, "btBus")->isEnabled()) << "the quick search";
    EXPECT_FALSE(child<QPushButton>(form, "btEstVelcor")->isEnabled());
    EXPECT_EQ(form->PMenuHuella()->actions()[1]->text(), "&LiveScan");
    EXPECT_TRUE(form->PMenuHuella()->actions()[1]->isEnabled());
    EXPECT_FALSE(child<QPushButton>(form, "btRegen")->isEnabled()) << "no central office to agree a new code with";
    form->setServicioCentral(&central);
    EXPECT_TRUE(child<QPushButton>(form, "btRegen")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(form, "btEnv")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(form, "btImpComp")->isEnabled());
}

TEST_F(PersonalRequestForm, OptionalControlsFollowTheSettingsEachTimeItIsShown)
{
    EXPECT_FALSE(child<QPushButton>(form, "btEstVelcor")->isVisible());
    EXPECT_FALSE(child<ui::DbCheckBox>(form, "m_excart51")->isVisible());
    EXPECT_FALSE(child<ui::DbEdit>(form, "dbPagoDomic")->isVisible());
    EXPECT_FALSE(child<QLabel>(form, "lbPagoDomic")->isVisible());
    form->hide();
    dm->GrabarParametro(QStringLiteral("m_es_suc"), QStringLiteral("S"));
    dm->GrabarParametro(QStringLiteral("m_domic"), QStringLiteral("S"));
    form->show();
    EXPECT_TRUE(child<QPushButton>(form, "btEstVelcor")->isVisible());
    EXPECT_TRUE(child<ui::DbCheckBox>(form, "m_excart51")->isVisible());
    EXPECT_TRUE(child<ui::DbEdit>(form, "dbPagoDomic")->isVisible());
    EXPECT_TRUE(child<QLabel>(form, "lbPagoDomic")->isVisible());
    form->hide();
    dm->GrabarParametro(QStringLiteral("m_domic"), QStringLiteral("N"));
    form->show();
    EXPECT_FALSE(child<ui::DbEdit>(form, "dbPagoDomic")->isVisible());
}

TEST_F(PersonalRequestForm, ANewRequestIsNumberedWithItsOfficeAndGetsItsDefaults)
{
    child<ui::DbLookupComboBox>(form, "dblcbTram")->setEnabled(false);
    press(B::Insert);
    ASSERT_EQ(pedp().state(), State::Insert);
    EXPECT_TRUE(child<ui::DbLookupComboBox>(form, "dblcbTram")->isEnabled()) << "a new request chooses its procedure";
    EXPECT_EQ(child<ui::DbText>(form, "f_ped")->text(), "31/03/2026");
    EXPECT_EQ(pedp().value("C_REG").toInt(), 12) << "the office code for personal requests";
    EXPECT_EQ(pedp().value("C_CLASDER").toString(), "_____");
    type(child<ui::DbEdit>(form, "x_ape1"), QStringLiteral("pérez  garcía"));
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "PÉREZ  GARCÍA") << "typed in capitals";
    type(child<ui::DbEdit>(form, "x_nom1"), QStringLiteral("ana"));
    type(child<ui::DbEdit>(form, "n_doc"), QStringLiteral("201234567"));
    EXPECT_EQ(child<ui::DbEdit>(form, "n_doc")->text(), "20123456") << "eight digits at most";
    type(child<ui::DbEdit>(form, "x_dom_s"), QStringLiteral("Corrientes 1234"));
    choose(child<ui::DbLookupComboBox>(form, "c_sexo"), QStringLiteral("FEMENINO"));
    choose(child<ui::DbLookupComboBox>(form, "c_prov_s"), QStringLiteral("CÓRDOBA"));
    choose(child<ui::DbLookupComboBox>(form, "dblcbTram"), QStringLiteral("URGENTE 48 HS"));
    EXPECT_EQ(child<ui::DbText>(form, "x_prior")->text(), "48 Horas") << "the procedure brings its priority";
    press(B::Post);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    ASSERT_EQ(pedp().state(), State::Browse);
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "1");
    EXPECT_EQ(child<ui::DbText>(form, "x_est")->text(), "Ingresado");
    EXPECT_EQ(pedp().value("X_APE1").toString(), "PÉREZ GARCÍA");
    EXPECT_EQ(pedp().value("X_DOM_S").toString(), "Corrientes 1234") << "the street as typed";
    EXPECT_EQ(pedp().value("C_SEGUR").toString().size(), 10);
    EXPECT_EQ(pedp().value("C_VERSION").toString(), "3.1.7");

    press(B::Insert);
    type(child<ui::DbEdit>(form, "x_ape1"), QStringLiteral("gomez"));
    press(B::Post);
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "2") << "the next number of the personal counter";
    EXPECT_EQ(pedp().value("C_REG").toInt(), 12);

    dbase::Table again(QStringLiteral("Pedp.DBF"));
    again.open();
    EXPECT_EQ(again.recordCount(), 2);
}

TEST_F(PersonalRequestForm, ARequestTheCentralOfficeHoldsIsReopenedForCorrectionOnlyIfConfirmed)
{
    for (const char *estado : {"T", "C", "D"}) {
        SCOPED_TRACE(estado);
        dialogs.clear();
        storeRequest({{"C_EST", estado}, {"N_EXPE", 7100300}});
        ASSERT_EQ(pedp().value("C_EST").toString(), estado);

        dialogs.answer(DialogButton::No);
        press(B::Edit);
        EXPECT_EQ(dialogs.texts(), QStringList {kModificar});
        EXPECT_EQ(dialogs.titles(), QStringList {"Advertencia"});
        EXPECT_EQ(pedp().state(), State::Browse);
        EXPECT_EQ(pedp().value("C_EST").toString(), estado) << "declining changes nothing";

        dialogs.answer(DialogButton::Yes);
        press(B::Edit);
        ASSERT_EQ(pedp().state(), State::Edit) << "the record stays open for the change";
        EXPECT_EQ(pedp().value("C_EST").toString(), "D");
        EXPECT_EQ(child<ui::DbText>(form, "x_est")->text(), "Devuelto para corrección");
        type(child<ui::DbEdit>(form, "x_obs"), QStringLiteral("domicilio corregido"));
        press(B::Post);
        ASSERT_EQ(pedp().state(), State::Browse);
        EXPECT_EQ(pedp().value("C_EST").toString(), "D");
        EXPECT_EQ(pedp().value("X_OBS").toString(), "DOMICILIO CORREGIDO");
        EXPECT_TRUE(pedp().isNull("F_CON"));
    }
}

TEST_F(PersonalRequestForm, TypingIntoAHeldRequestAsksTheSameQuestion)
{
    storeRequest({{"C_EST", "T"}});
    dialogs.answer(DialogButton::No);
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("m"));
    EXPECT_EQ(dialogs.texts(), QStringList {kModificar});
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_EQ(child<ui::DbEdit>(form, "x_nom2")->text(), "");
    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("maria"));
    EXPECT_EQ(dialogs.texts(), QStringList {kModificar}) << "asked once";
    EXPECT_EQ(pedp().state(), State::Edit);
    EXPECT_EQ(pedp().value("X_NOM2").toString(), "MARIA");
    EXPECT_EQ(pedp().value("C_EST").toString(), "D");
    press(B::Cancel);
    EXPECT_EQ(pedp().value("C_EST").toString(), "T") << "cancelling keeps the request as it was";
}

TEST_F(PersonalRequestForm, EnteredAndRejectedRequestsAreEditedFreelyASentOneNot)
{
    storeRequest();
    press(B::Edit);
    EXPECT_EQ(pedp().state(), State::Edit);
    press(B::Cancel);
    change({{"C_EST", "R"}});
    press(B::Edit);
    EXPECT_EQ(pedp().state(), State::Edit);
    press(B::Cancel);
    EXPECT_TRUE(dialogs.texts().isEmpty());

    change({{"C_EST", "E"}});
    press(B::Edit);
    EXPECT_EQ(dialogs.texts(), QStringList {"El pedido debe estar en Trámite, Contestado ó Rechazado"});
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_EQ(pedp().value("C_EST").toString(), "E");
}

TEST_F(PersonalRequestForm, InsertAndPostWaitWhileMailIsBeingReceived)
{
    storeRequest();
    const QString wait = QStringLiteral("Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes.");
    dm->RecepcionLibre = false;
    press(B::Insert);
    EXPECT_EQ(dialogs.texts(), QStringList({wait}));
    EXPECT_EQ(pedp().state(), State::Browse);
    press(B::Edit);
    ASSERT_EQ(pedp().state(), State::Edit);
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("maria"));
    press(B::Post);
    EXPECT_EQ(pedp().state(), State::Edit);
    dm->RecepcionLibre = true;
    press(B::Post);
    EXPECT_EQ(pedp().state(), State::Browse);
    EXPECT_EQ(pedp().value("X_NOM2").toString(), "MARIA");
}

TEST_F(PersonalRequestForm, ClearButtonsEmptyTheirField)
{
    storeRequest({{"C_EXPP", "RN"}, {"C_PROV_S", 5}, {"F_PAGO", QDate(2026, 3, 20)}});
    press(B::Edit);
    for (QToolButton *b : {child<QToolButton>(form, "sbBorraSexo"), child<QToolButton>(form, "sbBorraNac"), child<QToolButton>(form, "sbBorraTdoc"), child<QToolButton>(form, "sbBorraExpp"), child<QToolButton>(form, "sbBorraProv"),
                           child<QToolButton>(form, "sbBorraFpago")})
        click(b);
    for (const char *f : {"C_SEXO", "C_NAC", "C_TDOC", "C_EXPP", "C_PROV_S", "F_PAGO"})
        EXPECT_TRUE(pedp().isNull(f)) << f;
    EXPECT_EQ(child<ui::DbEdit>(form, "f_pago")->text(), "");
    press(B::Cancel);
    EXPECT_EQ(pedp().value("C_EXPP").toString(), "RN");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(PersonalRequestForm, TheSlipMustMatchTheProcedureOnlyWhileTheFormIsOnScreen)
{
    storeRequest();
    press(B::Edit);
    type(child<ui::DbEdit>(form, "dbTalon"), QStringLiteral("05123456789"));
    EXPECT_EQ(child<ui::DbEdit>(form, "dbTalon")->text(), "05123456789");
    press(B::Post);
    EXPECT_EQ(dialogs.lastText(), "ERROR: El tipo de trámite no corresponde con el tipo indicado en la Boleta");
    EXPECT_EQ(pedp().state(), State::Edit);
    press(B::Cancel);
    form->hide();
    change({{"C_PAGO", "05123456789"}});
    EXPECT_EQ(pedp().value("C_PAGO").toString(), "05123456789") << "saved from elsewhere";
}

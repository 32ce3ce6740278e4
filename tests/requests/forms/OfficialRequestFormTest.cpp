#include "RequestFormFixture.h"

#include "core/Clock.h"
#include "exchange/RecordingTransport.h"
#include "support/Controls.h"
#include "ui/DbCheckBox.h"
#include "ui/DbEdit.h"
#include "ui/DbLookupComboBox.h"
#include "ui/DbNavigator.h"
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

using OfficialRequestForm = test::RequestFormFixture;

// The widgets Tab visits from first, in order, up to (and without) the first repeated one.
QStringList tabOrderFrom(QWidget *first)
{
    QStringList names;
    QWidget *w = first;
    do {
        if (w->focusPolicy() & Qt::TabFocus)
            names << w->objectName();
        w = w->nextInFocusChain();
    } while (w != first && names.size() < 100);
    return names;
}

} // namespace

TEST_F(OfficialRequestForm, IsLaidOutAsTheOperatorsKnowIt)
{
    EXPECT_EQ(form->windowTitle(), "QAL - Pedido Oficial de Antecedentes");
    // Designed at 700 x 491; a larger system font widens it as far as its captions need.
    EXPECT_GE(form->width(), 700);
    EXPECT_GE(form->height(), 491);
    EXPECT_LE(form->minimumSizeHint().width(), 1000) << "fits a 1024-pixel screen";
    const int surnameWidth = child<ui::DbEdit>(form, "x_ape1")->width();
    form->resize(form->width() + 300, form->height() + 100);
    QCoreApplication::processEvents();
    EXPECT_GT(child<ui::DbEdit>(form, "x_ape1")->width(), surnameWidth) << "the controls grow with the window";
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox1")->title(), "Organismo Requirente");
    EXPECT_EQ(child<QGroupBox>(form, "GroupBox2")->title(), "Datos del Causante");
    EXPECT_EQ(child<QToolButton>(form, "btDelito")->toolTip(), "Selección del delito");
    EXPECT_EQ(child<QPushButton>(form, "btDig")->text(), "&Imp.Dactilares");
    EXPECT_EQ(child<QPushButton>(form, "btDig")->toolTip(), "Impresiones Dactilares");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_nac")->toolTip(), "Nacionalidad:");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_tdoc")->toolTip(), "Tipo de Documento:");
    EXPECT_EQ(child<QLabel>(form, "lbDelito")->text(), "Observ.:");
    EXPECT_EQ(form->PMenuHuella()->actions().size(), 2);
    EXPECT_FALSE(form->PMenuHuella()->isVisible());
    const QStringList tabs = tabOrderFrom(child<ui::DbLookupComboBox>(form, "c_org"));
    const QStringList expected {"c_org",  "x_sec",  "x_dom",  "x_loc",     "c_prov", "c_codpos", "c_tdel",
                                "btDelito", "x_delito", "x_email", "n_causa", "c_prior", "c_carped", "x_ape1", "x_ape2",
                                "x_oape", "x_nom1", "x_nom2", "x_nom3",    "c_sexo", "c_nac",    "f_nac",
                                "n_edad", "c_tdoc", "c_prefijo", "n_doc",  "c_sufijo", "c_provci"};
    ASSERT_GE(tabs.size(), expected.size());
    EXPECT_EQ(tabs.mid(0, expected.size()), expected);
    // the header line is shown, never typed into
    EXPECT_TRUE(child<ui::DbEdit>(form, "f_ped")->isReadOnly());
    EXPECT_EQ(child<ui::DbCheckBox>(form, "m_enviado")->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(child<ui::DbCheckBox>(form, "m_contestado")->focusPolicy(), Qt::NoFocus);
}

TEST_F(OfficialRequestForm, OptionalControlsFollowTheSettings)
{
    EXPECT_FALSE(child<ui::DbLookupComboBox>(form, "c_carped")->isVisible()) << "nominative requests are off in the demo";
    EXPECT_FALSE(child<ui::DbCheckBox>(form, "m_excart51")->isVisible());
    EXPECT_FALSE(child<QPushButton>(form, "btEstVelcor")->isVisible());
    form->hide();
    dm->mNomi = true;
    dm->GrabarParametro(QStringLiteral("m_es_suc"), QStringLiteral("S")); // read when the form is shown
    form->show();
    EXPECT_TRUE(child<ui::DbLookupComboBox>(form, "c_carped")->isVisible());
    EXPECT_TRUE(child<QLabel>(form, "lbCarped")->isVisible());
    EXPECT_TRUE(child<ui::DbCheckBox>(form, "m_excart51")->isVisible());
    EXPECT_TRUE(child<QPushButton>(form, "btEstVelcor")->isVisible());
    EXPECT_FALSE(child<QPushButton>(form, "btEstVelcor")->isEnabled()) << "the central office's state query is not built yet";
    EXPECT_TRUE(child<QPushButton>(form, "btOficio")->isEnabled());
}

TEST_F(OfficialRequestForm, ANewRequestIsRefusedUntilCompleteThenNumberedAndNormalised)
{
    press(B::Insert);
    ASSERT_EQ(ped().state(), State::Insert);
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_est")->currentText(), "Ingresado");
    EXPECT_EQ(child<ui::DbEdit>(form, "f_ped")->text(), Clock::today().toString("dd/MM/yyyy"));
    type(child<ui::DbEdit>(form, "x_ape1"), QStringLiteral("de  la  peña"));
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "DE  LA  PEÑA") << "typed in capitals";
    type(child<ui::DbEdit>(form, "x_nom1"), QStringLiteral("jose"));
    press(B::Post);
    EXPECT_EQ(dialogs.lastText(), "Debe completar el campo \"Fuero, Competencia y Nro\"");
    EXPECT_EQ(ped().state(), State::Insert) << "what was typed stays for the operator to complete";
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "DE  LA  PEÑA");

    choose(child<ui::DbLookupComboBox>(form, "c_org"), QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3"));
    EXPECT_EQ(child<ui::DbEdit>(form, "x_email")->text(), "fiscalia3@mpf.gob.ar") << "the agency's mail comes with it";
    EXPECT_EQ(child<ui::DbEdit>(form, "x_loc")->text(), "ROSARIO");
    choose(child<ui::DbLookupComboBox>(form, "c_nac"), QStringLiteral("ARGENTINA"));
    choose(child<ui::DbLookupComboBox>(form, "c_sexo"), QStringLiteral("FEMENINO"));
    choose(child<ui::DbLookupComboBox>(form, "c_prior"), QStringLiteral("5 Dias"));
    type(child<ui::DbEdit>(form, "c_tdel"), QStringLiteral("202"));
    type(child<ui::DbEdit>(form, "n_causa"), QStringLiteral("1234/26"));
    dialogs.clear();
    press(B::Post);
    EXPECT_TRUE(dialogs.texts().isEmpty()) << dialogs.texts().join(" | ").toStdString();
    ASSERT_EQ(ped().state(), State::Browse);
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "1");
    EXPECT_EQ(ped().value("X_APE1").toString(), "DE LA PEÑA");
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "DE LA PEÑA");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "x_tdel")->placeholderText(), "ROBO");
    EXPECT_EQ(ped().value("C_PRIOR").toInt(), 3);
    EXPECT_EQ(ped().value("X_EMAIL").toString(), "fiscalia3@mpf.gob.ar");

    // from the file, as another program would see it
    dbase::Table again(QStringLiteral("PED.DBF"));
    again.open();
    ASSERT_EQ(again.recordCount(), 1);
    EXPECT_EQ(again.value("N_CAUSA").toString(), "1234/26");
    EXPECT_EQ(again.value("C_SEXO").toString(), "F");
}

TEST_F(OfficialRequestForm, BrowsingShowsEachRequestWithItsLookedUpNames)
{
    storeRequest();
    storeRequest({{"X_APE1", "LOPEZ"}, {"C_SEXO", "F"}, {"C_ORG", 3}, {"M_ENVIADO", true}, {"C_EST", "T"},
                  {"N_EXPE", 7004312}});
    ped().first();
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "1");
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "GOMEZ");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_org")->currentText(), "JUZGADO NACIONAL EN LO CRIMINAL Y CORRECCIONAL Nº 1");
    EXPECT_FALSE(child<ui::DbNavigator>(form, "nvPed")->button(B::First)->isEnabled());
    press(B::Next);
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "2");
    EXPECT_EQ(child<ui::DbEdit>(form, "x_ape1")->text(), "LOPEZ");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_sexo")->currentText(), "FEMENINO");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_org")->currentText(), "JUZGADO FEDERAL DE CÓRDOBA Nº 2");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_est")->currentText(), "En trámite en QAL Central");
    EXPECT_TRUE(child<ui::DbCheckBox>(form, "m_enviado")->isChecked());
    EXPECT_EQ(child<ui::DbText>(form, "n_expe")->text(), "7004312");
    press(B::First);
    EXPECT_EQ(child<ui::DbText>(form, "c_ped")->text(), "1");
    EXPECT_FALSE(child<ui::DbCheckBox>(form, "m_enviado")->isChecked());
    EXPECT_EQ(child<ui::DbText>(form, "n_expe")->text(), "");
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(OfficialRequestForm, ASentRequestIsChangedOnlyAfterARejection)
{
    storeRequest({{"M_ENVIADO", true}, {"C_EST", "T"}});
    ped().first();
    EXPECT_TRUE(child<ui::DbCheckBox>(form, "m_enviado")->isChecked());
    press(B::Edit);
    EXPECT_EQ(dialogs.texts(), QStringList({"No se puede modificar un pedido que ya ha sido enviado"}));
    EXPECT_EQ(ped().state(), State::Browse);
    dialogs.clear();
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("x")); // typing is an edit too
    choose(child<ui::DbLookupComboBox>(form, "c_sexo"), QStringLiteral("FEMENINO"));
    EXPECT_EQ(dialogs.texts(), QStringList(2, "No se puede modificar un pedido que ya ha sido enviado"));
    EXPECT_EQ(ped().state(), State::Browse);
    EXPECT_EQ(child<ui::DbEdit>(form, "x_nom2")->text(), "");
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_sexo")->currentText(), "MASCULINO");

    dialogs.clear();
    ped().edit();
    ped().setValue("C_EST", "R");
    dm->grabacionAutorizada = true;
    ped().post();
    press(B::Edit);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(ped().state(), State::Edit);
    press(B::Cancel);
}

TEST_F(OfficialRequestForm, InsertAndPostWaitWhileMailIsBeingReceived)
{
    storeRequest();
    const QString wait = QStringLiteral("Advertencia: Se están recibiendo mensajes. \rVuelva a intentar en unos instantes.");
    dm->RecepcionLibre = false;
    press(B::Insert);
    EXPECT_EQ(dialogs.texts(), QStringList({wait}));
    EXPECT_EQ(ped().state(), State::Browse);

    press(B::Edit); // editing itself is allowed; only saving waits
    ASSERT_EQ(ped().state(), State::Edit);
    type(child<ui::DbEdit>(form, "x_nom2"), QStringLiteral("carlos"));
    press(B::Post);
    EXPECT_EQ(dialogs.texts(), QStringList({wait, wait}));
    EXPECT_EQ(ped().state(), State::Edit);

    dm->RecepcionLibre = true;
    dialogs.clear();
    press(B::Post);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    EXPECT_EQ(ped().value("X_NOM2").toString(), "CARLOS");
}

TEST_F(OfficialRequestForm, LeavingTheOffenceCodeEmptiesAnUnknownOne)
{
    storeRequest();
    press(B::Edit);
    type(child<ui::DbEdit>(form, "c_tdel"), QStringLiteral("999"));
    child<ui::DbEdit>(form, "x_delito")->setFocus(); // leaves the code
    QTest::keyClick(child<ui::DbEdit>(form, "c_tdel"), Qt::Key_Return);
    EXPECT_TRUE(ped().isNull("C_TDEL"));
    EXPECT_EQ(child<ui::DbEdit>(form, "c_tdel")->text(), "");
    EXPECT_TRUE(dialogs.texts().isEmpty()) << "silently";

    type(child<ui::DbEdit>(form, "c_tdel"), QStringLiteral("401"));
    QTest::keyClick(child<ui::DbEdit>(form, "c_tdel"), Qt::Key_Return);
    EXPECT_EQ(ped().value("C_TDEL").toInt(), 401);
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "x_tdel")->placeholderText(), "TENENCIA DE ESTUPEFACIENTES CON FINES DE COMERCIALIZACIÓN");
    QTest::keyClick(child<ui::DbEdit>(form, "c_tdel"), Qt::Key_Return); // the same code again changes nothing
    EXPECT_EQ(ped().value("C_TDEL").toInt(), 401);
    press(B::Cancel);
}

TEST_F(OfficialRequestForm, ClearButtonsEmptyTheirFieldOnlyWhileEditing)
{
    storeRequest({{"C_TDOC", "DU"}});
    QTest::mouseClick(child<QToolButton>(form, "sbBorraSexo"), Qt::LeftButton);
    EXPECT_EQ(dialogs.shown().size(), 1) << "the data layer refuses a change outside an edit";
    EXPECT_EQ(ped().value("C_SEXO").toString(), "M");

    dialogs.clear();
    press(B::Edit);
    for (QToolButton *b : {child<QToolButton>(form, "sbBorraSexo"), child<QToolButton>(form, "sbBorraNac"), child<QToolButton>(form, "sbBorraTdoc"), child<QToolButton>(form, "sbBorraProvCi"), child<QToolButton>(form, "sbBorraProv"),
                           child<QToolButton>(form, "sbBorraPrior")})
        QTest::mouseClick(b, Qt::LeftButton);
    for (const char *f : {"C_SEXO", "C_NAC", "C_TDOC", "C_PROVCI", "C_PROV", "C_PRIOR"})
        EXPECT_TRUE(ped().isNull(f)) << f;
    EXPECT_EQ(child<ui::DbLookupComboBox>(form, "c_sexo")->currentIndex(), -1);
    EXPECT_TRUE(dialogs.texts().isEmpty());
    press(B::Cancel);
    EXPECT_EQ(ped().value("C_SEXO").toString(), "M");
}

TEST_F(OfficialRequestForm, DeletingAsksOnceAndKeepsTheRequestOnNo)
{
    storeRequest();
    storeRequest({{"X_APE1", "LOPEZ"}});
    dialogs.answer(DialogButton::No);
    press(B::Delete);
    EXPECT_EQ(dialogs.texts(), QStringList({"¿Está seguro que desea eliminar este registro?"}));
    EXPECT_EQ(ped().recordCount(), 2);

    dialogs.clear();
    dialogs.answer(DialogButton::Yes);
    press(B::Delete);
    EXPECT_EQ(dialogs.texts().size(), 1) << "no second question from the navigator";
    EXPECT_EQ(ped().recordCount(), 1);
}

TEST_F(OfficialRequestForm, TheLetterNeedsItsData)
{
    press(B::Insert);
    QTest::mouseClick(child<QPushButton>(form, "btOficio"), Qt::LeftButton);
    EXPECT_EQ(dialogs.texts(), QStringList({"Debe ingresar todos los datos antes de visualizar el oficio"}));
    press(B::Cancel);
}


TEST_F(OfficialRequestForm, SendingMarksTheRequestSentOnScreen)
{
    auto recording = std::make_unique<test::RecordingTransport>();
    test::RecordingTransport *transport = recording.get();
    dm->SMime = std::move(recording);
    const QVariant n = storeRequest();
    QFile prints(ProgramFolder::resolve(QStringLiteral("z%1.12").arg(n.toLongLong())));
    ASSERT_TRUE(prints.open(QIODevice::WriteOnly));
    prints.write("PK-prints");
    prints.close();
    ASSERT_TRUE(child<QPushButton>(form, "btEnv")->isEnabled());
    EXPECT_FALSE(child<ui::DbCheckBox>(form, "m_enviado")->isChecked());

    // while the request is being edited it does not go
    press(B::Edit);
    QTest::mouseClick(child<QPushButton>(form, "btEnv"), Qt::LeftButton);
    EXPECT_EQ(dialogs.lastText(), "Antes de poder enviar el pedido\rdebe terminar de ingresar la información del mismo");
    press(B::Cancel);
    EXPECT_TRUE(transport->calls.isEmpty());

    dialogs.clear();
    QTest::mouseClick(child<QPushButton>(form, "btEnv"), Qt::LeftButton);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    ASSERT_EQ(transport->calls.size(), 1);
    EXPECT_EQ(transport->calls[0].adjuntos, (QStringList {"ped.dat", "huella.zip"}));
    EXPECT_EQ(ped().value("C_EST").toString(), "E");
    EXPECT_TRUE(child<ui::DbCheckBox>(form, "m_enviado")->isChecked());
}

#include "RequestFixture.h"

#include "data/RequestRules.h"

#include <QDir>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace qal;
using namespace qal::test;

namespace {

using State = dbase::Table::State;

class OfficialRequest : public RequestFixture
{
};

const QString kEdadNacimiento =
    QStringLiteral("El causante debe tener entre 16 y 99 años de edad.\rVerifique la fecha de nacimiento.");

} // namespace

// ------------------------------------------------------------------ shared conversions

TEST(RequestNames, NormalisationAndCharacterCheck)
{
    ScriptedDialogs dialogs;
    EXPECT_TRUE(NormalizarNombre(QVariant()).isNull());
    EXPECT_EQ(NormalizarNombre(QStringLiteral("  D'ALESSIO   PEÑA ")).toString(), QStringLiteral("D'ALESSIO PEÑA"));

    EXPECT_TRUE(NombreValido(QVariant()));
    EXPECT_TRUE(NombreValido(QStringLiteral("D'ALESSIO PEÑA")));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    for (const QString &bad : {QStringLiteral("Gomez"), QStringLiteral("GÓMEZ"), QStringLiteral("SAENZ-PEÑA"),
                               QStringLiteral("JUAN2"), QStringLiteral("MUÑOZ ñ")}) {
        dialogs.clear();
        EXPECT_FALSE(NombreValido(bad)) << bad.toStdString();
        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.lastText(),
                  bad + QStringLiteral(" contiene caracteres que no son válidos\rSólo se acepta A .. Z y el apostrofe"));
    }
}

TEST(RequestNames, EmptyFieldsAreReportedWithTheirLabel)
{
    ScriptedDialogs dialogs;
    EXPECT_FALSE(CampoVacio(QStringLiteral("X"), "Sexo"));
    EXPECT_FALSE(CampoVacio(0, "Sexo"));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_TRUE(CampoVacio(QVariant(), "Código Postal"));
    EXPECT_TRUE(CampoVacio(QString(""), "Sexo"));
    ASSERT_EQ(dialogs.shown().size(), 2);
    EXPECT_EQ(dialogs.shown()[0].text, QStringLiteral("Debe completar el campo \"Código Postal\""));
    EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");
    EXPECT_EQ(dialogs.shown()[0].buttons, QList<DialogButton> {DialogButton::Ok});
}

TEST(SecurityCode, TenUpperCaseHexCharactersEachTimeDifferent)
{
    const QRegularExpression hex(QStringLiteral("^[0-9A-F]{10}$"));
    QSet<QString> seen;
    for (int i = 0; i < 50; ++i) {
        const QString code = GenerarCodigoSeguridad(10);
        EXPECT_TRUE(hex.match(code).hasMatch()) << code.toStdString();
        seen.insert(code);
    }
    EXPECT_GT(seen.size(), 45);
    EXPECT_EQ(GenerarCodigoSeguridad(32).size(), 32);
    EXPECT_EQ(GenerarCodigoSeguridad(40).size(), 32);
    EXPECT_EQ(GenerarCodigoSeguridad(0), "");
}

TEST(RequestFileNames, PrefixNumberPointOffice)
{
    EXPECT_EQ(ArchivoPedido("h", 15, 3), "h15.3");
    EXPECT_EQ(ArchivoPedido("zp", qlonglong(1234), 12.0), "zp1234.12");
    EXPECT_EQ(ArchivoPedido("h", QVariant(), 3), "");
    EXPECT_EQ(ArchivoPedido("h", 15, QVariant()), "");
}

// ------------------------------------------------------------------ new records and edits

TEST_F(OfficialRequest, ANewRequestGetsItsDefaults)
{
    dbase::Table &t = dm->ped;
    t.append();
    EXPECT_EQ(t.value("M_ENVIADO"), QVariant(false));
    EXPECT_EQ(t.value("M_CONTESTA"), QVariant(false));
    EXPECT_EQ(t.value("F_PED").toDate(), today());
    EXPECT_EQ(t.value("C_REG").toLongLong(), 12);
    EXPECT_EQ(t.value("C_EST").toString(), "I");
    EXPECT_TRUE(t.isNull("F_NAC"));
    EXPECT_EQ(t.value("C_CARPED").toString(), "C");
    EXPECT_EQ(t.value("C_CLASDER").toString(), "_____");
    EXPECT_EQ(t.value("C_CLASIZQ").toString(), "_____");
    for (const char *mark : {"M_EXCART51", "M_ESPECIAL", "M_TOMA_KTV", "M_MENOR"})
        EXPECT_EQ(t.value(mark), QVariant(false)) << mark;
    t.cancel();
}

TEST_F(OfficialRequest, InsertAndEditClearTheWorkingFilesAndEditFillsTheClassification)
{
    const qlonglong n = savedOfficial();
    {
        dbase::Table raw("PED.DBF");
        raw.open();
        raw.setIndexField("C_PED");
        ASSERT_TRUE(raw.findKey(n));
        raw.edit();
        raw.clearValue("C_CLASDER");
        raw.post();
    }
    dm->ped.refresh();
    for (const char *f : {"edit.tif", "edit.zip", "docu.tif"})
        writeFile(f, "stale");
    dm->ped.edit();
    EXPECT_TRUE(workingFilesGone());
    EXPECT_EQ(dm->ped.value("C_CLASDER").toString(), "_____");
    dm->ped.cancel();

    writeFile("EDIT.TIF", "stale"); // any case
    dm->pedp.append();
    EXPECT_TRUE(workingFilesGone());
    dm->pedp.cancel();
}

TEST_F(OfficialRequest, ChoosingTheAgencyCopiesItsAddress)
{
    dbase::Table &t = dm->ped;
    t.append();
    t.setValue("C_ORG", 3);
    EXPECT_EQ(t.value("X_DOM").toString(), QStringLiteral("AV. CONCEPCIÓN ARENAL 690"));
    EXPECT_EQ(t.value("X_LOC").toString(), QStringLiteral("CÓRDOBA"));
    EXPECT_EQ(t.value("C_PROV").toLongLong(), 6);
    EXPECT_EQ(t.value("C_CODPOS").toLongLong(), 5000);
    t.setValue("C_ORG", 99); // no such agency: the address stays
    EXPECT_EQ(t.value("C_CODPOS").toLongLong(), 5000);
    t.cancel();
}

// ------------------------------------------------------------------ save

TEST_F(OfficialRequest, AFirstSaveNumbersNormalisesAndStaysOnTheRecord)
{
    newOfficial();
    dm->ped.setValue("X_APE1", "D'ALESSIO  PEÑA ");
    dm->ped.setValue("X_NOMMADR3", " ROSA ");
    dm->ped.clearValue("C_CARPED");
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dm->ped.state(), State::Browse);
    EXPECT_EQ(dm->ped.value("C_PED").toLongLong(), 1);
    EXPECT_EQ(dm->ped.value("X_APE1").toString(), QStringLiteral("D'ALESSIO PEÑA"));
    EXPECT_EQ(dm->ped.value("X_NOMMADR3").toString(), "ROSA");
    EXPECT_EQ(dm->ped.value("C_VERSION").toString(), "3.1.7");
    EXPECT_EQ(dm->ped.value("C_CARPED").toString(), "C");
    EXPECT_FALSE(dm->grabacionAutorizada);
    EXPECT_EQ(savedOfficial(), 2);
    EXPECT_EQ(dm->ped.value("C_PED").toLongLong(), 2);
}

TEST_F(OfficialRequest, AfterASaveTheCursorIsOnTheSavedRecordWhateverTheOrder)
{
    savedOfficial();
    dm->ped.edit();
    dm->ped.setValue("X_APE1", "ZAPATA");
    post(dm->ped);
    savedOfficial();
    dm->ped.setIndexField("X_APE1"); // as a search by name leaves it
    ASSERT_TRUE(dm->ped.locate("C_PED", 2));
    dm->ped.edit();
    dm->ped.setValue("X_NOM1", "PEDRO");
    post(dm->ped);
    EXPECT_EQ(dm->ped.indexField(), "X_APE1");
    EXPECT_EQ(dm->ped.value("C_PED").toLongLong(), 2);
    EXPECT_EQ(dm->ped.value("X_NOM1").toString(), "PEDRO");
}

TEST_F(OfficialRequest, ASaveWithoutTheOperatorsPostWarnsAndKeepsEditing)
{
    newOfficial();
    EXPECT_THROW(dm->ped.post(), dbase::Abort);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Se han modificado los datos de este registro.\rPresione en el "
                                                 "navegador el tilde para grabar\ro la equis para cancelar."));
    EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");
    EXPECT_EQ(dialogs.shown()[0].buttons, QList<DialogButton> {DialogButton::Ok});
    EXPECT_EQ(dm->ped.state(), State::Insert);
    EXPECT_EQ(dm->ped.value("X_APE1").toString(), "GOMEZ");
    EXPECT_TRUE(dm->ped.isNull("C_PED"));
    post(dm->ped);
    EXPECT_EQ(dm->ped.value("C_PED").toLongLong(), 1);
}

TEST_F(OfficialRequest, RequiredFieldsAreCheckedInOrderAndOnlyTheFirstIsReported)
{
    const QList<std::pair<const char *, QString>> required {
        {"C_ORG", "Fuero, Competencia y Nro"}, {"X_DOM", "Calle y Nro"}, {"X_LOC", "Localidad"},
        {"C_PROV", "Provincia"},               {"C_NAC", "Nacionalidad"}, {"C_SEXO", "Sexo"},
        {"C_CODPOS", "Código Postal"},         {"F_PED", "Fecha"},        {"X_APE1", "Apellido"},
        {"X_NOM1", "Nombre"},                  {"C_PRIOR", "Prioridad"},  {"C_TDEL", "Delito"}};
    newOfficial();
    // also a name the character check refuses: it comes later, so it never shows
    dm->ped.setValue("X_NOM2", "jose");
    for (qsizetype i = required.size() - 1; i >= 0; --i) {
        dm->ped.clearValue(required[i].first);
        dialogs.clear();
        EXPECT_THROW(post(dm->ped), dbase::Abort);
        ASSERT_EQ(dialogs.shown().size(), 1) << required[i].first;
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("Debe completar el campo \"%1\"").arg(required[i].second));
        EXPECT_EQ(dialogs.shown()[0].title, "Advertencia");
    }
    EXPECT_EQ(dm->ped.state(), State::Insert);
    dm->ped.cancel();
}

TEST_F(OfficialRequest, TheOffenceIsRequiredOnlyOfANewRequest)
{
    savedOfficial();
    dm->ped.edit();
    dm->ped.clearValue("C_TDEL");
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_TRUE(dm->ped.isNull("C_TDEL"));
}

TEST_F(OfficialRequest, AgeIsCountedInYearsOf365Days)
{
    const auto attempt = [&](const QDate &birth, bool menor, const QVariant &edad = QVariant()) {
        newOfficial();
        dm->ped.setValue("F_NAC", birth);
        dm->ped.setValue("M_MENOR", menor);
        dm->ped.setValue("N_EDAD", edad);
        dialogs.clear();
        try {
            post(dm->ped);
            return QStringLiteral("ok");
        } catch (const dbase::Abort &) {
            dm->ped.cancel();
            return dialogs.lastText();
        }
    };
    const QDate sixteen = today().addDays(-16 * 365);
    EXPECT_EQ(attempt(sixteen, false), "ok");
    EXPECT_EQ(attempt(sixteen.addDays(1), false), kEdadNacimiento);
    EXPECT_EQ(attempt(sixteen.addDays(1), true), "ok");
    EXPECT_EQ(attempt(today().addDays(-100 * 365), false), kEdadNacimiento);
    EXPECT_EQ(attempt(today().addDays(-100 * 365 + 1), false), "ok");
    EXPECT_EQ(attempt(QDate(1899, 12, 31), true), "La Fecha de Nacimiento debe ser mayor a 1900");
    EXPECT_EQ(attempt(today().addDays(3), false), kEdadNacimiento); // not yet born

    const QString presunta =
        QStringLiteral("El causante debe tener entre 16 y 99 años de edad.\rVerifique la edad presunta.");
    EXPECT_EQ(attempt(QDate(), false, 15), presunta);
    EXPECT_EQ(attempt(QDate(), true, 15), "ok");
    EXPECT_EQ(attempt(QDate(), false, 16), "ok");
    EXPECT_EQ(attempt(QDate(), true, 100), presunta);
    // the birth date is checked first
    EXPECT_EQ(attempt(sixteen.addDays(1), false, 100), kEdadNacimiento);
}

TEST_F(OfficialRequest, TheThirteenNamesAreNormalisedThenCheckedInOrder)
{
    const QStringList fields {"X_APE1",     "X_APE2",     "X_NOM1",     "X_NOM2",     "X_NOM3",
                              "X_NOMPADR1", "X_NOMPADR2", "X_NOMPADR3", "X_APEMADR1", "X_APEMADR2",
                              "X_NOMMADR1", "X_NOMMADR2", "X_NOMMADR3"};
    EXPECT_EQ(camposNombre(), fields);
    newOfficial();
    for (const QString &f : fields)
        dm->ped.setValue(f, QStringLiteral(" BUENO  SI "));
    // going backwards, the first bad field is always the one reported
    for (qsizetype i = fields.size() - 1; i >= 0; --i) {
        dm->ped.setValue(fields[i], QStringLiteral("malo ") + QString::number(i));
        dialogs.clear();
        EXPECT_THROW(post(dm->ped), dbase::Abort);
        ASSERT_EQ(dialogs.shown().size(), 1);
        EXPECT_EQ(dialogs.lastText(), QStringLiteral("malo %1 contiene caracteres que no son válidos\r"
                                                     "Sólo se acepta A .. Z y el apostrofe")
                                          .arg(i));
        // normalised before the check, and kept so in the record being edited
        if (i > 0) {
            EXPECT_EQ(dm->ped.value(fields[i - 1]).toString(), "BUENO SI");
        }
    }
    dm->ped.cancel();
}

// ------------------------------------------------------------------ images

TEST_F(OfficialRequest, TheNextSaveMovesTheWorkingFilesIntoTheRequestsFiles)
{
    const qlonglong n = savedOfficial();
    savedOfficial(); // another request, whose files must not be touched
    writeFile("h2.12", "card of 2");
    ASSERT_TRUE(dm->ped.findKey(n));
    dm->ped.edit();
    writeCard("edit.tif");
    writeFile("edit.zip", "zipped prints");
    writeDocument("docu.tif");
    const QByteArray card = bytes("edit.tif");
    const QByteArray document = bytes("docu.tif");
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(bytes("h1.12"), card);
    EXPECT_EQ(bytes("z1.12"), "zipped prints");
    EXPECT_EQ(bytes("d1.12"), document);
    EXPECT_EQ(bytes("h2.12"), "card of 2");
    EXPECT_TRUE(workingFilesGone());

    // a later scan replaces the stored one
    dm->ped.edit();
    writeFile("edit.zip", "new prints");
    post(dm->ped);
    EXPECT_EQ(bytes("z1.12"), "new prints");
    EXPECT_EQ(bytes("h1.12"), card);
}

TEST_F(OfficialRequest, ANominativeRequestStoresItsDocumentsButNoCard)
{
    savedOfficial();
    dm->ped.edit();
    dm->ped.setValue("C_CARPED", "N");
    writeCard("edit.tif", 100); // not even checked
    writeFile("edit.zip", "prints");
    writeDocument("docu.tif");
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_FALSE(exists("h1.12"));
    EXPECT_FALSE(exists("z1.12"));
    EXPECT_TRUE(exists("d1.12"));
    EXPECT_TRUE(workingFilesGone());
}

TEST_F(OfficialRequest, ARefusedCardStopsTheSaveAndStoresNothing)
{
    savedOfficial();
    dm->ped.edit();
    writeCard("edit.tif", 1199);
    writeDocument("docu.tif");
    EXPECT_THROW(post(dm->ped), dbase::Abort);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.lastText(), "La huella digitalizada debe tener por lo menos 15 cm. de ancho");
    EXPECT_EQ(dialogs.shown()[0].title, "Error");
    EXPECT_EQ(dm->ped.state(), State::Edit);
    EXPECT_FALSE(exists("h1.12"));
    EXPECT_FALSE(exists("d1.12"));
    EXPECT_TRUE(exists("edit.tif"));
    dm->ped.cancel();
}

namespace {

// An old request with its card in the blob.
void withCardBlob(Tdm &dm, const QByteArray &card)
{
    dbase::Table raw("PED.DBF");
    raw.open();
    raw.setIndexField("C_PED");
    ASSERT_TRUE(raw.findKey(1));
    raw.edit();
    raw.setValue("B_HUELLA", card);
    raw.post();
    raw.close();
    dm.ped.refresh();
}

} // namespace

TEST_F(OfficialRequest, TheFirstSaveMovesAnOldCardBlobToTheCardFile)
{
    savedOfficial();
    writeCard("card.tmp");
    const QByteArray card = bytes("card.tmp");
    withCardBlob(*dm, card);
    dm->ped.edit();
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(bytes("h1.12"), card);
    EXPECT_TRUE(dm->ped.isNull("B_HUELLA"));
    EXPECT_TRUE(workingFilesGone());
}

TEST_F(OfficialRequest, ACardBlobIsKeptWhenTheCardFileCannotBeWritten)
{
    savedOfficial();
    writeCard("card.tmp");
    const QByteArray card = bytes("card.tmp");
    withCardBlob(*dm, card);
    // the card file's name is taken by a folder: the copy fails
    ASSERT_TRUE(QDir(dir.path()).mkdir("h1.12"));
    dm->ped.edit();
    post(dm->ped);
    EXPECT_TRUE(dialogs.shown().isEmpty()) << dialogs.texts().join('|').toStdString();
    EXPECT_EQ(dm->ped.value("B_HUELLA").toByteArray(), card);
    EXPECT_TRUE(workingFilesGone());

    // once the file can be written, the next save moves it
    ASSERT_TRUE(QDir(dir.path()).rmdir("h1.12"));
    dm->ped.edit();
    post(dm->ped);
    EXPECT_EQ(bytes("h1.12"), card);
    EXPECT_TRUE(dm->ped.isNull("B_HUELLA"));
}

TEST_F(OfficialRequest, DedosTifKeepsTheCardBlobInTheRecord)
{
    savedOfficial();
    withCardBlob(*dm, "old card");
    writeFile("dedos.tif", "x");
    dm->ped.edit();
    post(dm->ped);
    EXPECT_FALSE(exists("h1.12"));
    EXPECT_EQ(dm->ped.value("B_HUELLA").toByteArray(), "old card");
}

// ------------------------------------------------------------------ delete

TEST_F(OfficialRequest, DeletingAsksAndRemovesExactlyTheRequestsCardPrintsAndAnswer)
{
    savedOfficial();
    savedOfficial();
    for (const char *f : {"h1.12", "z1.12", "c1.12", "d1.12", "h2.12", "z2.12", "c2.12", "hp1.12", "h1.13"})
        writeFile(f, "x");
    ASSERT_TRUE(dm->ped.findKey(1));

    dialogs.answer(DialogButton::No);
    EXPECT_THROW(dm->ped.deleteRecord(), dbase::Abort);
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Está seguro que desea eliminar este registro?"));
    EXPECT_EQ(dialogs.shown()[0].title, "Confirmar");
    EXPECT_EQ(dialogs.shown()[0].buttons, (QList<DialogButton> {DialogButton::Yes, DialogButton::No}));
    EXPECT_TRUE(exists("h1.12"));
    EXPECT_EQ(dm->ped.recordCount(), 2);

    dialogs.answer(DialogButton::Yes);
    dm->ped.deleteRecord();
    EXPECT_EQ(dm->ped.recordCount(), 1);
    EXPECT_FALSE(dm->ped.findKey(1));
    EXPECT_FALSE(exists("h1.12"));
    EXPECT_FALSE(exists("z1.12"));
    EXPECT_FALSE(exists("c1.12"));
    for (const char *f : {"d1.12", "h2.12", "z2.12", "c2.12", "hp1.12", "h1.13"})
        EXPECT_TRUE(exists(f)) << f;
}

// ------------------------------------------------------------------ answer, agencies, aliases

TEST_F(OfficialRequest, AnAnswerCanBePrintedFromTheBlobOrTheAnswerFile)
{
    savedOfficial();
    EXPECT_FALSE(dm->PuedeImprimirContestacion());
    EXPECT_EQ(dialogs.lastText(), "El pedido no ha sido contestado");
    EXPECT_EQ(dialogs.shown().back().title, "Error");
    dm->ped.edit();
    dm->ped.setValue("M_CONTESTA", true);
    post(dm->ped);
    dialogs.clear();
    EXPECT_FALSE(dm->PuedeImprimirContestacion());
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Este pedido no posee contestación"));
    writeFile("C1.12", "answer"); // any case
    EXPECT_TRUE(dm->PuedeImprimirContestacion());
    QFile::remove(ProgramFolder::resolve("C1.12"));
    dm->ped.edit();
    dm->ped.setValue("B_RESP", QByteArray("answer"));
    post(dm->ped);
    dialogs.clear();
    EXPECT_TRUE(dm->PuedeImprimirContestacion());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(OfficialRequest, AgenciesAreCheckedNumberedAndDeletedWithConfirmation)
{
    dbase::Table &t = dm->org;
    t.append();
    t.setValue("X_ORG", "JUZGADO DE PAZ");
    EXPECT_THROW(t.post(), dbase::Abort);
    EXPECT_TRUE(dialogs.lastText().startsWith("Se han modificado"));
    dialogs.clear();
    EXPECT_THROW(post(t), dbase::Abort);
    EXPECT_EQ(dialogs.texts(), QStringList {QStringLiteral("Debe completar el campo \"Domicilio\"")});
    t.setValue("X_DOM", "SARMIENTO 1");
    t.setValue("X_LOC", "TANDIL");
    t.setValue("C_PROV", 1);
    dialogs.clear();
    EXPECT_THROW(post(t), dbase::Abort);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Debe completar el campo \"Código Postal\""));
    t.setValue("C_CODPOS", 7000);
    post(t);
    EXPECT_EQ(t.value("C_ORG").toLongLong(), 4);
    EXPECT_EQ(t.value("X_ORG").toString(), "JUZGADO DE PAZ");

    dialogs.answer(DialogButton::No);
    EXPECT_THROW(t.deleteRecord(), dbase::Abort);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Está seguro que desea eliminar este registro?"));
    dialogs.answer(DialogButton::Yes);
    t.deleteRecord();
    EXPECT_EQ(t.recordCount(), 3);
}

TEST_F(OfficialRequest, AliasesAreCheckedAndTakeTheOfficeAndTheAgencysProvince)
{
    newOfficial();
    dm->sup.append();
    EXPECT_EQ(dialogs.texts(), QStringList {"Debe grabar el pedido antes de ingresar Supuestos"});
    EXPECT_EQ(dm->sup.state(), State::Insert); // the insert goes on
    dm->sup.cancel();
    post(dm->ped); // agency 2, province 21

    dialogs.clear();
    dbase::Table &s = dm->sup;
    s.append();
    EXPECT_TRUE(dialogs.shown().isEmpty());
    s.setValue("C_PED", 1);
    EXPECT_THROW(s.post(), dbase::Abort);
    EXPECT_EQ(dialogs.lastText(), "Debe completar el primer apellido");
    s.setValue("X_APE1", "ALIAS  DOS");
    EXPECT_THROW(s.post(), dbase::Abort);
    EXPECT_EQ(dialogs.lastText(), "Debe completar el primer nombre");
    s.setValue("X_NOM1", "Tito");
    EXPECT_THROW(s.post(), dbase::Abort);
    EXPECT_TRUE(dialogs.lastText().startsWith("Tito contiene caracteres"));
    s.setValue("X_NOM1", "TITO");
    s.post();
    s.first();
    EXPECT_EQ(s.value("X_APE1").toString(), "ALIAS DOS");
    EXPECT_EQ(s.value("C_REG").toLongLong(), 12);
    EXPECT_EQ(s.value("C_PROV").toLongLong(), 21);
}

// ------------------------------------------------------------------ offences, state

TEST_F(OfficialRequest, TheOffenceFilterMatchesAnyPartIgnoringCase)
{
    EXPECT_EQ(dm->tdel.recordCount(), 12);
    dm->FiltrarDelitos("ROBO");
    EXPECT_EQ(dm->filtroDelito, "robo");
    EXPECT_EQ(dm->tdel.recordCount(), 2);
    dm->FiltrarDelitos(QStringLiteral("falsificación"));
    EXPECT_EQ(dm->tdel.recordCount(), 1);
    EXPECT_EQ(dm->tdel.value("C_TDEL").toLongLong(), 301);
    dm->FiltrarDelitos("");
    EXPECT_EQ(dm->tdel.recordCount(), 12);
}

TEST_F(OfficialRequest, TheOffenceSearchIsEnabledWhileTheRequestIsEdited)
{
    QSignalSpy spy(dm.get(), &Tdm::busquedaDelitoHabilitadaChanged);
    EXPECT_FALSE(dm->busquedaDelitoHabilitada);
    newOfficial();
    EXPECT_TRUE(dm->busquedaDelitoHabilitada);
    post(dm->ped);
    EXPECT_FALSE(dm->busquedaDelitoHabilitada);
    ASSERT_EQ(spy.size(), 2); // the re-read after the save does not flicker it
    EXPECT_EQ(spy[0][0].toBool(), true);
    EXPECT_EQ(spy[1][0].toBool(), false);
    dm->ped.edit();
    EXPECT_TRUE(dm->busquedaDelitoHabilitada);
    dm->ped.cancel();
    EXPECT_FALSE(dm->busquedaDelitoHabilitada);
}

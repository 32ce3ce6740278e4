#include "reports/DatosDocumentos.h"
#include "reports/DemoDocuments.h"
#include "reports/Documentos.h"
#include "reports/Heading.h"
#include "reports/TrpFicha.h"

#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace qal::reports {
namespace {

// The demo office: official requests 1 (one alias), 2 and 3; personal requests 1
// (answered) and 2 (prints rejected).
class DocumentData : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_before = ProgramFolder::path();
        Clock::setFixed(QDateTime(QDate(2026, 3, 31), QTime(12, 0)));
        createProgramFolder(dir.path());
        addSampleRequests(dir.path());
        addSampleDocuments(dir.path());
        ProgramFolder::setPath(dir.path());
        dm = std::make_unique<Tdm>();
        dm->dmCreate();
        ASSERT_TRUE(dm->InicioCompleto);
    }
    void TearDown() override
    {
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
        dm.reset();
        ProgramFolder::setPath(m_before);
        Clock::reset();
    }
    void goTo(Documento d, int cPed) { ASSERT_TRUE(IrAPedido(*dm, d, cPed)) << cPed; }
    void addAlias(int cPed, const char *ape1, const char *ape2, const char *nom1, const char *nom2)
    {
        dbase::Table &sup = dm->sup;
        sup.append();
        sup.setValue("C_PED", cPed);
        sup.setValue("C_REG", 12);
        sup.setValue("X_APE1", ape1);
        sup.setValue("X_APE2", ape2);
        sup.setValue("X_NOM1", nom1);
        sup.setValue("X_NOM2", nom2);
        sup.setValue("C_PROV", 5);
        dm->grabacionAutorizada = true;
        sup.post();
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    std::unique_ptr<Tdm> dm;
    QString m_before;
};

TEST_F(DocumentData, LetterWithoutAliasesPrintsEmptyAliasLabels)
{
    goTo(Documento::Oficio, 2);
    const DatosOficio d = DatosOficioDe(*dm);
    EXPECT_EQ(d.apellidos, "FERNANDEZ");
    EXPECT_EQ(d.nombres, "MARIA");
    EXPECT_EQ(d.apellidosSupuestos, "");
    EXPECT_EQ(d.nombresSupuestos, "");
    EXPECT_EQ(d.organismo, "FISCALÍA DE INSTRUCCIÓN Nº 3");
    EXPECT_EQ(d.delito, "ROBO");
    EXPECT_EQ(d.sexo, "FEMENINO");
    EXPECT_FALSE(d.mostrarExpedidoPor);
}

TEST_F(DocumentData, LetterWithTwoAliasesJoinsThemWithTheirSeparator)
{
    addAlias(1, "GOMEZ", "PERALTA", "JUAN", "CARLOS"); // a second alias beside the demo's GOMES JUAN
    addAlias(3, "OTRO", "", "PEDRO", ""); // another request's: not this letter's
    goTo(Documento::Oficio, 1);
    const DatosOficio d = DatosOficioDe(*dm);
    EXPECT_EQ(d.apellidos, "GOMEZ PEREYRA");
    EXPECT_EQ(d.nombres, "JUAN CARLOS");
    EXPECT_EQ(d.apellidosSupuestos, " o  GOMES o  GOMEZ PERALTA");
    EXPECT_EQ(d.nombresSupuestos, " o  JUAN o  JUAN CARLOS");
    // the agency's own province, not the request's
    EXPECT_EQ(d.provincia, "CIUDAD AUTÓNOMA DE BUENOS AIRES");
    EXPECT_EQ(d.causa, "4512/26");
    EXPECT_EQ(d.fechaNacimiento, "17/05/1980");
    EXPECT_EQ(d.documento, "28123456");
    EXPECT_TRUE(d.mostrarExpedidoPor);
    EXPECT_EQ(d.lugarYFecha, "CIUDAD AUTÓNOMA DE BUENOS AIRES, 22 de marzo de 2026");
}

TEST_F(DocumentData, LetterOfARequestWithoutNumberComputesOnlyThePlaceAndDate)
{
    dbase::Table &ped = dm->ped;
    ped.append();
    ped.setValue("X_LOC", "ROSARIO");
    ped.setValue("F_PED", QDate(2026, 1, 5));
    ped.setValue("X_APE1", "GOMEZ");
    ped.setValue("X_NOM1", "JUAN");
    const DatosOficio d = DatosOficioDe(*dm);
    ped.cancel();
    EXPECT_EQ(d.lugarYFecha, "ROSARIO, 05 de enero de 2026");
    EXPECT_EQ(d.apellidos, "");
    EXPECT_EQ(d.nombres, "");
    EXPECT_EQ(d.apellidosSupuestos, "");
}

TEST_F(DocumentData, ReceiptCarriesRequestAndRegionInItsBarCode)
{
    goTo(Documento::Comprobante, 1);
    QString error;
    std::unique_ptr<Report> r = CrearDocumento(*dm, Documento::Comprobante, &error);
    ASSERT_TRUE(r) << error.toStdString();
    const auto &receipt = dynamic_cast<const TrpCompr &>(*r);
    EXPECT_EQ(receipt.datos().textoBarras, "1/12");
    EXPECT_EQ(receipt.barras().text, "1/12");
    EXPECT_EQ(receipt.datos().etiquetaBarras, "Regional:12 - Pedido:1");
    EXPECT_EQ(receipt.datos().nombres, "ANA LUCIA");
    EXPECT_EQ(receipt.datos().prefijo, "F");
    EXPECT_EQ(receipt.datos().expedidoPor, "REGISTRO NACIONAL DE LAS PERSONAS");
    EXPECT_TRUE(receipt.datos().mostrarExpedidoPor);
    EXPECT_EQ(receipt.datos().comprobantePago, "03512300001");
}

TEST_F(DocumentData, ReceiptWithoutIssuerPrefixOrSuffixLeavesThemOut)
{
    goTo(Documento::Comprobante, 2);
    const DatosComprobante d = DatosComprobanteDe(*dm);
    EXPECT_FALSE(d.mostrarExpedidoPor);
    EXPECT_EQ(d.prefijo, "");
    EXPECT_EQ(d.sufijo, "");
    EXPECT_EQ(d.numeroDocumento, "30111224");
}

TEST_F(DocumentData, AnswerSheetLooksUpTheResult)
{
    goTo(Documento::Contestacion, 1);
    DatosContestacion d = DatosContestacionDe(*dm);
    EXPECT_EQ(d.resultado, "No registra antecedentes");
    EXPECT_EQ(d.numeroCertificada, "CU123456789AR");
    EXPECT_EQ(d.numeroExpediente, "7100221");
    EXPECT_EQ(d.fecha, QDate(2026, 3, 31));
    goTo(Documento::Contestacion, 2); // no C_RES
    EXPECT_EQ(DatosContestacionDe(*dm).resultado, "");
}

TEST_F(DocumentData, CardOfARequestWithoutImageNamesTheMissingFile)
{
    goTo(Documento::FichaOficial, 2);
    QString error;
    EXPECT_FALSE(CrearDocumento(*dm, Documento::FichaOficial, &error));
    EXPECT_EQ(error, "Imágen: \"h2.12\" inexistente.");
    goTo(Documento::FichaOficial, 1);
    std::unique_ptr<Report> card = CrearDocumento(*dm, Documento::FichaOficial, &error);
    ASSERT_TRUE(card) << error.toStdString();
    EXPECT_EQ(dynamic_cast<const TrpFicha &>(*card).caption(), "Ped:1 Reg:12");
    EXPECT_FALSE(dynamic_cast<const TrpFicha &>(*card).image().isNull());
}

QStringList marked(const QString &flags)
{
    QStringList out;
    for (const auto *list : {&ItemsImpresiones(), &ItemsFichas()})
        for (const ItemRechazo &item : *list)
            if (MarcadoEnRechazo(flags, item.position))
                out << item.texto;
    return out;
}

TEST(RejectionSheet, FlagsMarkTheirItemsOnly)
{
    EXPECT_EQ(marked("0100001"), QStringList({"2. Con demasiada tinta", "7. Que no corresponden al causante"}));
    EXPECT_EQ(marked(""), QStringList());
    // the items without a flag stay unmarked whatever the string holds
    EXPECT_EQ(marked("11111111111111111"), QStringList(
        {"1. Con entintado desparejo", "2. Con demasiada tinta", "3. Con tinta inadecuada",
         "4. Sin previo lavado de manos", "5. En forma no rodada (faltan datos)", "6. En forma superpuesta",
         "7. Que no corresponden al causante", "2. Con impresiones repetidas", "3 Con mano repetida",
         "4. Incompleta (faltan impresiones)", "5. Con dedos lesionados", "6. Sin los datos del causante",
         "7. A nombre de otra persona", "8. Destruida"}));
    EXPECT_EQ(marked("00000000000001"), QStringList({"8. Destruida"}));
}

TEST(DocumentTexts, DatesAndFieldsAsPrinted)
{
    EXPECT_EQ(FechaLarga(QDate(2026, 12, 9)), "09 de diciembre de 2026");
    EXPECT_EQ(FechaLarga(QDate()), "");
    EXPECT_EQ(TextoCampo(QVariant(12.0)), "12");
    EXPECT_EQ(TextoCampo(QVariant(QStringLiteral("ABC  "))), "ABC");
    EXPECT_EQ(TextoCampo(QVariant()), "");
    EXPECT_EQ(Unir({"JUAN", "", ""}), "JUAN");
}

} // namespace
} // namespace qal::reports

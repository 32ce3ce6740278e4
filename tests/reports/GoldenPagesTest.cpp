// Every document drawn from fixed data, read back from its PDF and compared with the
// pages kept in tests/reports/golden. After a deliberate change of a layout, regenerate
// them with
//     QAL_UPDATE_GOLDEN=1 build/test/bin/test_reports_golden
// and look at the new images before committing them.
#include "PrintedPages.h"

#include "reports/PaginasImagen.h"
#include "reports/ReportFonts.h"
#include "reports/TrpCompr.h"
#include "reports/TrpContesPriv.h"
#include "reports/TrpFicha.h"
#include "reports/TrpOficio.h"
#include "reports/TrpRechPriv.h"

#include "imaging/TiffFile.h"
#include "support/QtPrinters.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QPainter>

#include <gtest/gtest.h>

namespace qal::reports {
namespace {

constexpr int kDpi = 75;
constexpr int kGreyTolerance = 64;
constexpr double kMaxDifferingShare = 0.0001; // of the page's pixels

QString goldenPath(const QString &name)
{
    return QStringLiteral(QAL_SOURCE_DIR "/tests/reports/golden/") + name + QStringLiteral(".png");
}

class GoldenPages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString missing;
        ASSERT_TRUE(LoadReportFonts(&missing)) << missing.toStdString();
    }

    QString pdf(const Report &report, const QString &name)
    {
        const QString path = dir.file(name + QStringLiteral(".pdf"));
        QString error;
        EXPECT_TRUE(WriteReportPdf(report, path, &error)) << error.toStdString();
        return path;
    }

    // Renders page 1 and compares it with its golden image (or writes that image).
    void expectLooksAsKept(const QString &pdfFile, const QString &name)
    {
        const QImage page = test::pdfPage(pdfFile, kDpi);
        ASSERT_FALSE(page.isNull()) << "pdftoppm failed on " << name.toStdString();
        if (qEnvironmentVariableIsSet("QAL_UPDATE_GOLDEN")) {
            QDir().mkpath(QFileInfo(goldenPath(name)).path());
            ASSERT_TRUE(page.save(goldenPath(name)));
            return;
        }
        const QImage golden(goldenPath(name));
        ASSERT_FALSE(golden.isNull()) << "no golden page " << goldenPath(name).toStdString();
        const qint64 differing = test::differingPixels(page, golden, kGreyTolerance);
        const qint64 allowed = qint64(kMaxDifferingShare * page.width() * page.height());
        if (differing > allowed)
            page.save(dir.file(name + QStringLiteral("-actual.png")));
        EXPECT_LE(differing, allowed) << name.toStdString() << ": " << differing << " pixels differ";
    }

    test::TempFolder dir;
};

DatosOficio letter()
{
    DatosOficio d;
    d.lugarYFecha = QStringLiteral("ROSARIO, 05 de enero de 2026");
    d.organismo = QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3");
    d.secretaria = QStringLiteral("SECRETARÍA Nº 2");
    d.domicilio = QStringLiteral("AV. SANTA FE 1200");
    d.localidad = QStringLiteral("ROSARIO");
    d.provincia = QStringLiteral("SANTA FE");
    d.delito = QStringLiteral("ROBO");
    d.causa = QStringLiteral("4512/26");
    d.apellidos = QStringLiteral("GOMEZ PEREYRA");
    d.nombres = QStringLiteral("JUAN CARLOS");
    d.sexo = QStringLiteral("MASCULINO");
    d.fechaNacimiento = QStringLiteral("17/05/1980");
    d.edad = QStringLiteral("45");
    d.nacionalidad = QStringLiteral("ARGENTINA");
    d.documento = QStringLiteral("28123456");
    d.expedidoPor = QStringLiteral("SANTA FE");
    d.mostrarExpedidoPor = true;
    d.nombresPadre = QStringLiteral("JORGE LUIS");
    d.apellidosMadre = QStringLiteral("PEREYRA DIAZ");
    d.nombresMadre = QStringLiteral("ELENA");
    return d;
}

TEST_F(GoldenPages, LetterWithoutAliases)
{
    TrpOficio r;
    r.datos = letter();
    r.datos.mostrarExpedidoPor = false;
    const QString file = pdf(r, QStringLiteral("oficio-sin-supuestos"));
    EXPECT_EQ(test::pdfPageSize(file), QStringLiteral("595 x 842 pts (A4)"));
    EXPECT_EQ(test::pdfPageCount(file), 1);
    expectLooksAsKept(file, QStringLiteral("oficio-sin-supuestos"));
}

TEST_F(GoldenPages, LetterWithTwoAliases)
{
    TrpOficio r;
    r.datos = letter();
    r.datos.apellidosSupuestos = QStringLiteral(" o  GOMES o  GOMEZ PERALTA");
    r.datos.nombresSupuestos = QStringLiteral(" o  JUAN o  JUAN CARLOS");
    expectLooksAsKept(pdf(r, QStringLiteral("oficio-dos-supuestos")), QStringLiteral("oficio-dos-supuestos"));
}

DatosComprobante receipt()
{
    DatosComprobante d;
    d.apellidos = QStringLiteral("LOPEZ MARTINEZ");
    d.nombres = QStringLiteral("ANA LUCIA");
    d.sexo = QStringLiteral("FEMENINO");
    d.nacionalidad = QStringLiteral("ARGENTINA");
    d.fechaNacimiento = QStringLiteral("03/02/1990");
    d.tipoDocumento = QStringLiteral("DOCUMENTO ÚNICO");
    d.prefijo = QStringLiteral("F");
    d.numeroDocumento = QStringLiteral("30111223");
    d.expedidoPor = QStringLiteral("REGISTRO NACIONAL DE LAS PERSONAS");
    d.mostrarExpedidoPor = true;
    d.nombresPadre = QStringLiteral("JORGE");
    d.apellidosMadre = QStringLiteral("MARTINEZ");
    d.nombresMadre = QStringLiteral("ELENA");
    d.tramite = QStringLiteral("COMÚN");
    d.fechaInicio = QStringLiteral("05/12/2026");
    d.comprobantePago = QStringLiteral("000123456781");
    d.etiquetaBarras = QStringLiteral("Regional:1 - Pedido:1005");
    d.textoBarras = QStringLiteral("1005/1");
    return d;
}

TEST_F(GoldenPages, ReceiptAndItsBarCodeReadBack)
{
    TrpCompr r;
    QString error;
    ASSERT_TRUE(r.setDatos(receipt(), &error)) << error.toStdString();
    const QString file = pdf(r, QStringLiteral("comprobante"));
    expectLooksAsKept(file, QStringLiteral("comprobante"));

    const QString scan = dir.file(QStringLiteral("comprobante-300.png"));
    ASSERT_TRUE(test::pdfPage(file, 300).save(scan));
    EXPECT_EQ(test::decodeBarcodes(scan), QStringLiteral("1005/1"));
}

TEST_F(GoldenPages, ReceiptRefusesABarCodeItCannotPrint)
{
    TrpCompr r;
    DatosComprobante d = receipt();
    d.textoBarras = QStringLiteral("1005*1");
    QString error;
    EXPECT_FALSE(r.setDatos(d, &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(GoldenPages, AnswerSheet)
{
    TrpContesPriv r;
    r.datos = {QDate(2026, 12, 9), QStringLiteral("1"), QStringLiteral("7100221"), QStringLiteral("LOPEZ MARTINEZ"),
               QStringLiteral("ANA LUCIA"), QStringLiteral("CU123456789AR"), QStringLiteral("SIN OBSERVACIONES"),
               QStringLiteral("No registra antecedentes")};
    expectLooksAsKept(pdf(r, QStringLiteral("contestacion")), QStringLiteral("contestacion"));
}

TEST_F(GoldenPages, RejectionWithSeveralReasons)
{
    TrpRechPriv r;
    r.datos = {QDate(2026, 12, 9), QStringLiteral("2"), QStringLiteral("SOSA"), QStringLiteral("MARTA"),
               QStringLiteral("01000010000101")};
    expectLooksAsKept(pdf(r, QStringLiteral("rechazo")), QStringLiteral("rechazo"));
}

// A card-like picture: ten boxes with a ring pattern in each.
QImage syntheticCard()
{
    QImage card(2000, 1000, QImage::Format_Grayscale8);
    card.fill(255);
    QPainter p(&card);
    p.setPen(QPen(Qt::black, 4));
    for (int i = 0; i < 10; ++i) {
        const QRect box(40 + (i % 5) * 390, 40 + (i / 5) * 470, 360, 440);
        p.drawRect(box);
        for (int r = 20; r < 160; r += 16)
            p.drawEllipse(box.center(), r, r + r / 4);
    }
    return card;
}

TEST_F(GoldenPages, CardOnALandscapePage)
{
    TrpFicha r;
    r.setImage(syntheticCard());
    r.SetTitulo(QStringLiteral("Ped:15 Reg:3"));
    const QString file = pdf(r, QStringLiteral("ficha"));
    EXPECT_EQ(test::pdfPageSize(file), QStringLiteral("842 x 595 pts (A4)"));
    expectLooksAsKept(file, QStringLiteral("ficha"));
}

TEST_F(GoldenPages, CardImageMustExist)
{
    TrpFicha r;
    QString error;
    EXPECT_FALSE(r.SetImagen(dir.file(QStringLiteral("15_3.bmp")), &error));
    EXPECT_EQ(error, QStringLiteral("Imágen: \"%1\" inexistente.").arg(dir.file(QStringLiteral("15_3.bmp"))));
}

// A black-and-white page with a pattern no lossy coder keeps: single-pixel checks.
QImage bilevelPage(int seed)
{
    QImage page(850, 1100, QImage::Format_Mono);
    page.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    page.fill(1);
    page.setDotsPerMeterX(3937);
    page.setDotsPerMeterY(3937);
    for (int y = 100; y < 400; ++y)
        for (int x = 100; x < 700; ++x)
            page.setPixel(x, y, ((x * 7 + y * 13 + seed) % 5) ? 1 : 0);
    return page;
}

TEST_F(GoldenPages, BilevelAnswerImageIsEmbeddedWithoutLoss)
{
    const QString tiff = dir.file(QStringLiteral("c1.12"));
    QString error;
    ASSERT_TRUE(TiffFile::writePage(tiff, bilevelPage(0), PageFormat::BlackWhiteDocument, &error));
    ASSERT_TRUE(TiffFile::appendPage(tiff, [&] {
        const QString second = dir.file(QStringLiteral("second.tif"));
        TiffFile::writePage(second, bilevelPage(3), PageFormat::BlackWhiteDocument);
        return second;
    }()));
    PaginasImagen pages;
    ASSERT_TRUE(pages.abrir(tiff, &error)) << error.toStdString();
    ASSERT_EQ(pages.pageCount(), 2);
    const QString file = pdf(pages, QStringLiteral("imagen"));
    EXPECT_EQ(test::pdfPageCount(file), 2);

    const QString list = test::runTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), file});
    EXPECT_FALSE(list.contains(QStringLiteral("jpeg"))) << list.toStdString();
    bool ok = false;
    test::runTool(QStringLiteral("pdfimages"), {QStringLiteral("-png"), file, dir.file(QStringLiteral("img"))}, &ok);
    ASSERT_TRUE(ok);
    for (int page = 0; page < 2; ++page) {
        const QImage extracted(dir.file(QStringLiteral("img-%1.png").arg(page, 3, 10, QLatin1Char('0'))));
        ASSERT_FALSE(extracted.isNull()) << page;
        const QImage source = bilevelPage(page == 0 ? 0 : 3);
        EXPECT_EQ(test::differingPixels(extracted, source, 0), 0) << "page " << page;
    }
}

} // namespace
} // namespace qal::reports

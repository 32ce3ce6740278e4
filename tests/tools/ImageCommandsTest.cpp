#include "imaging/GreyImage.h"
#include "imaging/TiffFile.h"
#include "support/TempFolder.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace qal;

namespace {

struct AdminRun
{
    int status = -1;
    QString out;
    QString err;
};

AdminRun admin(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(QAL_BIN_DIR "/qal-admin"), args);
    AdminRun run;
    if (!process.waitForFinished(30000))
        return run;
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QImage blank(int width, int height, int dpi)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(230);
    image.setDotsPerMeterX(dotsPerMeterFromPpi(dpi));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(dpi));
    return image;
}

} // namespace

TEST(QalAdminImageCommands, CheckCardAndDocumentPrintTheMessageAndFail)
{
    test::TempFolder folder;
    ASSERT_TRUE(TiffFile::writePage(folder.file("card.tif"), blank(1500, 700, 300), PageFormat::CardTiff));
    ASSERT_TRUE(TiffFile::writePage(folder.file("wide.tif"), blank(3001, 700, 300), PageFormat::CardTiff));

    AdminRun run = admin({"check-card", folder.file("card.tif")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    run = admin({"check-card", folder.file("wide.tif")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "La huella digitalizada debe tener menos de 25 cm. de ancho\n");
    run = admin({"check-document", folder.file("card.tif")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "La imagen debe estar en tamaño A4 a 300 puntos por pulgada\n");
    run = admin({"check-card", folder.file("missing.tif")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains("missing.tif"));
    EXPECT_EQ(admin({"check-card"}).status, 2);
}

TEST(QalAdminImageCommands, ImageInfoListsEveryPage)
{
    test::TempFolder folder;
    ASSERT_TRUE(TiffFile::writePage(folder.file("a.tif"), blank(1500, 700, 300), PageFormat::CardTiff));
    ASSERT_TRUE(TiffFile::writePage(folder.file("b.tif"), blank(2480, 3508, 300), PageFormat::BlackWhiteDocument));
    ASSERT_TRUE(TiffFile::appendPage(folder.file("doc.tif"), folder.file("a.tif")));
    ASSERT_TRUE(TiffFile::appendPage(folder.file("doc.tif"), folder.file("b.tif")));
    const AdminRun run = admin({"image-info", folder.file("doc.tif")});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QRegularExpression("páginas +2\n"))) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QRegularExpression("información de compresión +1024 \\(calidad JPEG estimada 75\\)")));
    EXPECT_TRUE(run.out.contains(QRegularExpression("información de compresión +26\n")));
    EXPECT_TRUE(run.out.contains(QRegularExpression("tipo de compresión +5 \\(Group4")));
    EXPECT_TRUE(run.out.contains(QRegularExpression("alto +3508\n")));
    EXPECT_EQ(admin({"image-info", folder.file("none.tif")}).status, 1);
}

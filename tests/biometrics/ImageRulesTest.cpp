#include "biometrics/ImageRules.h"
#include "imaging/TiffFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QImageWriter>

#include <gtest/gtest.h>

using namespace qal;
using namespace qal::codes;

namespace {

QImage blank(int width, int height, int dpi)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(200);
    image.setDotsPerMeterX(dotsPerMeterFromPpi(dpi));
    image.setDotsPerMeterY(dotsPerMeterFromPpi(dpi));
    return image;
}

ImageProperties goodCard()
{
    ImageProperties p;
    p.fileType = FileTiff;
    p.pageType = PageGray8;
    p.compressionType = CompressionJpeg;
    p.compressionInfo = InfoJpegMediumQuality;
    p.width = 2000;
    p.height = 1000;
    p.xResolution = p.yResolution = 300;
    return p;
}

ImageProperties goodDocument()
{
    ImageProperties p = goodCard();
    p.width = 2480;
    p.height = 3508;
    return p;
}

} // namespace

TEST(CardImageRules, BoundsAreInclusiveAndTheLastFailureIsShown)
{
    EXPECT_EQ(cardImageMessage(goodCard()), "");
    const auto withSize = [](int w, int h) { ImageProperties p = goodCard(); p.width = w; p.height = h; return p; };
    EXPECT_EQ(cardImageMessage(withSize(1200, 600)), "");
    EXPECT_EQ(cardImageMessage(withSize(3000, 1800)), "");
    EXPECT_EQ(cardImageMessage(withSize(2000, 599)), "La huella digitalizada debe tener por lo menos 5 cm. de alto");
    EXPECT_EQ(cardImageMessage(withSize(2000, 1801)), "La huella digitalizada debe tener menos de 15 cm. de alto");
    EXPECT_EQ(cardImageMessage(withSize(1199, 1000)), "La huella digitalizada debe tener por lo menos 15 cm. de ancho");
    EXPECT_EQ(cardImageMessage(withSize(3001, 1000)), "La huella digitalizada debe tener menos de 25 cm. de ancho");
    EXPECT_EQ(cardImageMessage(withSize(1199, 599)), "La huella digitalizada debe tener por lo menos 15 cm. de ancho");

    ImageProperties p = goodCard();
    p.yResolution = 301;
    EXPECT_EQ(cardImageMessage(p), "La resolución de la huella debe ser de 300 puntos por pulgada (DPI)");
    p = goodCard();
    p.compressionInfo = InfoJpegHighQuality;
    EXPECT_EQ(cardImageMessage(p), "La huella debe utilizar la compresión JPEG calidad media");
    p.compressionType = CompressionNone;
    p.compressionInfo = InfoNone;
    EXPECT_EQ(cardImageMessage(p), "La huella debe utilizar la compresión JPEG");
    p.pageType = PageBlackWhite;
    EXPECT_EQ(cardImageMessage(p), "La huella debe digitalizarse en 256 tonos de gris");
    p.fileType = FileBmp;
    p.width = 10;
    EXPECT_EQ(cardImageMessage(p), "La huella debe guardarse en formato TIFF");
}

TEST(DocumentImageRules, SizeCompressionPageAndFileType)
{
    EXPECT_EQ(documentImageMessage(goodDocument()), "");
    const auto withSize = [](int w, int h) { ImageProperties p = goodDocument(); p.width = w; p.height = h; return p; };
    const QString a4 = QStringLiteral("La imagen debe estar en tamaño A4 a 300 puntos por pulgada");
    EXPECT_EQ(documentImageMessage(withSize(2000, 2700)), "");
    EXPECT_EQ(documentImageMessage(withSize(1860, 2631)), "");
    EXPECT_EQ(documentImageMessage(withSize(3100, 4385)), "");
    EXPECT_EQ(documentImageMessage(withSize(3508, 2480)), a4); // landscape
    EXPECT_EQ(documentImageMessage(withSize(1859, 3000)), a4);
    EXPECT_EQ(documentImageMessage(withSize(3101, 3000)), a4);
    EXPECT_EQ(documentImageMessage(withSize(2480, 2630)), a4);
    EXPECT_EQ(documentImageMessage(withSize(2480, 4386)), a4);
    ImageProperties p = goodDocument();
    p.xResolution = 600; // not tested for documents
    p.compressionInfo = InfoJpegLowQuality;
    EXPECT_EQ(documentImageMessage(p), "");
    p.compressionType = CompressionLzw;
    EXPECT_EQ(documentImageMessage(p), "La documentación debe utilizar la compresión Group4(2D - FAX) o JPEG");
    p.pageType = PageRgb24;
    EXPECT_EQ(documentImageMessage(p), "La documentación debe digitalizarse en blanco y negro o escala de grises");
    p.fileType = FileBmp;
    EXPECT_EQ(documentImageMessage(p), "La documentación debe guardarse en formato TIFF");
}

TEST(CheckCardImage, JudgesFilesAndShowsTheMessageInAnErrorBox)
{
    test::TempFolder folder;
    test::ScriptedDialogs dialogs;

    EXPECT_FALSE(CheckCardImage(folder.file("missing.tif")));
    EXPECT_TRUE(dialogs.shown().isEmpty());

    ASSERT_TRUE(TiffFile::writePage(folder.file("card.tif"), blank(1200, 600, 300), PageFormat::CardTiff));
    EXPECT_TRUE(CheckCardImage(folder.file("card.tif")));
    EXPECT_TRUE(dialogs.shown().isEmpty());

    ASSERT_TRUE(TiffFile::writePage(folder.file("narrow.tif"), blank(1199, 600, 300), PageFormat::CardTiff));
    EXPECT_FALSE(CheckCardImage(folder.file("narrow.tif")));
    ASSERT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(dialogs.shown()[0].title, "Error");
    EXPECT_EQ(dialogs.shown()[0].text, "La huella digitalizada debe tener por lo menos 15 cm. de ancho");
    EXPECT_EQ(dialogs.shown()[0].buttons, QList<DialogButton> {DialogButton::Ok});
    dialogs.clear();

    // 600 dpi with a passing size in pixels
    ASSERT_TRUE(TiffFile::writePage(folder.file("600.tif"), blank(2000, 1000, 600), PageFormat::CardTiff));
    EXPECT_FALSE(CheckCardImage(folder.file("600.tif")));
    EXPECT_EQ(dialogs.lastText(), "La resolución de la huella debe ser de 300 puntos por pulgada (DPI)");

    // uncompressed TIFF fails both compression rules and shows the later one
    QImageWriter writer(folder.file("plain.tif"), "tiff");
    writer.setCompression(0);
    ASSERT_TRUE(writer.write(blank(2000, 1000, 300)));
    EXPECT_FALSE(CheckCardImage(folder.file("plain.tif")));
    EXPECT_EQ(dialogs.lastText(), "La huella debe utilizar la compresión JPEG");

    // the card BMP the card form also writes is not acceptable as the card
    ASSERT_TRUE(TiffFile::writePage(folder.file("card.bmp"), blank(2000, 1000, 300), PageFormat::CardBmp));
    EXPECT_FALSE(CheckCardImage(folder.file("card.bmp")));
    EXPECT_EQ(dialogs.lastText(), "La huella debe guardarse en formato TIFF");

    // a black-and-white page
    ASSERT_TRUE(TiffFile::writePage(folder.file("bw.tif"), blank(2000, 1000, 300), PageFormat::BlackWhiteDocument));
    EXPECT_FALSE(CheckCardImage(folder.file("bw.tif")));
    EXPECT_EQ(dialogs.lastText(), "La huella debe digitalizarse en 256 tonos de gris");

    // garbage is refused without a message, like a missing file
    dialogs.clear();
    QFile junk(folder.file("junk.tif"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("II*\0garbage garbage garbage", 27);
    junk.close();
    EXPECT_FALSE(CheckCardImage(folder.file("junk.tif")));
    EXPECT_TRUE(dialogs.shown().isEmpty());
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST(CheckDocumentImage, AcceptsGreyJpegAndGroup4Pages)
{
    test::TempFolder folder;
    test::ScriptedDialogs dialogs;
    EXPECT_FALSE(CheckDocumentImage(folder.file("missing.tif")));
    ASSERT_TRUE(TiffFile::writePage(folder.file("g4.tif"), blank(2480, 3508, 300), PageFormat::BlackWhiteDocument));
    EXPECT_TRUE(CheckDocumentImage(folder.file("g4.tif")));
    ASSERT_TRUE(TiffFile::writePage(folder.file("grey.tif"), blank(2000, 2700, 200), PageFormat::GreyDocument));
    EXPECT_TRUE(CheckDocumentImage(folder.file("grey.tif")));
    EXPECT_TRUE(dialogs.shown().isEmpty());

    ASSERT_TRUE(TiffFile::writePage(folder.file("landscape.tif"), blank(3508, 2480, 300), PageFormat::GreyDocument));
    EXPECT_FALSE(CheckDocumentImage(folder.file("landscape.tif")));
    EXPECT_EQ(dialogs.lastText(), "La imagen debe estar en tamaño A4 a 300 puntos por pulgada");

    // black and white, uncompressed
    QImageWriter writer(folder.file("bw-plain.tif"), "tiff");
    writer.setCompression(0);
    ASSERT_TRUE(writer.write(blank(2480, 3508, 300).convertToFormat(QImage::Format_Mono)));
    EXPECT_FALSE(CheckDocumentImage(folder.file("bw-plain.tif")));
    EXPECT_EQ(dialogs.lastText(), "La documentación debe utilizar la compresión Group4(2D - FAX) o JPEG");
    EXPECT_EQ(dialogs.shown().back().title, "Error");
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

#include "biometrics/ImageRules.h"
#include "biometrics/forms/TFDigFich.h"
#include "imaging/BmpFile.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/TTwainForm.h"

#include "imaging/SaneTestFolder.h"
#include "support/ScriptedDialogs.h"
#include "support/Controls.h"
#include "biometrics/forms/TClasFundEdit.h"
#include "imaging/forms/ImageView.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QTest>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>

using qal::test::child;
using qal::test::click;
using qal::test::trigger;

using namespace qal;

namespace {

class CardWindow : public test::SaneTestFolder
{
protected:
    void SetUp() override
    {
        SaneTestFolder::SetUp();
        ScannerConfig c = ScannerConfig::card();
        c.dispositivo = QStringLiteral("test:0");
        ASSERT_TRUE(c.save(folder.file(QStringLiteral("Huella.INI"))));
        twain = std::make_unique<TTwainForm>();
        form = std::make_unique<TFDigFich>();
        form->twain = twain.get();
    }
    void TearDown() override
    {
        form.reset();
        twain.reset();
        SaneTestFolder::TearDown();
    }

    // Prepared as the request forms do before showing it.
    void prepare(bool readOnly, const QString &der = QStringLiteral("_____"), const QString &izq = QStringLiteral("_____"))
    {
        form->ResultFile.clear();
        form->ReadOnly = readOnly;
        form->ClasDer = der;
        form->ClasIzq = izq;
        form->Changed = false;
        form->ocultarImagen();
        form->show();
        QCoreApplication::processEvents();
    }

    // A card image at 300 dpi in a format of its own (uncompressed BMP).
    QString someCard()
    {
        QImage card(2400, 1200, QImage::Format_Grayscale8);
        card.fill(230);
        card.setDotsPerMeterX(dotsPerMeterFromPpi(300));
        card.setDotsPerMeterY(dotsPerMeterFromPpi(300));
        const QString path = folder.file(QStringLiteral("tarjeta.bmp"));
        EXPECT_TRUE(BmpFile::write(path, card, 8));
        return path;
    }

    test::ScriptedDialogs dialogs;
    std::unique_ptr<TTwainForm> twain;
    std::unique_ptr<TFDigFich> form;
};

} // namespace

TEST_F(CardWindow, CardScannedAtTheDefaultsPassesTheCardRules)
{
    prepare(false, QStringLiteral("V1234"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Digitalización de la ficha dactiloscópica"));
    EXPECT_FALSE(child<QPushButton>(form, "btGrabar")->isEnabled());
    EXPECT_FALSE(child<ImageView>(form, "ImgFicha")->isVisible());
    child<QCheckBox>(twain, "chkDeskew")->setChecked(true);
    // the card window is modal when the request form opens it: the scanner window, on top of
    // it, must take the operator's clicks (its Cancelar) while the scan runs
    form->hide();
    form->setWindowModality(Qt::ApplicationModal);
    form->show();
    QWidget *modalWhileScanning = nullptr;
    QObject::connect(twain.get(), &TTwainForm::paginaDigitalizada, [&] { modalWhileScanning = QApplication::activeModalWidget(); });
    QTest::mouseClick(child<QPushButton>(form, "btDigitalizar"), Qt::LeftButton);
    EXPECT_EQ(modalWhileScanning, twain.get());
    EXPECT_TRUE(form->Changed);
    EXPECT_TRUE(form->imagenVisible());
    EXPECT_EQ(child<QStatusBar>(form, "sbEstado")->currentMessage(), QStringLiteral("Listo"));
    EXPECT_TRUE(child<QLabel>(twain, "lbEstado")->text().startsWith(QStringLiteral("Skew value (in degree) is ")))
        << child<QLabel>(twain, "lbEstado")->text().toStdString();
    EXPECT_TRUE(child<QPushButton>(form, "btGrabar")->isEnabled());

    QTest::mouseClick(child<QPushButton>(form, "btGrabar"), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    ASSERT_FALSE(form->ResultFile.isEmpty());
    EXPECT_TRUE(CheckCardImage(form->ResultFile)) << dialogs.lastText().toStdString();
    const auto props = readImageProperties(form->ResultFile);
    EXPECT_EQ(props->width, 2480);  // 210 mm at 300 dpi
    EXPECT_EQ(props->height, 1299); // 110 mm
    EXPECT_EQ(form->ClasDer, QStringLiteral("V1234"));
    // the saved card is all that is left beside the settings
    EXPECT_EQ(files(), sorted(QStringList {QFileInfo(form->ResultFile).fileName(), QStringLiteral("Huella.INI")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(CardWindow, FailedOrCancelledScanKeepsTheCardShown)
{
    prepare(false);
    form->LoadCardImage(someCard(), true);
    ASSERT_TRUE(form->imagenVisible());
    const QImage shown = child<ImageView>(form, "ImgFicha")->currentImage();

    twain->opcionesExtra.insert(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED"));
    click(child<QPushButton>(form, "btDigitalizar"));
    ASSERT_EQ(dialogs.shown().size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error del scanner: ")));
    EXPECT_EQ(child<QStatusBar>(form, "sbEstado")->currentMessage(), dialogs.lastText()); // no "Digitalizando..." left behind
    EXPECT_TRUE(form->imagenVisible());
    EXPECT_EQ(child<ImageView>(form, "ImgFicha")->currentImage(), shown);
    EXPECT_FALSE(form->digitalizando());

    twain->opcionesExtra.insert(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_CANCELLED"));
    click(child<QPushButton>(form, "btDigitalizar"));
    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(child<QStatusBar>(form, "sbEstado")->currentMessage(), QStringLiteral("Digitalización cancelada"));
    EXPECT_EQ(child<ImageView>(form, "ImgFicha")->currentImage(), shown);

    // the card is still the one saved
    click(child<QPushButton>(form, "btGrabar"));
    ASSERT_FALSE(form->ResultFile.isEmpty());
    EXPECT_EQ(readImageProperties(form->ResultFile)->width, 2400);
    EXPECT_TRUE(CheckCardImage(form->ResultFile));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(CardWindow, ReadOnlyRefusesScanningAndLoading)
{
    prepare(true, QStringLiteral("A1234"));
    QTest::keyClick(form.get(), Qt::Key_Space);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("ERROR: Solo se puede modificar las impresiones dactilares\r"
                                                 " antes de enviar ó si fue rechazada"));
    EXPECT_FALSE(QFileInfo::exists(TTwainForm::archivoTif()));
    click(child<QPushButton>(form, "btCargar"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("ERROR: No se puede modificar las impresiones dactilares ya que el "
                                                 "pedido esta en trámite ó ya fue contestado"));
    trigger(child<QAction>(form, "miCargarImagen"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("ERROR: Solo se puede modificar la huella\r antes de enviar ó si fue rechazada"));
    EXPECT_FALSE(child<TClasFundEdit>(form, "edClasDer")->isEnabled());
    EXPECT_EQ(child<TClasFundEdit>(form, "edClasDer")->text(), QStringLiteral("A1234"));
    form->reject();
    EXPECT_TRUE(form->ResultFile.isEmpty());
    EXPECT_EQ(dialogs.shown().size(), 3);
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(CardWindow, LoadedCardIsConvertedAndClosingWithoutSavingLeavesNothing)
{
    prepare(false);
    dialogs.answerFile(someCard());
    click(child<QPushButton>(form, "btCargar"));
    EXPECT_TRUE(form->Changed);
    ASSERT_TRUE(form->imagenVisible());
    // out.tif is the card TIFF of the rules already
    EXPECT_TRUE(cardImageProblem(TFDigFich::outTif()).value_or(QStringLiteral("missing")).isEmpty());
    // a file that cannot be read changes nothing
    const QString bad = folder.file(QStringLiteral("mala.tif"));
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("II*\0garbage", 11);
    f.close();
    form->LoadCardImage(bad, true);
    EXPECT_EQ(child<ImageView>(form, "ImgFicha")->currentImage().width(), 2400);

    form->reject();
    EXPECT_TRUE(form->ResultFile.isEmpty());
    EXPECT_EQ(files(), sorted(QStringList {QStringLiteral("Huella.INI"), QStringLiteral("mala.tif"), QStringLiteral("tarjeta.bmp")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(CardWindow, ClassificationAloneEnablesSavingAndIsTaken)
{
    prepare(false, QStringLiteral("A1234"), QStringLiteral("E0000"));
    EXPECT_FALSE(child<QPushButton>(form, "btGrabar")->isEnabled());
    QTest::mouseClick(child<QToolButton>(form, "sbGomaIzq"), Qt::LeftButton);
    EXPECT_EQ(child<TClasFundEdit>(form, "edClasIzq")->text(), QStringLiteral("_____"));
    EXPECT_TRUE(child<QPushButton>(form, "btGrabar")->isEnabled());
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_EQ(form->ClasIzq, QStringLiteral("_____"));
    EXPECT_EQ(form->ClasDer, QStringLiteral("A1234"));
    EXPECT_TRUE(form->ResultFile.isEmpty());
    form->reject();
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(CardWindow, ZoomModes)
{
    prepare(false);
    form->LoadCardImage(someCard(), false);
    form->resize(1000, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(child<QSpinBox>(form, "seZoom")->value(), 50);
    QTest::mouseClick(child<QToolButton>(form, "sbZoomMas"), Qt::LeftButton);
    EXPECT_DOUBLE_EQ(child<ImageView>(form, "ImgFicha")->scalePercent(), 55.0);
    QTest::mouseClick(child<QToolButton>(form, "btAjustarAncho"), Qt::LeftButton);
    const double width = child<ImageView>(form, "ImgFicha")->viewport()->width() * 100.0 / 2400;
    EXPECT_NEAR(child<ImageView>(form, "ImgFicha")->scalePercent(), width, 0.01);
    EXPECT_EQ(child<QSpinBox>(form, "seZoom")->value(), int(std::lround(width)));
    EXPECT_FALSE(child<QPushButton>(form, "btGrabar")->isEnabled()); // loaded, not changed
    form->reject();
}

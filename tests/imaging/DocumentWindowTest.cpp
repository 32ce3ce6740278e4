#include "imaging/FileCopy.h"
#include "imaging/ImageProperties.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/PageControls.h"
#include "imaging/forms/TFImgDig.h"
#include "imaging/forms/TFVerImg.h"
#include "imaging/forms/TTwainCaps.h"
#include "imaging/forms/TTwainForm.h"

#include "biometrics/ImageRules.h"
#include "support/ScriptedDialogs.h"

#include "SaneTestFolder.h"
#include "support/Controls.h"
#include "imaging/forms/ImageView.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>

#include <tiffio.h>

using qal::test::child;
using qal::test::click;
using qal::test::trigger;

using namespace qal;

namespace {

// What tiffinfo says of each page's compression, as an independent reader.
QStringList compressions(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("tiffinfo"), {file});
    p.waitForFinished(30000);
    QStringList schemes;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
        if (line.trimmed().startsWith(QLatin1String("Compression Scheme:")))
            schemes << line.section(u':', 1).trimmed();
    return schemes;
}

// The encoded bytes of a page, to tell a copied page from a re-encoded one.
QByteArray rawPage(const QString &file, int page)
{
    TIFF *tif = TIFFOpen(file.toLocal8Bit().constData(), "r");
    if (!tif)
        return {};
    QByteArray bytes;
    if (TIFFSetDirectory(tif, tdir_t(page - 1))) {
        for (tstrile_t s = 0; s < TIFFNumberOfStrips(tif); ++s) {
            const tmsize_t size = TIFFRawStripSize(tif, s);
            QByteArray strip(qsizetype(size), '\0');
            TIFFReadRawStrip(tif, s, strip.data(), size);
            bytes += strip;
        }
    }
    TIFFClose(tif);
    return bytes;
}

class DocumentWindow : public test::SaneTestFolder
{
protected:
    void SetUp() override
    {
        SaneTestFolder::SetUp();
        twain = std::make_unique<TTwainForm>();
        form = std::make_unique<TFImgDig>();
        form->twain = twain.get();
        form->archivoDocumento = folder.file(QStringLiteral("5.tif"));
    }
    void TearDown() override
    {
        form.reset();
        twain.reset();
        SaneTestFolder::TearDown();
    }

    // Docu.INI for the test scanner; 100 dpi keeps scans quick where size is not tested.
    void settings(int dpi, ScannerUiMode mode = ScannerUiMode::HideInterface, ScanPixelType type = ScanPixelType::Gray)
    {
        ScannerConfig c = ScannerConfig::document();
        c.dpi = dpi;
        c.uiMode = mode;
        c.tipoImagen = type;
        c.dispositivo = QStringLiteral("test:0");
        ASSERT_TRUE(c.save(folder.file(QStringLiteral("Docu.INI"))));
    }

    // A document with a grey JPEG page and a black-and-white Group 4 page.
    void mixedDocument()
    {
        QImage grey(1240, 1754, QImage::Format_Grayscale8);
        grey.fill(200);
        QImage bw(1240, 1754, QImage::Format_Grayscale8);
        bw.fill(255);
        for (int y = 100; y < 200; ++y)
            std::fill_n(bw.scanLine(y), 1240, uchar(0));
        const QString p1 = folder.file(QStringLiteral("p1.tif")), p2 = folder.file(QStringLiteral("p2.tif"));
        ASSERT_TRUE(TiffFile::writePage(p1, grey, PageFormat::GreyDocument));
        ASSERT_TRUE(TiffFile::writePage(p2, bw, PageFormat::BlackWhiteDocument));
        ASSERT_TRUE(TiffFile::appendPage(form->archivoDocumento, p1));
        ASSERT_TRUE(TiffFile::appendPage(form->archivoDocumento, p2));
        QFile::remove(p1);
        QFile::remove(p2);
    }

    void showForm()
    {
        form->show();
        QCoreApplication::processEvents();
    }

    int pages() const { return TiffFile::pageCount(form->archivoDocumento); }

    test::ScriptedDialogs dialogs;
    std::unique_ptr<TTwainForm> twain;
    std::unique_ptr<TFImgDig> form;
};

} // namespace

TEST_F(DocumentWindow, DefaultScanIsAnA4PageThatPassesTheDocumentRules)
{
    settings(300);
    showForm();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Digitalización de la documentación"));
    EXPECT_EQ(child<QLineEdit>(form, "edPagina")->text(), QStringLiteral("0"));
    click(child<QPushButton>(form, "btDigitalizar"));
    ASSERT_EQ(pages(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Digitalización de la documentación (1 página)"));
    EXPECT_TRUE(documentImageProblem(form->archivoDocumento).value_or(QStringLiteral("missing")).isEmpty());
    EXPECT_FALSE(twain->isVisible()); // the scanner dialog is closed after the scan
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_TRUE(CheckDocumentImage(form->archivoDocumento));
    // only the document is left
    EXPECT_EQ(files(), sorted(QStringList {QStringLiteral("5.tif"), QStringLiteral("Docu.INI")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, FeederBatchBecomesAsManyPagesAndAppendKeepsEarlierRotations)
{
    settings(100, ScannerUiMode::FeederHide, ScanPixelType::BlackWhite);
    showForm();
    child<QSpinBox>(twain, "sePaginas")->setValue(3);
    click(child<QPushButton>(form, "btDigitalizar"));
    ASSERT_EQ(pages(), 3);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Digitalización de la documentación (3 páginas)"));
    EXPECT_EQ(compressions(form->archivoDocumento), QStringList(3, QStringLiteral("CCITT Group 4")));

    // page 2 turned a quarter, then two pages appended: the turn survives
    const QSize upright = TiffFile::readPage(form->archivoDocumento, 2).size();
    form->paginas()->showPage(2);
    click(child<QPushButton>(form, "btRotarDerecha"));
    child<QSpinBox>(twain, "sePaginas")->setValue(2);
    click(child<QPushButton>(form, "btAgregar"));
    ASSERT_EQ(pages(), 5);
    EXPECT_EQ(child<ImageView>(form, "ImgEdit")->currentPage(), 5);
    EXPECT_EQ(TiffFile::readPage(form->archivoDocumento, 2).size(), upright.transposed());
    EXPECT_FALSE(form->guardado());
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_EQ(pages(), 5);
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, PageOperationsKeepEachPagesEncoding)
{
    settings(100);
    mixedDocument();
    const QByteArray jpegPage = rawPage(form->archivoDocumento, 1);
    ASSERT_FALSE(jpegPage.isEmpty());
    showForm();
    ASSERT_EQ(child<ImageView>(form, "ImgEdit")->pageCount(), 2);

    // a grey page inserted before page 2
    form->paginas()->showPage(2);
    click(child<QPushButton>(form, "btInsertar"));
    ASSERT_EQ(pages(), 3);
    EXPECT_EQ(child<ImageView>(form, "ImgEdit")->currentPage(), 1);
    EXPECT_EQ(compressions(form->archivoDocumento),
              (QStringList {QStringLiteral("JPEG"), QStringLiteral("JPEG"), QStringLiteral("CCITT Group 4")}));
    EXPECT_EQ(rawPage(form->archivoDocumento, 1), jpegPage); // copied, not encoded again
    const QSize inserted = TiffFile::readPage(form->archivoDocumento, 2).size();
    EXPECT_LT(inserted.width(), 1240);

    // the inserted page deleted after the question
    form->paginas()->showPage(2);
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btBorrarPagina"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Está seguro que desea borrar esta página?"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Atención"));
    ASSERT_EQ(pages(), 2);
    EXPECT_EQ(compressions(form->archivoDocumento), (QStringList {QStringLiteral("JPEG"), QStringLiteral("CCITT Group 4")}));
    EXPECT_EQ(rawPage(form->archivoDocumento, 1), jpegPage);

    // answering No keeps the page
    dialogs.answer(DialogButton::No);
    click(child<QPushButton>(form, "btBorrarPagina"));
    EXPECT_EQ(pages(), 2);

    // the black-and-white page rotated: still Group 4 and black and white, the JPEG page untouched
    form->paginas()->showPage(2);
    click(child<QPushButton>(form, "btRotarIzquierda"));
    dialogs.answer(DialogButton::Yes); // the deletes cleared the saved flag
    form->reject();
    EXPECT_EQ(compressions(form->archivoDocumento), (QStringList {QStringLiteral("JPEG"), QStringLiteral("CCITT Group 4")}));
    EXPECT_EQ(readImageProperties(form->archivoDocumento, 2)->width, 1754);
    EXPECT_EQ(readImageProperties(form->archivoDocumento, 2)->pageType, codes::PageBlackWhite);
    EXPECT_EQ(rawPage(form->archivoDocumento, 1), jpegPage);
    EXPECT_EQ(files(), sorted(QStringList {QStringLiteral("5.tif"), QStringLiteral("Docu.INI")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, TheOnlyPageCannotBeDeletedAndThePageBoxKeepsInRange)
{
    settings(100);
    mixedDocument();
    showForm();
    ASSERT_TRUE(child<QLineEdit>(form, "edPagina")->text() == QStringLiteral("1"));
    QLineEdit *box = child<QLineEdit>(form, "edPagina");
    box->setText(QStringLiteral("abc"));
    form->paginas()->pageTyped();
    EXPECT_EQ(box->text(), QStringLiteral("1"));
    box->setText(QStringLiteral("9"));
    form->paginas()->pageTyped();
    EXPECT_EQ(box->text(), QStringLiteral("2"));
    EXPECT_EQ(child<ImageView>(form, "ImgEdit")->currentPage(), 2);
    box->setText(QStringLiteral("-3"));
    form->paginas()->pageTyped();
    EXPECT_EQ(child<ImageView>(form, "ImgEdit")->currentPage(), 1);

    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btBorrarPagina"));
    ASSERT_EQ(pages(), 1);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Digitalización de la documentación (1 página)"));
    click(child<QPushButton>(form, "btBorrarPagina"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("No se puede borrar esta página porque\run documento no puede quedar vacío"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Advertencia"));
    EXPECT_EQ(pages(), 1);
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, LeavingWithoutSavingAsksAndViewingChangesNothing)
{
    settings(100);
    mixedDocument();
    QFile(form->archivoDocumento).setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime);
    const QDateTime before = QFileInfo(form->archivoDocumento).lastModified();
    const QByteArray content = [&] { QFile f(form->archivoDocumento); f.open(QIODevice::ReadOnly); return f.readAll(); }();

    // looking and paging keeps the file and its time: the caller sees it unchanged
    showForm();
    form->paginas()->showPage(2);
    form->reject();
    EXPECT_EQ(QFileInfo(form->archivoDocumento).lastModified(), before);
    EXPECT_TRUE(dialogs.shown().isEmpty());

    // after an append, closing asks; No removes the document, so the caller keeps its old one
    showForm();
    click(child<QPushButton>(form, "btAgregar"));
    ASSERT_EQ(pages(), 3);
    dialogs.answer(DialogButton::No);
    form->reject();
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Desea guardar la imágen?"));
    EXPECT_FALSE(QFileInfo::exists(form->archivoDocumento));

    // "&Redigitalizar" then "&Cerrar" asks before the old pages are lost
    QFile f(form->archivoDocumento);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    showForm();
    click(child<QPushButton>(form, "btDigitalizar"));
    ASSERT_EQ(pages(), 1);
    dialogs.answer(DialogButton::Yes);
    click(child<QPushButton>(form, "btCerrar"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("¿Desea guardar la imágen?"));
    EXPECT_EQ(pages(), 1);
    EXPECT_GT(QFileInfo(form->archivoDocumento).lastModified(), before);
    EXPECT_EQ(files(), sorted(QStringList {QStringLiteral("5.tif"), QStringLiteral("Docu.INI")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, FailedScanSaysSoAndLeavesTheDocument)
{
    settings(100);
    mixedDocument();
    showForm();
    twain->opcionesExtra.insert(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_JAMMED"));
    click(child<QPushButton>(form, "btAgregar"));
    EXPECT_EQ(pages(), 2);
    ASSERT_EQ(dialogs.shown().size(), 1) << dialogs.texts().join(u'|').toStdString();
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("Error del scanner: "))) << dialogs.lastText().toStdString();
    EXPECT_TRUE(form->guardado());
    EXPECT_TRUE(form->operacion().isEmpty());

    // a cancelled scan is no error: the status line says it
    twain->opcionesExtra.insert(QStringLiteral("read-return-value"), QStringLiteral("SANE_STATUS_CANCELLED"));
    click(child<QPushButton>(form, "btDigitalizar"));
    EXPECT_EQ(dialogs.shown().size(), 1);
    EXPECT_EQ(child<QLabel>(form, "lbEstado")->text(), QStringLiteral("Digitalización cancelada"));
    EXPECT_EQ(pages(), 2);
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_EQ(files(), sorted(QStringList {QStringLiteral("5.tif"), QStringLiteral("Docu.INI")}));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, LoadingATiffReplacesTheDocument)
{
    settings(100);
    showForm();
    const QString chosen = folder.file(QStringLiteral("elegido.tif"));
    QImage page(2480, 3508, QImage::Format_Grayscale8);
    page.fill(255);
    ASSERT_TRUE(TiffFile::writePage(chosen, page, PageFormat::BlackWhiteDocument));
    dialogs.answerFile(chosen);
    trigger(child<QAction>(form, "miCargarImagen"));
    EXPECT_EQ(pages(), 1);
    EXPECT_FALSE(form->guardado());
    // a file that is no TIFF is refused and changes nothing
    const QString text = folder.file(QStringLiteral("nota.tif"));
    QFile t(text);
    ASSERT_TRUE(t.open(QIODevice::WriteOnly));
    t.write("no es una imagen");
    t.close();
    dialogs.answerFile(text);
    trigger(child<QAction>(form, "miCargarImagen"));
    EXPECT_TRUE(dialogs.lastText().startsWith(QStringLiteral("No se puede leer nota.tif")));
    EXPECT_EQ(pages(), 1);
    click(child<QPushButton>(form, "btGrabar"));
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

TEST_F(DocumentWindow, ScannerDialogShowsTheDevicesAndTheirOptions)
{
    settings(100);
    twain->LoadSettings(folder.file(QStringLiteral("Docu.INI")), ScannerConfig::document());
    twain->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(twain->windowTitle(), QStringLiteral("Configurar Scanner"));
    EXPECT_EQ(child<QComboBox>(twain, "cbScanner")->count(), 2);
    EXPECT_EQ(child<QComboBox>(twain, "cbScanner")->currentData().toString(), QStringLiteral("test:0"));
    EXPECT_TRUE(child<QLabel>(twain, "lbDispositivo")->text().contains(QStringLiteral("300 x 300 mm")))
        << child<QLabel>(twain, "lbDispositivo")->text().toStdString();
    EXPECT_EQ(child<QSpinBox>(twain, "seInferior")->value(), 297);

    // the values typed are what is written
    child<QSpinBox>(twain, "seDPI")->setValue(200);
    child<QComboBox>(twain, "cbTipoImagen")->setCurrentIndex(0);
    child<QComboBox>(twain, "cbScanner")->setCurrentIndex(1);
    const QString ini = folder.file(QStringLiteral("Otro.INI"));
    twain->SaveSettings(ini);
    const ScannerConfig saved = ScannerConfig::load(ini);
    EXPECT_EQ(saved.dpi, 200);
    EXPECT_EQ(saved.tipoImagen, ScanPixelType::BlackWhite);
    EXPECT_EQ(saved.dispositivo, QStringLiteral("test:1"));

    TTwainCaps caps;
    caps.mostrar(QStringLiteral("test:0"));
    EXPECT_EQ(caps.windowTitle(), QStringLiteral("View Twain Capabilities"));
    const auto items = child<QListWidget>(caps, "lbCapacidades")->findItems(QStringLiteral("mode"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    child<QListWidget>(caps, "lbCapacidades")->setCurrentItem(items[0]);
    EXPECT_EQ(child<QLabel>(caps, "lbTipo")->text(), QStringLiteral("String"));
    EXPECT_EQ(child<QLabel>(caps, "lbContenedor")->text(), QStringLiteral("StringList"));
    EXPECT_EQ(child<QLabel>(caps, "lbActual")->text(), QStringLiteral("Gray"));
    EXPECT_EQ(child<QListWidget>(caps, "lbValores")->count(), 2);
    twain->close();
}

TEST_F(DocumentWindow, ViewerShowsEveryPageOfAFile)
{
    mixedDocument();
    TFVerImg viewer;
    viewer.archivo = form->archivoDocumento;
    viewer.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(viewer.windowTitle(), QStringLiteral("Visualización de Imagenes"));
    EXPECT_EQ(child<ImageView>(viewer, "ImgEdit")->pageCount(), 2);
    EXPECT_EQ(child<QLabel>(viewer, "lbPaginas")->text(), QStringLiteral("de 2"));
    QTest::mouseClick(child<QToolButton>(viewer, "sbSiguiente"), Qt::LeftButton);
    EXPECT_EQ(child<QLineEdit>(viewer, "edPagina")->text(), QStringLiteral("2"));
    EXPECT_FALSE(child<QToolButton>(viewer, "sbSiguiente")->isEnabled());
    QTest::mouseClick(child<QToolButton>(viewer, "btTamanoLibre"), Qt::LeftButton);
    child<QSpinBox>(viewer, "seZoom")->setValue(25);
    EXPECT_DOUBLE_EQ(child<ImageView>(viewer, "ImgEdit")->scalePercent(), 25.0);
    QTest::mouseClick(child<QToolButton>(viewer, "btAjustarAlto"), Qt::LeftButton);
    EXPECT_EQ(child<ImageView>(viewer, "ImgEdit")->zoomMode(), ImageView::ZoomMode::FitHeight);
    EXPECT_FALSE(child<QSpinBox>(viewer, "seZoom")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(viewer, "btImprimir")->isEnabled());
    QTest::mouseClick(child<QPushButton>(viewer, "btSalir"), Qt::LeftButton);
    EXPECT_FALSE(viewer.isVisible());
    EXPECT_TRUE(QFileInfo::exists(form->archivoDocumento)); // the viewer shows the file itself
    EXPECT_NO_DIALOG_PROBLEMS(dialogs);
}

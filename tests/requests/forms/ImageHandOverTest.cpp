#include "RequestFormFixture.h"

#include "biometrics/ImageRules.h"
#include "biometrics/forms/TFDigFich.h"
#include "data/RequestFiles.h"
#include "imaging/BmpFile.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/TFImgDig.h"
#include "imaging/forms/TFVerImg.h"
#include "imaging/forms/TTwainForm.h"
#include "support/Controls.h"
#include "biometrics/forms/TClasFundEdit.h"
#include "imaging/forms/ImageView.h"

#include <QDir>
#include <QFileInfo>
#include <QAction>
#include <QPushButton>

using qal::test::child;
using qal::test::click;
using qal::test::trigger;

using namespace qal;
using State = dbase::Table::State;

namespace {

struct ImageHandOver : test::RequestFormFixture
{
    void SetUp() override
    {
        RequestFormFixture::SetUp();
        driveModalWindows<QDialog>(whileShown);
        twain = std::make_unique<TTwainForm>();
        form->formularioFicha()->twain = twain.get();
        form->formularioDocumentos()->twain = twain.get();
        cPed = storeRequest();
        cReg = ped().value(QStringLiteral("C_REG"));
    }

    QString stored(const char *prefix) const
    {
        return ArchivoPedido(QString::fromLatin1(prefix), cPed, cReg);
    }

    // A 300 dpi grey card image as an operator might load it.
    QString cardFile()
    {
        QImage card(2400, 1200, QImage::Format_Grayscale8);
        card.fill(220);
        card.setDotsPerMeterX(dotsPerMeterFromPpi(300));
        card.setDotsPerMeterY(dotsPerMeterFromPpi(300));
        const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("ficha-%1.bmp").arg(QCoreApplication::applicationPid()));
        EXPECT_TRUE(BmpFile::write(path, card, 8));
        return path;
    }

    // An A4 black-and-white document of `pages` pages as the request's stored file.
    void storeDocument(int pages)
    {
        QImage page(2480, 3508, QImage::Format_Grayscale8);
        page.fill(255);
        QList<QImage> all(pages, page);
        ASSERT_TRUE(TiffFile::writePages(ProgramFolder::resolve(stored("d")), all, PageFormat::BlackWhiteDocument));
    }

    // Numbered temporary copies and scanning files that must not outlive a hand-over.
    QStringList leftovers() const
    {
        return QDir(dir.path()).entryList({QStringLiteral("*.tif"), QStringLiteral("huella*"), QStringLiteral("scan*"),
                                           QStringLiteral("temp*"), QStringLiteral("out.*")},
                                          QDir::Files);
    }

    void TearDown() override
    {
        form.reset();
        twain.reset();
        RequestFormFixture::TearDown();
    }

    std::function<void(QDialog &)> whileShown;
    std::unique_ptr<TTwainForm> twain;
    QVariant cPed, cReg;
};

} // namespace

TEST_F(ImageHandOver, ScannedCardBecomesTheWorkingFileAndTheRequestsCardAtThePost)
{
    const QString card = cardFile();
    bool shown = false;
    whileShown = [&](QDialog &d) {
        auto &ficha = dynamic_cast<TFDigFich &>(d);
        shown = true;
        EXPECT_FALSE(ficha.ReadOnly);
        EXPECT_FALSE(ficha.imagenVisible()); // no card stored yet
        dialogs.answerFile(card);
        click(child<QPushButton>(ficha, "btCargar"));
        child<TClasFundEdit>(ficha, "edClasDer")->setText(QStringLiteral("V1234"));
        click(child<QPushButton>(ficha, "btGrabar"));
    };
    trigger(child<QAction>(form, "DigitalizarFicha1"));
    ASSERT_TRUE(shown);
    EXPECT_EQ(ped().state(), State::Edit);
    EXPECT_TRUE(ExisteArchivo(archivos::editTif));
    EXPECT_EQ(ped().value(QStringLiteral("C_CLASDER")).toString(), QStringLiteral("V1234"));
    EXPECT_TRUE(leftovers() == QStringList {QStringLiteral("edit.tif")}) << leftovers().join(u' ').toStdString();
    EXPECT_TRUE(dm->Timer.isActive());

    press(ui::DbNavigator::Button::Post);
    EXPECT_EQ(ped().state(), State::Browse);
    ASSERT_TRUE(ExisteArchivo(stored("h")));
    EXPECT_TRUE(cardImageProblem(ProgramFolder::resolve(stored("h"))).value_or(QStringLiteral("missing")).isEmpty());

    // the next visit shows the stored card; leaving without saving changes nothing
    whileShown = [&](QDialog &d) {
        auto &ficha = dynamic_cast<TFDigFich &>(d);
        EXPECT_TRUE(ficha.imagenVisible());
        EXPECT_FALSE(ficha.Changed);
        ficha.reject();
    };
    trigger(child<QAction>(form, "DigitalizarFicha1"));
    EXPECT_EQ(ped().state(), State::Browse);
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();
    QFile::remove(card);
}

TEST_F(ImageHandOver, SentRequestShowsItsCardReadOnlyAndNominativeRequestsHaveNone)
{
    ped().edit();
    ped().setValue(QStringLiteral("M_ENVIADO"), true);
    ped().setValue(QStringLiteral("C_EST"), QStringLiteral("E"));
    dm->grabacionAutorizada = true;
    ped().post();
    bool readOnly = false;
    whileShown = [&](QDialog &d) { readOnly = dynamic_cast<TFDigFich &>(d).ReadOnly; };
    trigger(child<QAction>(form, "DigitalizarFicha1"));
    EXPECT_TRUE(readOnly);

    ped().edit();
    ped().setValue(QStringLiteral("C_CARPED"), QStringLiteral("N"));
    dm->grabacionAutorizada = true;
    ped().post();
    bool opened = false;
    whileShown = [&](QDialog &) { opened = true; };
    trigger(child<QAction>(form, "DigitalizarFicha1"));
    EXPECT_FALSE(opened);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Ud. a ingresado un pedido con carácter Nominativo (sin ficha),\r"
                                                 "Omita el ingreso de la huella dactiloscópica y envíe directamente el pedido"));
    EXPECT_TRUE(dm->Timer.isActive());
}

TEST_F(ImageHandOver, ViewingTheDocumentsLeavesTheRequestAloneAndAChangeIsTaken)
{
    storeDocument(2);
    int pages = 0;
    whileShown = [&](QDialog &d) {
        auto &documentos = dynamic_cast<TFImgDig &>(d);
        pages = documentos.paginas() ? TiffFile::pageCount(documentos.copiaVisible()) : 0;
        click(child<QPushButton>(documentos, "btGrabar"));
    };
    click(child<QPushButton>(form, "btDocumento"));
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(ped().state(), State::Browse);
    EXPECT_FALSE(ExisteArchivo(archivos::docuTif));
    EXPECT_TRUE(leftovers().isEmpty()) << leftovers().join(u' ').toStdString();

    // a page deleted: the request takes the new document
    whileShown = [&](QDialog &d) {
        auto &documentos = dynamic_cast<TFImgDig &>(d);
        dialogs.answer(DialogButton::Yes);
        click(child<QPushButton>(documentos, "btBorrarPagina"));
        click(child<QPushButton>(documentos, "btGrabar"));
    };
    click(child<QPushButton>(form, "btDocumento"));
    EXPECT_EQ(ped().state(), State::Edit);
    ASSERT_TRUE(ExisteArchivo(archivos::docuTif));
    EXPECT_EQ(TiffFile::pageCount(ProgramFolder::resolve(archivos::docuTif)), 1);
    press(ui::DbNavigator::Button::Post);
    EXPECT_EQ(TiffFile::pageCount(ProgramFolder::resolve(stored("d"))), 1);
    EXPECT_TRUE(dm->Timer.isActive());
}

TEST_F(ImageHandOver, AnswerImageOpensInTheViewer)
{
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("El pedido no ha sido contestado"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Error"));

    ped().edit();
    ped().setValue(QStringLiteral("M_CONTESTA"), true);
    dm->grabacionAutorizada = true;
    ped().post();
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Este pedido no posee contestación"));

    QImage answer(1240, 1754, QImage::Format_Grayscale8);
    answer.fill(255);
    ASSERT_TRUE(TiffFile::writePages(ProgramFolder::resolve(stored("c")), {answer, answer, answer},
                                     PageFormat::BlackWhiteDocument));
    int shownPages = 0;
    whileShown = [&](QDialog &d) {
        auto &visor = dynamic_cast<TFVerImg &>(d);
        shownPages = child<ImageView>(visor, "ImgEdit")->pageCount();
        visor.accept();
    };
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(shownPages, 3);
    click(child<QPushButton>(form, "btContes"));
    // the file shown last stays until the next showing, the one before is gone
    EXPECT_EQ(leftovers().size(), 1);

    ped().edit();
    ped().setValue(QStringLiteral("C_EST"), QStringLiteral("R"));
    ped().setValue(QStringLiteral("X_RECHAZO"), QStringLiteral("FALTA LA FICHA"));
    dm->grabacionAutorizada = true;
    ped().post();
    click(child<QPushButton>(form, "btContes"));
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("FALTA LA FICHA"));
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Motivo del Rechazo"));
}

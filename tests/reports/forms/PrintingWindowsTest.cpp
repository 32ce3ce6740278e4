#include "PrintedPages.h"

#include "reports/ColaImpresion.h"
#include "reports/Impresora.h"
#include "reports/TrpOficio.h"
#include "reports/forms/ImprimirDocumento.h"
#include "reports/forms/TFImgPrn.h"
#include "reports/forms/TFreporte.h"
#include "requests/forms/TFped.h"

#include "core/Cp1252.h"
#include "core/ProgramFolder.h"
#include "data/ProgramFolderSetup.h"
#include "data/Tdm.h"
#include "imaging/TiffFile.h"
#include "support/QtPrinters.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

namespace qal::reports {
namespace {

// A program folder of its own for each test.
class PrintingWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        before = ProgramFolder::path();
        ProgramFolder::setPath(dir.path());
    }
    void TearDown() override
    {
        ProgramFolder::setPath(before);
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    QByteArray read(const QString &name)
    {
        QFile f(dir.file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    QString before;
};

TEST_F(PrintingWindows, ActivityReportKeepsItsLinesInLogpTxt)
{
    {
        QFile old(dir.file(QStringLiteral("logp.txt")));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(toCp1252(u"31/03/2026 10:00  Pedido Personal 7 Rechazado\r\nIBÁÑEZ\r\n"));
    }
    TFreporte window;
    EXPECT_EQ(window.lineas(), QStringList({"31/03/2026 10:00  Pedido Personal 7 Rechazado", "IBÁÑEZ"}));
    window.show();
    window.AgregarLinea(QStringLiteral("31/03/2026 10:05  Pedido Oficial 2 Recibido y en Trámite"));
    QTest::mouseClick(window.findChild<QPushButton *>(QStringLiteral("btCerrar")), Qt::LeftButton);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(read(QStringLiteral("logp.txt")),
              toCp1252(u"31/03/2026 10:00  Pedido Personal 7 Rechazado\r\nIBÁÑEZ\r\n"
                       u"31/03/2026 10:05  Pedido Oficial 2 Recibido y en Trámite\r\n"));
    // written through a file renamed over the old one: nothing else is left beside it
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList({"logp.txt"}));
}

TEST_F(PrintingWindows, ActivityReportIsSavedWhenTheProgramEndsWithItOpen)
{
    {
        TFreporte untouched;
        untouched.show();
        untouched.close();
    }
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("logp.txt")))) << "a run without lines makes no file";
    {
        TFreporte window;
        window.show();
        window.AgregarLinea(QStringLiteral("línea de la sesión"));
    } // the program's windows are destroyed at its end
    EXPECT_EQ(read(QStringLiteral("logp.txt")), toCp1252(u"línea de la sesión\r\n"));
}

TEST_F(PrintingWindows, ClearingTheActivityReportAsksFirst)
{
    TFreporte window;
    window.AgregarLinea(QStringLiteral("uno"));
    auto *limpiar = window.findChild<QPushButton *>(QStringLiteral("btLimpiar"));
    dialogs.answer(DialogButton::No);
    QTest::mouseClick(limpiar, Qt::LeftButton);
    EXPECT_EQ(window.lineas(), QStringList({"uno"}));
    dialogs.answer(DialogButton::Yes);
    QTest::mouseClick(limpiar, Qt::LeftButton);
    EXPECT_EQ(window.lineas(), QStringList());
    EXPECT_EQ(dialogs.texts(), QStringList(2, "Todos los Datos serán Borrados. Desea Continuar?"));
    EXPECT_EQ(dialogs.titles(), QStringList(2, "Advertencia"));
}

// A printer that takes its time.
ColaImpresion::Sink slowSink(QStringList *done, int msecs)
{
    return [done, msecs](const Report &r, QString *) {
        QThread::msleep(msecs);
        done->append(r.title()); // only the worker writes; read after waitForDone
        return true;
    };
}

std::unique_ptr<Report> named(const QString &lugar)
{
    auto r = std::make_unique<TrpOficio>();
    r->datos.lugarYFecha = lugar;
    return r;
}

TEST_F(PrintingWindows, QueuedDocumentsNeverHoldUpTheCallerAndLeaveInOrder)
{
    ColaImpresion queue;
    QStringList done;
    queue.setSink(slowSink(&done, 150));
    QSignalSpy printed(&queue, &ColaImpresion::printed);
    QElapsedTimer clock;
    clock.start();
    const int first = queue.enqueue(named(QStringLiteral("a")));
    queue.enqueue(named(QStringLiteral("b")));
    queue.enqueue(named(QStringLiteral("c")));
    EXPECT_LT(clock.elapsed(), 100) << "enqueue waited for the printer";
    EXPECT_EQ(queue.pending(), 3);
    ASSERT_TRUE(queue.waitForDone(10000));
    EXPECT_EQ(done, QStringList(3, "Oficio"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return printed.size() == 3; }, 5000));
    EXPECT_EQ(printed[0][0].toInt(), first);
    EXPECT_EQ(printed[2][0].toInt(), first + 2);
}

TEST_F(PrintingWindows, AFailedQueuedDocumentIsReported)
{
    ColaImpresion queue;
    queue.setSink([](const Report &, QString *error) {
        *error = kSinImpresora;
        return false;
    });
    QSignalSpy failed(&queue, &ColaImpresion::failed);
    queue.enqueue(named(QStringLiteral("x")));
    ASSERT_TRUE(QTest::qWaitFor([&] { return failed.size() == 1; }, 5000));
    EXPECT_EQ(failed[0][1].toString(), "Oficio");
    EXPECT_EQ(failed[0][2].toString(), kSinImpresora);
}

TEST_F(PrintingWindows, PrintingWithoutAnyPrinterSaysSoAtOnce)
{
    if (HayImpresora())
        GTEST_SKIP() << "this machine has a printer";
    TrpOficio letter;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ImprimirDirecto(letter));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(dialogs.texts(), QStringList({kSinImpresora}));
}

TEST_F(PrintingWindows, PrintDialogCanSendTheDocumentToAPdfFile)
{
    TrpOficio letter;
    DialogPrinter choice;
    choice.outputFile = dir.file(QStringLiteral("oficio.pdf"));
    dialogs.answerPrinter(choice);
    EXPECT_TRUE(ImprimirConDialogo(letter));
    EXPECT_EQ(test::pdfPageCount(choice.outputFile), 1);
    ASSERT_EQ(dialogs.printDialogs().size(), 1);
    EXPECT_EQ(dialogs.printDialogs()[0].title, "Imprimir - Oficio");

    dialogs.answerPrinter(std::nullopt); // cancelled: nothing printed, nothing said
    EXPECT_FALSE(ImprimirConDialogo(letter));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

TEST_F(PrintingWindows, CardPreviewNeedsItsImage)
{
    EXPECT_FALSE(VerFicha(QStringLiteral("15_3.bmp"), QStringLiteral("Ped:15 Reg:3")));
    EXPECT_EQ(dialogs.texts(), QStringList({"Imágen: \"15_3.bmp\" inexistente."}));
}

TEST_F(PrintingWindows, ImageWindowPrintsEveryPageThroughTheQueueAndCloses)
{
    QStringList done;
    ColaImpresion::instance().setSink(slowSink(&done, 50));
    TFImgPrn window;
    EXPECT_EQ(window.Imprimir(QStringLiteral("cp9.12")), 0) << "a missing file prints nothing";
    EXPECT_FALSE(window.isVisible());

    QImage page(200, 300, QImage::Format_Mono);
    page.fill(1);
    ASSERT_TRUE(TiffFile::writePage(dir.file(QStringLiteral("cp1.12")), page, PageFormat::BlackWhiteDocument));
    const int job = window.Imprimir(QStringLiteral("cp1.12"));
    EXPECT_GT(job, 0);
    EXPECT_TRUE(window.isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000)) << "the window stays open";
    EXPECT_EQ(done, QStringList({"cp1.12"}));
    ColaImpresion::instance().setSink([](const Report &r, QString *e) { return Imprimir(r, {}, e); });
}

TEST_F(PrintingWindows, OfficialFormPreviewsTheLetterOfItsRequest)
{
    createProgramFolder(dir.path());
    addSampleRequests(dir.path());
    Tdm dm;
    dm.dmCreate();
    ASSERT_TRUE(dm.InicioCompleto);
    ASSERT_TRUE(dm.ped.findKey(1));
    QStringList previewed;
    const Previsualizador previous = SetPrevisualizador([&previewed](const Report &r, QWidget *) {
        const auto *letter = dynamic_cast<const TrpOficio *>(&r);
        previewed << (letter ? letter->datos.apellidos + letter->datos.apellidosSupuestos : QStringLiteral("?"));
    });
    {
        TFped form(dm);
        form.show();
        QTest::mouseClick(form.findChild<QPushButton *>(QStringLiteral("btOficio")), Qt::LeftButton);
    }
    SetPrevisualizador(previous);
    EXPECT_EQ(previewed, QStringList({"GOMEZ PEREYRA o  GOMES"}));
    EXPECT_TRUE(dialogs.texts().isEmpty());
}

} // namespace
} // namespace qal::reports

// The grid printer, read back: its PDF through pdftotext, its text file byte for byte.
#include "PrintedPages.h"

#include "reports/ReportFonts.h"
#include "reports/TPrintGrid.h"

#include "core/Clock.h"
#include "core/Cp1252.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardItemModel>

#include <gtest/gtest.h>

using namespace qal;

namespace {

class PrintGrid : public ::testing::Test
{
protected:
    void SetUp() override
    {
        reports::LoadReportFonts();
        Clock::setFixed(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
        model.setHorizontalHeaderLabels({"Código", "Apellido", "Organismo"});
        for (int r = 1; r <= 200; ++r)
            model.appendRow({new QStandardItem(QString::number(r)), new QStandardItem(QStringLiteral("MUÑOZ%1").arg(r)),
                             new QStandardItem(QStringLiteral("FISCALÍA Nº %1").arg(r % 7))});
        // display widths in characters, as a table's fields give them
        for (const auto &[column, width] : {std::pair {0, 8}, {1, 15}, {2, 20}})
            model.setHeaderData(column, Qt::Horizontal, width, TPrintGrid::DisplayWidthRole);
        grid.DBGrid = &model;
        grid.Header = QStringLiteral("QAL - Regional Córdoba - Informe de Pedidos");
        grid.RowLines = true;
    }
    void TearDown() override
    {
        Clock::reset();
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    // The text of each page of the PDF.
    QStringList pdfPages(const QString &pdf)
    {
        bool ok = false;
        const QString text = test::runTool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")}, &ok);
        EXPECT_TRUE(ok) << "pdftotext failed on " << pdf.toStdString();
        QStringList pages = text.split(u'\f');
        if (!pages.isEmpty() && pages.back().trimmed().isEmpty())
            pages.removeLast();
        return pages;
    }
    void printToPdf(const QString &pdf, int from = 0, int to = 0)
    {
        DialogPrinter choice;
        choice.outputFile = pdf;
        choice.fromPage = from;
        choice.toPage = to;
        dialogs.answerPrinter(choice);
        grid.Print();
    }

    test::TempFolder dir;
    test::ScriptedDialogs dialogs;
    QStandardItemModel model;
    TPrintGrid grid;
};

} // namespace

TEST_F(PrintGrid, EveryRowIsPrintedUnderTheHeaderPageAfterPage)
{
    const QString pdf = dir.file("lista.pdf");
    printToPdf(pdf);
    ASSERT_EQ(dialogs.printDialogs().size(), 1);
    EXPECT_EQ(dialogs.printDialogs()[0].fromPage, 1);
    EXPECT_EQ(dialogs.printDialogs()[0].toPage, 1000);
    EXPECT_TRUE(dialogs.printDialogs()[0].offerTextFile);
    const int pages = grid.PageCount();
    EXPECT_GT(pages, 1);
    EXPECT_EQ(test::pdfPageCount(pdf), pages);
    const QStringList text = pdfPages(pdf);
    ASSERT_EQ(text.size(), pages);
    for (int p = 0; p < pages; ++p) {
        EXPECT_TRUE(text[p].contains("QAL - Regional Córdoba - Informe de Pedidos")) << p;
        EXPECT_TRUE(text[p].contains("09/12/2026")) << p;
        EXPECT_TRUE(text[p].contains(QStringLiteral("Page: %1").arg(p + 1))) << p;
        EXPECT_TRUE(text[p].contains(QRegularExpression("Código\\s+Apellido\\s+Organismo"))) << p;
    }
    EXPECT_TRUE(text[0].contains(QRegularExpression("\\b1\\s+MUÑOZ1\\s+FISCALÍA Nº 1")));
    EXPECT_TRUE(text.back().contains(QRegularExpression("200\\s+MUÑOZ200\\s+FISCALÍA Nº 4")));
    // each row once, in order
    QString all = text.join(u'\n');
    int at = 0;
    for (int r = 1; r <= 200; ++r) {
        const int next = all.indexOf(QStringLiteral("MUÑOZ%1 ").arg(r), at);
        ASSERT_GE(next, at) << "row " << r << "\n" << all.mid(std::max(0, at - 300), 900).toStdString();
        at = next;
    }
}

TEST_F(PrintGrid, APageRangePrintsOnlyThosePagesAndTooWideAGridIsPrintedAfterAWarning)
{
    const QString pdf = dir.file("rango.pdf");
    printToPdf(pdf, 2, 2);
    const QStringList text = pdfPages(pdf);
    ASSERT_EQ(text.size(), 1);
    EXPECT_TRUE(text[0].contains("Page: 2"));
    EXPECT_FALSE(text[0].contains("MUÑOZ1 "));
    EXPECT_TRUE(dialogs.texts().isEmpty());

    model.setHorizontalHeaderItem(2, new QStandardItem(QString(200, u'O')));
    const QString wide = dir.file("ancha.pdf");
    printToPdf(wide);
    EXPECT_EQ(dialogs.texts(), QStringList({"Report Width Is Greater Than Paper Width."}));
    EXPECT_EQ(test::pdfPageCount(wide), grid.PageCount());
}

TEST_F(PrintGrid, TheTextFileHasPagesOfSixtySixLinesWithTabsAfterEachText)
{
    const QString file = dir.file("LISTA.TXT");
    DialogPrinter toFile;
    toFile.textFile = true;
    dialogs.answerPrinter(toFile);
    dialogs.answerFile(file);
    grid.Print();
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    EXPECT_TRUE(bytes.contains("MU\xD1OZ1\t")) << "Windows-1252";
    QStringList lines = fromCp1252(bytes).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.takeLast(), QString()) << "every line ends with CR LF";
    ASSERT_EQ(lines.size(), 66 + 66 + 66 + (200 - 3 * 64 + 2));
    for (int page : {0, 1, 2, 3}) {
        EXPECT_EQ(lines[page * 66], "QAL - Regional Córdoba - Informe de Pedidos");
        EXPECT_EQ(lines[page * 66 + 1], "Código\tApellido\tOrganismo\t");
    }
    EXPECT_EQ(lines[2], "1\tMUÑOZ1\tFISCALÍA Nº 1\t");
    EXPECT_EQ(lines[65], "64\tMUÑOZ64\tFISCALÍA Nº 1\t");
    EXPECT_EQ(lines[68], "65\tMUÑOZ65\tFISCALÍA Nº 2\t");
    EXPECT_EQ(lines.back(), "200\tMUÑOZ200\tFISCALÍA Nº 4\t");

    dialogs.answerPrinter(toFile);
    dialogs.answerFile(file);
    dialogs.answer(DialogButton::No);
    model.removeRows(0, 100);
    grid.Print();
    EXPECT_EQ(dialogs.lastText(), file + " Already Exists. Do You Want To Overwrite This File?");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes) << "kept when the operator says No";
}

TEST_F(PrintGrid, WithoutAGridNothingIsAsked)
{
    TPrintGrid unbound;
    try {
        unbound.Print();
        FAIL() << "printed without a grid";
    } catch (const TPrintGrid::Error &e) {
        EXPECT_STREQ(e.what(), "PrintGrid. DBGrid Property Was Not Specified.");
    }
    EXPECT_TRUE(dialogs.printDialogs().isEmpty());
}

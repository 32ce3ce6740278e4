#include "PrintedPages.h"

#include "support/QtPrinters.h"
#include "support/TempFolder.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace qal::test {
namespace {

const QString kAdmin = QStringLiteral(QAL_BIN_DIR "/qal-admin");

int admin(const QStringList &args, QString *errors = nullptr)
{
    QProcess p;
    p.start(kAdmin, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        return -1;
    }
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// The demo office: every document of qal-admin print, written as PDF.
TEST(AdminPrint, EveryDocumentOfTheDemoFolderToPdf)
{
    TempFolder dir;
    const QString folder = dir.file(QStringLiteral("demo"));
    ASSERT_EQ(admin({QStringLiteral("init"), QStringLiteral("--demo"), folder}), 0);
    const QList<QPair<QStringList, QString>> documents {
        {{"oficio", "1"}, "595 x 842 pts (A4)"},
        {{"comprobante", "1"}, "595 x 842 pts (A4)"},
        {{"contestacion", "1"}, "595 x 842 pts (A4)"},
        {{"rechazo", "2"}, "595 x 842 pts (A4)"},
        {{"ficha", "oficial", "1"}, "842 x 595 pts (A4)"},
        {{"ficha", "personal", "1"}, "842 x 595 pts (A4)"},
    };
    for (const auto &[words, size] : documents) {
        const QString pdf = dir.file(words.join(u'-') + QStringLiteral(".pdf"));
        QString errors;
        EXPECT_EQ(admin(QStringList {QStringLiteral("print"), folder} + words + QStringList {"--pdf", pdf}, &errors), 0)
            << words.join(u' ').toStdString() << ": " << errors.toStdString();
        EXPECT_EQ(pdfPageSize(pdf), size) << words.join(u' ').toStdString();
    }
    // the receipt's bar code as a scanner reads it off the page
    const QString scan = dir.file(QStringLiteral("comprobante.png"));
    ASSERT_TRUE(pdfPage(dir.file(QStringLiteral("comprobante-1.pdf")), 300).save(scan));
    EXPECT_EQ(decodeBarcodes(scan), QStringLiteral("1/12"));
}

TEST(AdminPrint, UnknownRequestsAndDocumentsAreRefused)
{
    TempFolder dir;
    const QString folder = dir.file(QStringLiteral("demo"));
    ASSERT_EQ(admin({QStringLiteral("init"), QStringLiteral("--demo"), folder}), 0);
    QString errors;
    EXPECT_EQ(admin({"print", folder, "oficio", "99", "--pdf", dir.file("x.pdf")}, &errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("No existe el pedido 99"))) << errors.toStdString();
    EXPECT_EQ(admin({"print", folder, "carta", "1"}), 2);
    EXPECT_EQ(admin({"print", folder, "oficio", "uno"}), 2);
    EXPECT_EQ(admin({"print", folder, "ficha", "oficial", "2", "--pdf", dir.file("f.pdf")}, &errors), 1);
    EXPECT_TRUE(errors.contains(QStringLiteral("Imágen: \"h2.12\" inexistente."))) << errors.toStdString();
    EXPECT_FALSE(QFile::exists(dir.file("f.pdf")));
}

} // namespace
} // namespace qal::test

// qal-admin receive: one reception cycle without windows, answers printed to PDF files.
#include "exchange/IncomingFixture.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace qal;
using namespace qal::test;

namespace {

using AdminReceive = IncomingFixture;
using M = MensajesCentral;

TEST_F(AdminReceive, PrintsTheCountersAndTheActivityAndWritesTheAnswersAsPdf)
{
    const qlonglong answered = request();
    const qlonglong confirmed = request();
    const qlonglong foreign = request();
    QImage page(400, 300, QImage::Format_Grayscale8);
    page.fill(255);
    const QString tif = dir.file(QStringLiteral("pagina.tif"));
    ASSERT_TRUE(page.save(tif, "TIFF"));
    rig.inject(M::contestacion(QStringLiteral("CONTESTACION OFICIAL"), answered, kReg, 1, readFile(tif)));
    rig.inject(M::confirmacion(confirmed, kReg, 2));
    rig.inject(M::confirmacion(foreign, 9, 3));
    smime.reset();
    mail.reset();
    dm.reset();

    QTemporaryDir pdf;
    QProcess run;
    run.start(QStringLiteral(QAL_BIN_DIR) + QStringLiteral("/qal-admin"),
              {QStringLiteral("receive"), dir.path(), QStringLiteral("--pdf"), pdf.path()});
    ASSERT_TRUE(run.waitForFinished(120000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    EXPECT_EQ(run.exitCode(), 1) << "one message could not be processed";
    const QRegularExpression line(
        QStringLiteral("^\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d  Pedido Oficial %1 Recibido y en Trámite$").arg(confirmed),
        QRegularExpression::MultilineOption);
    EXPECT_TRUE(line.match(out).hasMatch()) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral(" - Error al procesar correo: Error RecibirMsgIndyToQal: ")));
    EXPECT_TRUE(out.endsWith(QStringLiteral("Procesados: 2 - No procesados: 1 - Reenviados: 0 - Total en el servidor: 1\n")))
        << out.toStdString();
    const QStringList pdfs = QDir(pdf.path()).entryList({QStringLiteral("*.pdf")});
    ASSERT_EQ(pdfs.size(), 1);
    EXPECT_TRUE(readFile(QDir(pdf.path()).filePath(pdfs[0])).startsWith("%PDF"));
    EXPECT_EQ(rig.messageCount(), 1);
}

} // namespace

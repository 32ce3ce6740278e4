#include "PrintedPages.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace qal::test {

QString runTool(const QString &program, const QStringList &arguments, bool *ok)
{
    QProcess p;
    p.start(program, arguments);
    const bool finished = p.waitForStarted(10000) && p.waitForFinished(60000);
    if (!finished)
        p.kill();
    if (ok)
        *ok = finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput());
}

QImage pdfPage(const QString &pdf, int dpi, int page)
{
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    bool ok = false;
    runTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-gray"), QStringLiteral("-png"),
             QStringLiteral("-singlefile"), QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
             QString::number(page), pdf, base},
            &ok);
    if (!ok)
        return {};
    return QImage(base + QStringLiteral(".png")).convertToFormat(QImage::Format_Grayscale8);
}

QString pdfPageSize(const QString &pdf)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Page size:\\s*(.*)")).match(info);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

int pdfPageCount(const QString &pdf)
{
    const QString info = runTool(QStringLiteral("pdfinfo"), {pdf});
    const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s*(\\d+)")).match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString decodeBarcodes(const QString &imageFile)
{
    return runTool(QStringLiteral("zbarimg"), {QStringLiteral("-q"), QStringLiteral("--raw"), imageFile}).trimmed();
}

qint64 differingPixels(const QImage &a, const QImage &b, int tolerance)
{
    if (a.size() != b.size())
        return qint64(std::max(a.width(), b.width())) * std::max(a.height(), b.height());
    const QImage ga = a.convertToFormat(QImage::Format_Grayscale8);
    const QImage gb = b.convertToFormat(QImage::Format_Grayscale8);
    qint64 count = 0;
    for (int y = 0; y < ga.height(); ++y) {
        const uchar *ra = ga.constScanLine(y);
        const uchar *rb = gb.constScanLine(y);
        for (int x = 0; x < ga.width(); ++x)
            count += std::abs(int(ra[x]) - int(rb[x])) > tolerance;
    }
    return count;
}

} // namespace qal::test

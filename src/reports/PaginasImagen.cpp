#include "PaginasImagen.h"

#include "Canvas.h"

#include "core/ProgramFolder.h"
#include "imaging/TiffFile.h"

#include <QFileInfo>

namespace qal::reports {

QImage ParaImprimirSinPerdida(const QImage &image)
{
    if (image.format() != QImage::Format_Mono && image.format() != QImage::Format_MonoLSB)
        return image;
    QImage mono = image.convertToFormat(QImage::Format_Mono);
    const QList<QRgb> table = mono.colorTable();
    // index 0 must be the dark one: swap the bits when the file's table has it the other way
    if (table.size() == 2 && qGray(table[0]) > qGray(table[1]))
        mono.invertPixels();
    mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    return mono;
}

bool PaginasImagen::abrir(const QString &fileName, QString *error)
{
    m_pages.clear();
    m_title = QFileInfo(fileName).fileName();
    const QString path = ProgramFolder::resolve(fileName);
    if (fileName.isEmpty() || !QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Imágen: \"%1\" inexistente.").arg(fileName);
        return false;
    }
    const int count = TiffFile::pageCount(path, error);
    if (count < 1)
        return false;
    for (int page = 1; page <= count; ++page) {
        QImage image = TiffFile::readPage(path, page, error);
        if (image.isNull()) {
            m_pages.clear();
            return false;
        }
        m_pages.append(ParaImprimirSinPerdida(image));
    }
    return true;
}

void PaginasImagen::setPages(QList<QImage> pages)
{
    m_pages.clear();
    for (const QImage &page : pages)
        m_pages.append(ParaImprimirSinPerdida(page));
}

void PaginasImagen::paintPage(Canvas &canvas, int page) const
{
    if (page >= 0 && page < m_pages.size())
        canvas.image(QRectF(QPointF(0, 0), canvas.page()), m_pages[page]);
}

} // namespace qal::reports

#include "TrpFicha.h"

#include "Canvas.h"
#include "ReportFonts.h"

#include "core/ProgramFolder.h"
#include "imaging/TiffFile.h"

#include <QFileInfo>

namespace qal::reports {

bool TrpFicha::SetImagen(const QString &fileName, QString *error)
{
    m_image = QImage();
    const QString path = ProgramFolder::resolve(fileName);
    if (fileName.isEmpty() || !QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Imágen: \"%1\" inexistente.").arg(fileName);
        return false;
    }
    QString why;
    m_image = TiffFile::readPage(path, 1, &why);
    if (m_image.isNull()) {
        if (error)
            *error = QStringLiteral("Imágen: \"%1\" ilegible. %2").arg(fileName, why);
        return false;
    }
    return true;
}

void TrpFicha::paint(Canvas &c) const
{
    // the card's frame keeps the proportions of the card form: twice as wide as high
    const double w = c.page().width();
    const QRectF frame(0, 0, w, w / 2);
    c.frame(frame, 0.3);
    c.image(frame.adjusted(1, 1, -1, -1), m_image);
    const QFont font = ReportFont(Face::Arial, 12, true);
    c.text(QRectF(0, frame.bottom() + 4, w, c.lineHeight(font)), Qt::AlignHCenter | Qt::AlignTop, m_caption, font);
}

} // namespace qal::reports

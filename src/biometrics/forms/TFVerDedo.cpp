#include "biometrics/forms/TFVerDedo.h"

#include "imaging/BmpFile.h"

#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

namespace qal {

TFVerDedo::TFVerDedo(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TFVerDedo"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(5, 5, 5, 5);
    m_imagen = new QLabel(this);
    m_imagen->setObjectName(QStringLiteral("imgDedo"));
    m_imagen->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_imagen);
}

bool TFVerDedo::cargar(const QString &file, const QString &caption)
{
    const GreyImage image = BmpFile::readGrey(file);
    if (image.isNull())
        return false;
    m_imagen->setPixmap(QPixmap::fromImage(image.toQImage()));
    setWindowTitle(caption);
    setFixedSize(image.width() + 10, image.height() + 10);
    return true;
}

} // namespace qal

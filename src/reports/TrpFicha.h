#pragma once

#include "Report.h"

#include <QImage>

namespace qal::reports {

// The complete fingerprint card on a landscape page: the card image in a frame twice as
// wide as high, and a caption under it ("Ped:15 Reg:3").
class TrpFicha final : public Report
{
public:
    // Loads the card image. False when the file does not exist (error: "Imágen:
    // "name" inexistente.") or cannot be read.
    bool SetImagen(const QString &fileName, QString *error = nullptr);
    void SetTitulo(const QString &caption) { m_caption = caption; }
    // For tests and callers that hold the image already.
    void setImage(const QImage &image) { m_image = image; }

    const QImage &image() const { return m_image; }
    const QString &caption() const { return m_caption; }

    QString title() const override { return QStringLiteral("Ficha"); }
    QPageLayout::Orientation orientation() const override { return QPageLayout::Landscape; }
    void paint(Canvas &canvas) const override;

private:
    QImage m_image;
    QString m_caption;
};

} // namespace qal::reports

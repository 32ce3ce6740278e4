#pragma once

#include <QDialog>

namespace qal {

class ImageView;

// "Impresión de Imagen": shows an image file while its pages go to the printer, then
// closes. Printing goes through the print queue, so whoever asked (the processing of an
// arriving answer) goes on at once.
class TFImgPrn : public QDialog
{
    Q_OBJECT

public:
    explicit TFImgPrn(QWidget *parent = nullptr);

    // Prints every page of file fitted to the page. A missing file prints nothing and the
    // window closes all the same. Returns the queue's job number, 0 when nothing was queued.
    int Imprimir(const QString &file);

    ImageView *imagen() const { return m_view; }

private:
    ImageView *m_view;
    int m_job = 0;
};

} // namespace qal

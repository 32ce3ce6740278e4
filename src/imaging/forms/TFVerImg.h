#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFVerImg;
}

namespace qal {

class PageControls;

// "Visualización de Imagenes": shows a stored image (a request's answer, a document)
// page by page, read-only, with the zoom modes of the document window.
class TFVerImg : public QDialog
{
    Q_OBJECT

public:
    explicit TFVerImg(QWidget *parent = nullptr);
    ~TFVerImg() override;

    PageControls *paginas() const { return m_paginas; }

    // The file shown the next time the window is shown.
    QString archivo;
    // Shows the file itself (no copy); false, and nothing shown, when it cannot be read.
    bool mostrarArchivo(const QString &file);

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFVerImg> m_ui;
    PageControls *m_paginas;
};

} // namespace qal

#pragma once

#include <QDialog>
#include <QImage>

#include <memory>

namespace Ui {
class TFImgDig;
}

namespace qal {

class PageControls;
class TTwainForm;

// "Digitalización de la documentación": the operator scans, appends, inserts, deletes and
// rotates the pages of a request's documents, one multi-page TIFF. The window edits a
// display copy "scan<k>.tif" and writes the document file itself only through its page
// operations and when it closes. Page operations copy pages without decoding them, so every
// page keeps its own compression; a rotated page is encoded again in its own.
//
// The caller sets the document file and notes its modification time; after the window it
// takes the file only when it exists and is newer. Viewing keeps the time as it was.
class TFImgDig : public QDialog
{
    Q_OBJECT

public:
    explicit TFImgDig(QWidget *parent = nullptr);
    ~TFImgDig() override;

    PageControls *paginas() const { return m_paginas; }

    // The document being edited; a name that does not exist yet starts a new document.
    QString archivoDocumento = QStringLiteral("test.tif");
    // The scanner dialog used; the program's one when not set.
    TTwainForm *twain = nullptr;

    bool guardado() const { return m_guardado; }
    QString copiaVisible() const { return m_copia; }
    QString operacion() const { return m_operacion; }

    enum class Operacion { Reemplazar, Agregar, Insertar };
    // Scans and applies the pages to the document. Nothing happens while another scan runs.
    void digitalizar(Operacion op);
    void borrarPagina();
    void rotarIzquierda();
    void rotarDerecha();
    void cargarImagen();
    void configurarScanner();
    void btGrabarClick();
    void btCerrarClick();
    // Shows the document file (a fresh display copy); nothing when it does not exist.
    void mostrarDocumento();

    // Files of the program folder the window uses.
    static QString nombreCopia(int k);
    static QString nombreTemporal(int n, const char *extension);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    TTwainForm &escaner();
    bool guardarEdiciones();
    bool volcarCopia();
    void aplicarPaginas(Operacion op, const QList<QImage> &pages, bool grey);
    void actualizarTitulo();
    void borrarTemporales();
    void aviso(const QString &text);

    std::unique_ptr<Ui::TFImgDig> m_ui;
    PageControls *m_paginas;
    QString m_copia;       // the display copy shown, empty when nothing is shown
    QString m_operacion;   // "REDIGITALIZAR", "AGREGAR" or "INSERTAR" while a scan runs
    int m_k = 0;
    int m_n = 0;
    bool m_guardado = true;
};

} // namespace qal

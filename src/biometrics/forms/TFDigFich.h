#pragma once

#include "imaging/forms/ImageView.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TFDigFich;
}

namespace qal {

class TTwainForm;

// "Digitalización de la ficha dactiloscópica": a paper ten-print card scanned or loaded
// from a file, shown, and saved as the card TIFF the acceptance rules ask for, with the
// two hands' fundamental classification.
//
// The caller clears ResultFile, sets ReadOnly, ClasDer, ClasIzq and Changed = false, calls
// ocultarImagen(), may load a copy of the stored card with LoadCardImage(file, false), and
// shows the window modally. Afterwards it takes ResultFile when that file exists and
// Changed is set, and the classifications. Every other file the window made is gone.
class TFDigFich : public QDialog
{
    Q_OBJECT

public:
    explicit TFDigFich(QWidget *parent = nullptr);
    ~TFDigFich() override;

    QString ResultFile;
    QString ClasDer = QStringLiteral("_____");
    QString ClasIzq = QStringLiteral("_____");
    bool Changed = false;
    bool ReadOnly = false;
    // The scanner dialog used; the program's one when not set.
    TTwainForm *twain = nullptr;

    // Converts any card image file into the card TIFF and BMP and shows it. A file that
    // cannot be read changes nothing.
    void LoadCardImage(const QString &file, bool changed);
    void ocultarImagen();
    bool digitalizando() const { return m_digitalizando; }
    bool imagenVisible() const;

    void configurarScanner();
    void setZoomMode(ImageView::ZoomMode mode);

    // The card files of the program folder.
    static QString outTif();
    static QString outBmp();
    static QString huella(int n, const char *extension);

protected:
    void showEvent(QShowEvent *event) override;
    void done(int result) override;

private:
    // Handlers of the form's controls, reached through them.
    void btDigitalizarClick();
    void btCargarClick();
    void miCargarImagenClick();
    void btGrabarClick();

    TTwainForm &escaner();
    bool convertir(const QString &tif, const QString *bmp);
    void mostrarFicha();
    void estadoDeshabilitado();
    void estadoHabilitado();
    void actualizarGrabar();
    void cargarDesdeArchivo();
    void borrarArchivos();

    std::unique_ptr<Ui::TFDigFich> m_ui;
    int m_contador = 0;
    bool m_digitalizando = false;
    QString m_clasDerMostrada;
    QString m_clasIzqMostrada;
};

} // namespace qal

#pragma once

#include "biometrics/FingerQuality.h"
#include "biometrics/TCrono.h"
#include "imaging/GreyImage.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class QLabel;
class QFrame;
class QTimer;

namespace Ui {
class TFLiveScanPlano;
}

namespace qal {

class Tdm;
class TFCalidad;
class TFingerScan;
class TFProgreso;
class TFVerDedo;
class TInfoWnd;

// "Captura de huellas con LiveScan": the ten flat prints of one request, taken from the
// scanner or through the external capture programs, each scored for quality, with both
// hands' classification, saved as the packed set dedos.zip.
//
// The caller creates the form for one capture, calls CaptureTenPrints and, when it returns
// true, takes ResultZip and the classifications; then frees the form.
class TFLiveScanPlano : public QDialog
{
    Q_OBJECT

public:
    // scan: the program's scanner object (none: prints come only from the external programs).
    TFLiveScanPlano(Tdm &dm, TFingerScan *scan, QWidget *parent = nullptr);
    ~TFLiveScanPlano() override;

    bool CaptureTenPrints(int cPed, int cReg, bool readOnly, bool official, QString &clasIzq, QString &clasDer);

    QString ResultZip;

    // The enlarged view and the progress form; the form makes its own when not given.
    TFVerDedo *verDedo = nullptr;
    TFProgreso *progreso = nullptr;
    // Shows a modal window (this form, the enlarged view, the configuration, the card);
    // tests drive the windows themselves.
    std::function<int(QDialog &)> mostrarModal = [](QDialog &d) { return d.exec(); };

    int dedoActual() const { return m_actual; }
    void seleccionarDedo(int n);
    const TenQualityRecords &calidades() const { return m_calidad; }
    bool modificado() const { return m_modificado; }
    bool soloLectura() const { return m_soloLectura; }
    bool ocupado() const { return m_ocupado; }
    QString estado(int panel) const;
    QLabel *slot(int n) const;
    QFrame *marco(int n) const;
    const GreyImage &imagen(int n) const { return m_imagenes[std::size_t(n - 1)]; }
    TFCalidad *calidad() const { return m_calidadWnd; }
    TInfoWnd *info() const { return m_info; }
    QTimer *croAvance() const { return m_croAvance; }
    TCrono &croClick() { return m_croClick; }

    // The handlers, as the controls call them.
    void AfterScan(const QByteArray &bmp);
    void btCapturarClick();
    void capturarUno(); // Enter
    void amputar(int k); // amp_d<k>
    void btLimpiarClick();
    void btCalidadClick();
    bool btGrabarClick(); // true when the set was saved and the form closed
    void btSalirClick();
    void miImprimirClick();
    void miConfiguracionClick();
    void slotSoltado(int n); // a mouse release in slot n

    static QString zipPath();
    static QString dedoBmp(int n);
    static QString dedoWsq(int n);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void done(int result) override;

private:
    bool teclaDedo(QKeyEvent *event);
    void siguienteDedo();
    void anteriorDedo();
    void avance();
    void leerOpciones();
    void cargarDedo(const QString &file);        // scored, into the current slot
    void ponerDedo(GreyImage image, const QualityRecord &record);
    void mostrarEnSlot(int n, GreyImage image);  // not scored
    void vaciarSlot(int n);
    void escalar(int n);
    void mostrarCalidad(int n);
    void mostrarCalidadActual();
    void setEstado(const QString &text);
    void borrarDedos();
    bool desempaquetar(const QString &stored);
    bool grabar();
    void aplicarSoloLectura();

    std::unique_ptr<Ui::TFLiveScanPlano> m_ui;
    Tdm &m_dm;
    TFingerScan *m_scan;
    std::unique_ptr<TFVerDedo> m_verDedoPropio;
    std::unique_ptr<TFProgreso> m_progresoPropio;
    TFCalidad *m_calidadWnd = nullptr;
    TInfoWnd *m_info = nullptr;
    QLabel *m_panel0 = nullptr;
    QLabel *m_panel1 = nullptr;
    QTimer *m_croAvance = nullptr;

    int m_cPed = 0;
    int m_cReg = 0;
    bool m_oficial = true;
    bool m_soloLectura = false;
    int m_actual = 1;
    TenQualityRecords m_calidad {};
    std::array<GreyImage, 10> m_imagenes;
    bool m_modificado = false;
    bool m_ocupado = false;
    bool m_autoAvance = false;
    bool m_flipHor = false;
    bool m_flipVer = false;
    TCrono m_croClick;
    TCrono m_croSesion;
};

} // namespace qal

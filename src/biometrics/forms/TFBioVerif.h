#pragma once

#include "biometrics/TCrono.h"
#include "imaging/GreyImage.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QStatusBar;

namespace qal {

class FingerprintVerifier;
class TFingerScan;
class Tdm;

// "Identificación Biometrica": one fingerprint, from the scanner or from the single-print
// capture program, is compressed to WSQ and checked by the central office against the user
// name typed in the form. A verification that succeeds closes the form with OK.
//
// The caller sets the caption, clears the picture or leaves it, and shows the form modally;
// afterwards it reads usuarioVerificado() and resultado(). Each showing is a new visit: the
// result starts at 0. While the office is asked the form keeps painting and says so in its
// status bar; it cannot be closed then, and prints arriving meanwhile are dropped.
class TFBioVerif : public QDialog
{
    Q_OBJECT

public:
    TFBioVerif(Tdm &dm, TFingerScan *scan, QWidget *parent = nullptr);
    ~TFBioVerif() override;

    void setVerificador(FingerprintVerifier *verifier) { m_verificador = verifier; }

    QLineEdit *edAppID() const { return m_edAppID; }
    QLabel *img() const { return m_img; }
    QPushButton *btCap() const { return m_btCap; }
    QStatusBar *sbStat() const { return m_sbStat; }
    QString estado() const;

    void limpiarImagen();

    // The last verification's result within this visit (0 before any). A value the office
    // returned outside the signed 32-bit range is kept as 0: only 1 .. 2^31-1 verifies.
    int resultado() const { return m_resultado; }
    // The office's answer as it came (0 before any).
    qint64 respuesta() const { return m_respuesta; }
    // The user name the successful verification was made for; empty until one succeeds.
    QString usuarioVerificado() const { return m_usuarioVerificado; }
    bool verificando() const { return m_verificando; }

    static bool verifica(qint64 answer) { return answer >= 1 && answer <= 2147483647LL; }

    // A print from the scanner, as a finger BMP.
    void AfterScan(const QByteArray &bmp);
    // Compresses the print and asks the central office; true when it verified.
    bool verificar(const GreyImage &print);

    void reject() override;

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    // "&Capturar" (or Enter in the user name): the single-print capture program.
    void btCapClick();

    void mostrar(const GreyImage &print);
    void setEstado(const QString &text);
    void recibirImpresiones(bool on);
    QString usuario() const;

    Tdm &m_dm;
    TFingerScan *m_scan;
    FingerprintVerifier *m_verificador = nullptr;
    QLineEdit *m_edAppID;
    QLabel *m_img;
    QPushButton *m_btCap;
    QStatusBar *m_sbStat;
    TCrono m_crono;
    int m_resultado = 0;
    qint64 m_respuesta = 0;
    QString m_usuarioVerificado;
    bool m_verificando = false;
    bool m_capturando = false;
    bool m_conectado = false;  // our handlers are attached to the scanner object
    bool m_enEntrega = false;  // inside AfterScan: the handlers may not be detached now
    bool m_flipHor = false;
    bool m_flipVer = false;
};

} // namespace qal

#include "biometrics/forms/TFBioVerif.h"

#include "biometrics/ExternalProgram.h"
#include "biometrics/FingerprintVerifier.h"
#include "biometrics/GreyBitmapOps.h"
#include "biometrics/LiveScanPrograms.h"
#include "biometrics/TFingerScan.h"
#include "biometrics/WsqServices.h"
#include "biometrics/wsq/WsqPack.h"
#include "core/Dialogs.h"
#include "data/Tdm.h"
#include "imaging/BmpFile.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>

#include <limits>

namespace qal {

namespace {

// Sets a flag for as long as it lives.
struct Mientras
{
    explicit Mientras(bool &flag) : f(flag) { f = true; }
    ~Mientras() { f = false; }
    bool &f;
};

struct RelojDeArena
{
    RelojDeArena() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~RelojDeArena() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TFBioVerif::TFBioVerif(Tdm &dm, TFingerScan *scan, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_scan(scan), m_edAppID(new QLineEdit(this)), m_img(new QLabel(this)),
      m_btCap(new QPushButton(QStringLiteral("&Capturar"), this)), m_sbStat(new QStatusBar(this))
{
    setObjectName(QStringLiteral("TFBioVerif"));
    setWindowTitle(QStringLiteral("Identificación Biometrica"));
    m_edAppID->setObjectName(QStringLiteral("edAppID"));
    m_img->setObjectName(QStringLiteral("img"));
    m_btCap->setObjectName(QStringLiteral("btCap"));
    m_sbStat->setObjectName(QStringLiteral("sbStat"));
    m_sbStat->setSizeGripEnabled(false);

    auto *usuario = new QLabel(QStringLiteral("&Usuario:"), this);
    usuario->setBuddy(m_edAppID);
    m_img->setFixedSize(250, 250);
    m_img->setAlignment(Qt::AlignCenter);
    m_img->setFrameShape(QFrame::Box);
    auto *layout = new QGridLayout(this);
    layout->addWidget(usuario, 0, 0);
    layout->addWidget(m_edAppID, 0, 1);
    layout->addWidget(m_btCap, 0, 2);
    layout->addWidget(m_img, 1, 0, 1, 3, Qt::AlignCenter);
    layout->addWidget(m_sbStat, 2, 0, 1, 3);
    setMinimumWidth(420);

    // Enter in the user name runs the capture program; the button is no default button, so
    // that one Enter is one capture.
    m_btCap->setAutoDefault(false);
    connect(m_btCap, &QPushButton::clicked, this, &TFBioVerif::btCapClick);
    connect(m_edAppID, &QLineEdit::returnPressed, this, &TFBioVerif::btCapClick);
}

TFBioVerif::~TFBioVerif()
{
    recibirImpresiones(false);
}

QString TFBioVerif::estado() const
{
    return m_sbStat->currentMessage();
}

void TFBioVerif::setEstado(const QString &text)
{
    m_sbStat->showMessage(text);
    m_sbStat->repaint();
}

void TFBioVerif::limpiarImagen()
{
    m_img->clear();
}

QString TFBioVerif::usuario() const
{
    return m_edAppID->text().trimmed();
}

void TFBioVerif::showEvent(QShowEvent *event)
{
    // Every visit starts unconfirmed: a result of an earlier visit confirms nothing now.
    m_resultado = 0;
    m_respuesta = 0;
    m_usuarioVerificado.clear();
    m_sbStat->clearMessage();
    const auto si = [this](const char *key) {
        return m_dm.LeerParametro(QString::fromLatin1(key)).trimmed() == QLatin1String("S");
    };
    m_flipHor = si("flip_hor");
    m_flipVer = si("flip_ver");
    QDialog::showEvent(event);
    m_edAppID->setFocus();
}

void TFBioVerif::hideEvent(QHideEvent *event)
{
    recibirImpresiones(false);
    QDialog::hideEvent(event);
}

void TFBioVerif::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange)
        recibirImpresiones(isVisible() && isActiveWindow());
    QDialog::changeEvent(event);
}

// Scanner prints reach the form only while it is the active window. The handlers check that
// the form is still there and still taking prints, so that leaving them attached while one
// of them runs (a verification inside AfterScan) is harmless; the next window that takes
// prints replaces them.
void TFBioVerif::recibirImpresiones(bool on)
{
    if (!m_scan)
        return;
    if (on && !m_conectado && !m_enEntrega) {
        QPointer<TFBioVerif> self(this);
        m_scan->BeforeScan = [self] {
            return self && self->m_conectado && !self->m_verificando && !self->m_capturando && self->isActiveWindow();
        };
        m_scan->AfterScan = [self](const QByteArray &bmp) {
            if (self && self->m_conectado)
                self->AfterScan(bmp);
        };
    }
    if (on == m_conectado)
        return;
    m_conectado = on;
    m_scan->setDelivery(on);
}

void TFBioVerif::AfterScan(const QByteArray &bmp)
{
    if (m_verificando || m_capturando || m_enEntrega)
        return;
    Mientras entrega(m_enEntrega);
    const GreyImage source = BmpFile::readGrey(bmp);
    GreyImage flipped;
    if (!FlipBitmap(m_flipVer, m_flipHor, source, flipped))
        return;
    mostrar(flipped);
    verificar(flipped);
}

void TFBioVerif::btCapClick()
{
    if (m_verificando || m_capturando)
        return;
    if (usuario().isEmpty()) {
        setEstado(QStringLiteral("Debe ingresar el usuario."));
        m_edAppID->setFocus();
        return;
    }
    GreyImage print;
    {
        Mientras capturando(m_capturando);
        // A print an earlier run left behind is not this person's.
        const QString huella = livescan::singleOutput();
        QFile::remove(huella);
        const QString exe = livescan::programPath(livescan::chosen().exeCaptura);
        if (!livescan::programExists(exe)) {
            Dialogs::information(livescan::missingProgramText(exe));
            return;
        }
        // The user name is the program's one argument, as typed: no shell sees it.
        if (!RunAndWait(exe, QStringList {usuario()}, ShowState::Normal) || !QFile::exists(huella))
            return;
        RelojDeArena reloj;
        print = BmpFile::readGrey(huella);
        if (print.isNull()) {
            setEstado(QStringLiteral("No se pudo leer la huella capturada."));
            return;
        }
        mostrar(print);
    }
    verificar(print);
}

void TFBioVerif::mostrar(const GreyImage &print)
{
    const QPixmap pixmap = QPixmap::fromImage(print.toQImage());
    m_img->setPixmap(pixmap.scaled(m_img->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

bool TFBioVerif::verificar(const GreyImage &print)
{
    if (m_verificando)
        return false;
    // A print taken before a name was typed is verified all the same, for an empty name: the
    // office judges it, and the form stays open for another attempt.
    const QString nombre = usuario();
    QString texto;
    {
        WsqBlock wsq = BitmapToWsq(print);
        QByteArray bytes(reinterpret_cast<const char *>(wsq.data), wsq.length);
        WSQPACK_Free(&wsq.data);
        QBuffer stream(&bytes);
        stream.open(QIODevice::ReadOnly);
        texto = Base64Text(stream);
    }
    if (texto.isEmpty()) {
        setEstado(QStringLiteral("No se pudo comprimir la huella."));
        return false;
    }

    qint64 answer = 0;
    QString error;
    bool respondio = false;
    {
        Mientras verificando(m_verificando);
        RelojDeArena reloj;
        // The name is fixed while the office is asked: the answer is about this name.
        m_edAppID->setReadOnly(true);
        m_btCap->setEnabled(false);
        m_crono.start();
        setEstado(QStringLiteral("Verificando identidad, por favor espere..."));
        if (m_verificador)
            respondio = m_verificador->VerificarHuella(nombre, texto, answer, error);
        else
            error = QStringLiteral("Error VerificarHuella: el servicio biométrico no está disponible");
        m_crono.stop();
        m_edAppID->setReadOnly(false);
        m_btCap->setEnabled(true);
    }
    if (!respondio) {
        // the result keeps its value; the form stays open for another attempt
        setEstado(error);
        Dialogs::error(error);
        return false;
    }
    m_respuesta = answer;
    // Judged on the whole answer: 2^32 + 1 is no 1, whatever its low 32 bits say.
    const bool cabe = answer >= std::numeric_limits<qint32>::min() && answer <= std::numeric_limits<qint32>::max();
    m_resultado = cabe ? int(answer) : 0;
    setEstado(QStringLiteral("Resultado: %1 - Tiempo: %2 ms.").arg(answer).arg(m_crono.elapsed()));
    if (!verifica(answer))
        return false;
    m_usuarioVerificado = nombre;
    accept();
    return true;
}

void TFBioVerif::reject()
{
    // the office's answer is awaited; the time-out ends the wait
    if (m_verificando)
        return;
    QDialog::reject();
}

void TFBioVerif::closeEvent(QCloseEvent *event)
{
    if (m_verificando) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace qal

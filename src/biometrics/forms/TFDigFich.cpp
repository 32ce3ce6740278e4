#include "biometrics/forms/TFDigFich.h"

#include "ui_TFDigFich.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "imaging/FileCopy.h"
#include "imaging/TiffFile.h"
#include "imaging/forms/TTwainForm.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QVBoxLayout>

namespace qal {

namespace {

const QString kTitulo = QStringLiteral("Digitalización de la ficha dactiloscópica");
const QString kVacia = QStringLiteral("_____");

struct BusyCursor
{
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TFDigFich::TFDigFich(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFDigFich>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    auto *menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("mmMenu"));
    layout()->setMenuBar(menu);
    menu->addMenu(QStringLiteral("&Archivo"))
        ->addActions({m_ui->miCargarImagen, m_ui->miGrabar, m_ui->miImprimir, m_ui->miFojaActual, m_ui->miSalir});
    menu->addMenu(QStringLiteral("&Ver"))->addActions({m_ui->miAjustarAncho, m_ui->miAjustarAlto, m_ui->miTamanoLibre});
    menu->addMenu(QStringLiteral("&Scanner"))->addActions({m_ui->miConfiguracion, m_ui->miInterface});

    connect(m_ui->btDigitalizar, &QPushButton::clicked, this, &TFDigFich::btDigitalizarClick);
    connect(m_ui->btCargar, &QPushButton::clicked, this, &TFDigFich::btCargarClick);
    connect(m_ui->miCargarImagen, &QAction::triggered, this, &TFDigFich::miCargarImagenClick);
    connect(m_ui->btGrabar, &QPushButton::clicked, this, &TFDigFich::btGrabarClick);
    connect(m_ui->miGrabar, &QAction::triggered, this, &TFDigFich::btGrabarClick);
    connect(m_ui->btSalir, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->miSalir, &QAction::triggered, this, &QDialog::reject);
    connect(m_ui->btConfigScanner, &QPushButton::clicked, this, &TFDigFich::configurarScanner);
    connect(m_ui->miConfiguracion, &QAction::triggered, this, &TFDigFich::configurarScanner);
    connect(m_ui->chkInterface, &QCheckBox::toggled, this, [this](bool on) {
        escaner().mostrarInterface = on;
        m_ui->miInterface->setChecked(on);
    });
    connect(m_ui->miInterface, &QAction::toggled, m_ui->chkInterface, &QCheckBox::setChecked);

    using Mode = ImageView::ZoomMode;
    connect(m_ui->btAjustarAncho, &QToolButton::clicked, this, [this] { setZoomMode(Mode::FitWidth); });
    connect(m_ui->miAjustarAncho, &QAction::triggered, this, [this] { setZoomMode(Mode::FitWidth); });
    connect(m_ui->btAjustarAlto, &QToolButton::clicked, this, [this] { setZoomMode(Mode::FitHeight); });
    connect(m_ui->miAjustarAlto, &QAction::triggered, this, [this] { setZoomMode(Mode::FitHeight); });
    connect(m_ui->btTamanoLibre, &QToolButton::clicked, this, [this] { setZoomMode(Mode::Free); });
    connect(m_ui->miTamanoLibre, &QAction::triggered, this, [this] { setZoomMode(Mode::Free); });
    m_ui->seZoom->setRange(ImageView::kMinZoom, ImageView::kMaxZoom);
    m_ui->seZoom->setSingleStep(5);
    connect(m_ui->seZoom, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_ui->ImgFicha->zoomMode() == Mode::Free)
            m_ui->ImgFicha->setZoom(value);
    });
    connect(m_ui->sbZoomMas, &QToolButton::clicked, this, [this] {
        setZoomMode(Mode::Free);
        m_ui->seZoom->stepUp();
    });
    connect(m_ui->sbZoomMenos, &QToolButton::clicked, this, [this] {
        setZoomMode(Mode::Free);
        m_ui->seZoom->stepDown();
    });
    connect(m_ui->ImgFicha, &ImageView::scaleChanged, this, [this](double percent) {
        if (m_ui->ImgFicha->zoomMode() != Mode::Free) {
            QSignalBlocker block(m_ui->seZoom);
            m_ui->seZoom->setValue(int(std::lround(percent)));
        }
    });
    m_ui->ImgFicha->setZoom(50);
    setZoomMode(Mode::Free);

    for (auto [edit, eraser] : {std::pair {m_ui->edClasDer, m_ui->sbGomaDer}, std::pair {m_ui->edClasIzq, m_ui->sbGomaIzq}}) {
        connect(edit, &QLineEdit::textChanged, this, &TFDigFich::actualizarGrabar);
        connect(eraser, &QToolButton::clicked, edit, [edit] { edit->setText(kVacia); });
    }
    // the space bar scans wherever the focus is
    auto *space = new QShortcut(Qt::Key_Space, this);
    connect(space, &QShortcut::activated, this, &TFDigFich::btDigitalizarClick);
    estadoDeshabilitado();
}

TFDigFich::~TFDigFich() = default;

TTwainForm &TFDigFich::escaner()
{
    return twain ? *twain : TTwainForm::compartido();
}

QString TFDigFich::outTif() { return ProgramFolder::resolve(QStringLiteral("out.tif")); }
QString TFDigFich::outBmp() { return ProgramFolder::resolve(QStringLiteral("out.bmp")); }
QString TFDigFich::huella(int n, const char *extension)
{
    return ProgramFolder::resolve(QStringLiteral("huella%1.%2").arg(n).arg(QLatin1String(extension)));
}

bool TFDigFich::imagenVisible() const
{
    return m_ui->ImgFicha->isVisible() && !m_ui->ImgFicha->isEmpty();
}

void TFDigFich::ocultarImagen()
{
    m_ui->ImgFicha->clear();
    estadoDeshabilitado();
}

void TFDigFich::setZoomMode(ImageView::ZoomMode mode)
{
    using Mode = ImageView::ZoomMode;
    if (mode == Mode::Free)
        m_ui->ImgFicha->setZoom(m_ui->seZoom->value());
    else
        m_ui->ImgFicha->setZoomMode(mode);
    m_ui->btAjustarAncho->setChecked(mode == Mode::FitWidth);
    m_ui->btAjustarAlto->setChecked(mode == Mode::FitHeight);
    m_ui->btTamanoLibre->setChecked(mode == Mode::Free);
    m_ui->miAjustarAncho->setChecked(mode == Mode::FitWidth);
    m_ui->miAjustarAlto->setChecked(mode == Mode::FitHeight);
    m_ui->miTamanoLibre->setChecked(mode == Mode::Free);
}

void TFDigFich::showEvent(QShowEvent *event)
{
    setZoomMode(m_ui->ImgFicha->zoomMode());
    escaner().LoadSettings(ProgramFolder::resolve(QStringLiteral("Huella.INI")), ScannerConfig::card());
    m_ui->edClasDer->SetClasificacion(ClasDer);
    m_ui->edClasIzq->SetClasificacion(ClasIzq);
    m_ui->edClasDer->setText(m_ui->edClasDer->Clasificacion());
    m_ui->edClasIzq->setText(m_ui->edClasIzq->Clasificacion());
    m_clasDerMostrada = m_ui->edClasDer->text();
    m_clasIzqMostrada = m_ui->edClasIzq->text();
    for (QWidget *w : {static_cast<QWidget *>(m_ui->edClasDer), static_cast<QWidget *>(m_ui->edClasIzq),
                       static_cast<QWidget *>(m_ui->sbGomaDer), static_cast<QWidget *>(m_ui->sbGomaIzq)})
        w->setEnabled(!ReadOnly);
    actualizarGrabar();
    QDialog::showEvent(event);
}

void TFDigFich::estadoDeshabilitado()
{
    setWindowTitle(kTitulo);
    m_ui->ImgFicha->setVisible(false);
    for (QWidget *w : {static_cast<QWidget *>(m_ui->seZoom), static_cast<QWidget *>(m_ui->sbZoomMas),
                       static_cast<QWidget *>(m_ui->sbZoomMenos), static_cast<QWidget *>(m_ui->btAjustarAncho),
                       static_cast<QWidget *>(m_ui->btAjustarAlto), static_cast<QWidget *>(m_ui->btTamanoLibre),
                       static_cast<QWidget *>(m_ui->btGrabar)})
        w->setEnabled(false);
    for (QAction *a : {m_ui->miAjustarAncho, m_ui->miAjustarAlto, m_ui->miTamanoLibre, m_ui->miGrabar})
        a->setEnabled(false);
    m_ui->btCargar->setEnabled(true);
    m_ui->miCargarImagen->setEnabled(true);
}

void TFDigFich::estadoHabilitado()
{
    for (QWidget *w : {static_cast<QWidget *>(m_ui->seZoom), static_cast<QWidget *>(m_ui->sbZoomMas),
                       static_cast<QWidget *>(m_ui->sbZoomMenos), static_cast<QWidget *>(m_ui->btAjustarAncho),
                       static_cast<QWidget *>(m_ui->btAjustarAlto), static_cast<QWidget *>(m_ui->btTamanoLibre),
                       static_cast<QWidget *>(m_ui->btDigitalizar), static_cast<QWidget *>(m_ui->btCargar),
                       static_cast<QWidget *>(m_ui->btConfigScanner)})
        w->setEnabled(true);
    for (QAction *a : {m_ui->miAjustarAncho, m_ui->miAjustarAlto, m_ui->miTamanoLibre, m_ui->miCargarImagen,
                       m_ui->miConfiguracion})
        a->setEnabled(true);
    // printing ("Imprimir", "Foja Actual") arrives with the printed documents
    m_ui->ImgFicha->setVisible(true);
    setZoomMode(m_ui->ImgFicha->zoomMode());
    actualizarGrabar();
}

void TFDigFich::actualizarGrabar()
{
    const bool clasificacion = m_ui->edClasDer->text() != m_clasDerMostrada || m_ui->edClasIzq->text() != m_clasIzqMostrada;
    const bool enabled = (Changed && !m_ui->ImgFicha->isHidden()) || clasificacion;
    m_ui->btGrabar->setEnabled(enabled);
    m_ui->miGrabar->setEnabled(enabled);
}

void TFDigFich::mostrarFicha()
{
    {
        BusyCursor busy;
        QString error;
        if (!m_ui->ImgFicha->openFile(outBmp(), &error)) {
            m_ui->sbEstado->showMessage(error);
            return;
        }
    }
    estadoHabilitado();
    m_ui->sbEstado->showMessage(QStringLiteral("Listo"));
}

bool TFDigFich::convertir(const QString &tif, const QString *bmp)
{
    QDialog window(this);
    window.setWindowTitle(QStringLiteral("Convirtiendo..."));
    auto *label = new QLabel(QStringLiteral("Convirtiendo..."), &window);
    (new QVBoxLayout(&window))->addWidget(label);
    window.show();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // success is judged by the files that exist afterwards
    const QImage image = TiffFile::readPage(tif, 1);
    if (image.isNull())
        return false;
    if (!TiffFile::writePage(tif, image, PageFormat::CardTiff))
        return false;
    return !bmp || TiffFile::writePage(*bmp, image, PageFormat::CardBmp);
}

void TFDigFich::LoadCardImage(const QString &file, bool changed)
{
    Changed = changed;
    ++m_contador;
    const QString bmp = huella(m_contador, "BMP"), tif = huella(m_contador, "TIF");
    QFile::remove(bmp);
    QFile::remove(tif);
    QFile::copy(file, tif);
    if (!convertir(tif, &bmp)) {
        QFile::remove(bmp);
        return;
    }
    if (QFileInfo(bmp).isFile()) {
        copyAsNew(bmp, outBmp());
        copyAsNew(tif, outTif());
        mostrarFicha();
    }
}

void TFDigFich::btDigitalizarClick()
{
    if (ReadOnly) {
        Dialogs::information(QStringLiteral("ERROR: Solo se puede modificar las impresiones dactilares\r"
                                            " antes de enviar ó si fue rechazada"));
        return;
    }
    if (m_digitalizando) {
        Dialogs::information(QStringLiteral("Problema de scanner: existe una digitalización en progreso\r"
                                            "por favor, espere unos segundos y vuelva a intentar"));
        return;
    }
    m_digitalizando = true;
    const bool atajo = (QApplication::keyboardModifiers() & (Qt::ShiftModifier | Qt::ControlModifier))
                       == (Qt::ShiftModifier | Qt::ControlModifier);
    // The image shown is kept aside, so that a scan that brings nothing leaves it as it was.
    const bool habia = QFileInfo(outTif()).isFile() && !m_ui->ImgFicha->isEmpty();
    const int reserva = habia ? ++m_contador : 0;
    if (habia) {
        QFile::remove(huella(reserva, "TIF"));
        QFile::remove(huella(reserva, "BMP"));
        QFile::rename(outTif(), huella(reserva, "TIF"));
        QFile::rename(outBmp(), huella(reserva, "BMP"));
    }
    bool cancelada = false;
    QString error;
    {
        BusyCursor busy;
        m_ui->ImgFicha->setVisible(false);
        estadoDeshabilitado();
        m_ui->sbEstado->showMessage(QStringLiteral("Digitalizando, por favor espere..."));
        QFile::remove(outTif());
        QFile::remove(outBmp());
        if (atajo) {
            copyAsNew(ProgramFolder::resolve(QStringLiteral("ficha.tif")), outTif());
            copyAsNew(ProgramFolder::resolve(QStringLiteral("ficha.bmp")), outBmp());
        } else {
            TTwainForm &tw = escaner();
            tw.mostrarInterface = m_ui->chkInterface->isChecked();
            if (tw.ScanPages()) {
                // the names differ only in case where the folder matches names exactly
                if (TTwainForm::archivoTif() != outTif())
                    copyAsNew(TTwainForm::archivoTif(), outTif());
                if (TTwainForm::archivoBmp() != outBmp())
                    copyAsNew(TTwainForm::archivoBmp(), outBmp());
            }
            cancelada = tw.cancelada();
            error = tw.ultimoError();
            tw.close();
            raise();
            activateWindow();
        }
    }
    m_digitalizando = false;
    if (QFileInfo(outTif()).isFile() && QFileInfo(outBmp()).isFile()) {
        Changed = true;
        mostrarFicha();
        return;
    }
    // nothing came: the earlier image comes back and the operator is told why
    if (habia) {
        QFile::rename(huella(reserva, "TIF"), outTif());
        QFile::rename(huella(reserva, "BMP"), outBmp());
        mostrarFicha();
    }
    if (error.isEmpty())
        error = QStringLiteral("No se pudo digitalizar la ficha");
    m_ui->sbEstado->showMessage(error);
    if (!cancelada && !atajo)
        Dialogs::error(error);
}

void TFDigFich::cargarDesdeArchivo()
{
    DialogFile request;
    request.title = QStringLiteral("Cargar imagen");
    request.folder = ProgramFolder::path();
    request.filter = QStringLiteral("Imágenes (*.tif *.tiff *.bmp);;Archivos TIFF (*.tif *.tiff);;Archivos BMP (*.bmp)");
    const QString file = Dialogs::instance().openFileName(request);
    if (!file.isEmpty() && QFileInfo(file).isFile())
        LoadCardImage(file, true);
}

void TFDigFich::btCargarClick()
{
    if (ReadOnly) {
        Dialogs::information(QStringLiteral("ERROR: No se puede modificar las impresiones dactilares ya que el pedido "
                                            "esta en trámite ó ya fue contestado"));
        return;
    }
    cargarDesdeArchivo();
}

void TFDigFich::miCargarImagenClick()
{
    if (ReadOnly) {
        Dialogs::information(QStringLiteral("ERROR: Solo se puede modificar la huella\r antes de enviar ó si fue rechazada"));
        return;
    }
    cargarDesdeArchivo();
}

void TFDigFich::btGrabarClick()
{
    ++m_contador;
    const QString tif = huella(m_contador, "TIF");
    QFile::remove(huella(m_contador, "BMP"));
    QFile::remove(tif);
    QFile::rename(outTif(), tif);
    if (QFileInfo(tif).isFile())
        convertir(tif, nullptr);
    ClasDer = m_ui->edClasDer->text();
    ClasIzq = m_ui->edClasIzq->text();
    if (QFileInfo(tif).isFile()) {
        ResultFile = tif;
        accept();
        return;
    }
    // only the classification changed: it is taken, and there is nothing more to keep
    m_clasDerMostrada = ClasDer;
    m_clasIzqMostrada = ClasIzq;
    actualizarGrabar();
}

void TFDigFich::configurarScanner()
{
    TTwainForm &tw = escaner();
    tw.exec();
    tw.SaveSettings(ProgramFolder::resolve(QStringLiteral("Huella.INI")));
}

void TFDigFich::done(int result)
{
    if (m_digitalizando) {
        // a scan is running: it is cancelled, and the window stays until it has ended
        escaner().cancelarDigitalizacion();
        return;
    }
    ocultarImagen();
    borrarArchivos();
    QDialog::done(result);
}

void TFDigFich::borrarArchivos()
{
    QFile::remove(outTif());
    QFile::remove(outBmp());
    for (int n = 1; n <= m_contador; ++n) {
        if (huella(n, "TIF") != ResultFile)
            QFile::remove(huella(n, "TIF"));
        QFile::remove(huella(n, "BMP"));
    }
    for (const QString &f : {TTwainForm::archivoBmp(), TTwainForm::archivoTif(), TTwainForm::archivoTemp()})
        QFile::remove(f);
}

} // namespace qal

#include "imaging/forms/TFImgDig.h"

#include "imaging/forms/PageControls.h"
#include "imaging/forms/TTwainForm.h"
#include "ui_TFImgDig.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "imaging/FileCopy.h"
#include "imaging/TiffFile.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QShortcut>

namespace qal {

namespace {

const QString kTitulo = QStringLiteral("Digitalización de la documentación");

// The busy cursor for the life of a scope.
struct BusyCursor
{
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

TFImgDig::TFImgDig(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFImgDig>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    setMinimumSize(638, 245);
    setWindowState(Qt::WindowMaximized);
    m_paginas = new PageControls({m_ui->ImgEdit, m_ui->edPagina, m_ui->lbPaginas, m_ui->sbAnterior, m_ui->sbSiguiente,
                                  m_ui->btAjustarVentana, m_ui->btAjustarAncho, m_ui->btAjustarAlto, m_ui->btTamanoLibre,
                                  m_ui->seZoom},
                                 this);
    m_paginas->addZoomActions(m_ui->miAjustarVentana, m_ui->miAjustarAncho, m_ui->miAjustarAlto, m_ui->miTamanoLibre);
    m_paginas->setZoomMode(ImageView::ZoomMode::FitWidth);

    auto *menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("mmMenu"));
    layout()->setMenuBar(menu);
    menu->addMenu(QStringLiteral("&Archivo"))
        ->addActions({m_ui->miCargarImagen, m_ui->miImprimir, m_ui->miGrabar, m_ui->miCerrar});
    menu->addMenu(QStringLiteral("&Páginas"))
        ->addActions({m_ui->miRedigitalizar, m_ui->miAgregar, m_ui->miInsertar, m_ui->miBorrar,
                      m_ui->miRotarIzquierda, m_ui->miRotarDerecha});
    menu->addMenu(QStringLiteral("&Ver"))
        ->addActions({m_ui->miAjustarVentana, m_ui->miAjustarAncho, m_ui->miAjustarAlto, m_ui->miTamanoLibre});
    menu->addMenu(QStringLiteral("&Scanner"))->addActions({m_ui->miConfigScanner, m_ui->miMostrarInterfaz});
    // printing arrives with the printed documents
    m_ui->miImprimir->setEnabled(false);

    const auto on = [this](auto *sender, auto signal, auto handler) { connect(sender, signal, this, handler); };
    on(m_ui->btDigitalizar, &QPushButton::clicked, [this] { digitalizar(Operacion::Reemplazar); });
    on(m_ui->miRedigitalizar, &QAction::triggered, [this] { digitalizar(Operacion::Reemplazar); });
    on(m_ui->btAgregar, &QPushButton::clicked, [this] { digitalizar(Operacion::Agregar); });
    on(m_ui->miAgregar, &QAction::triggered, [this] { digitalizar(Operacion::Agregar); });
    on(m_ui->btInsertar, &QPushButton::clicked, [this] { digitalizar(Operacion::Insertar); });
    on(m_ui->miInsertar, &QAction::triggered, [this] { digitalizar(Operacion::Insertar); });
    on(m_ui->btBorrarPagina, &QPushButton::clicked, [this] { borrarPagina(); });
    on(m_ui->miBorrar, &QAction::triggered, [this] { borrarPagina(); });
    on(m_ui->btRotarIzquierda, &QPushButton::clicked, [this] { rotarIzquierda(); });
    on(m_ui->miRotarIzquierda, &QAction::triggered, [this] { rotarIzquierda(); });
    on(m_ui->btRotarDerecha, &QPushButton::clicked, [this] { rotarDerecha(); });
    on(m_ui->miRotarDerecha, &QAction::triggered, [this] { rotarDerecha(); });
    on(m_ui->miCargarImagen, &QAction::triggered, [this] { cargarImagen(); });
    on(m_ui->btConfigScanner, &QPushButton::clicked, [this] { configurarScanner(); });
    on(m_ui->miConfigScanner, &QAction::triggered, [this] { configurarScanner(); });
    on(m_ui->chkMostrarInterfaz, &QCheckBox::toggled, [this](bool on) {
        m_ui->miMostrarInterfaz->setChecked(on);
        escaner().mostrarInterface = on;
    });
    on(m_ui->miMostrarInterfaz, &QAction::toggled, [this](bool on) { m_ui->chkMostrarInterfaz->setChecked(on); });
    on(m_ui->btGrabar, &QPushButton::clicked, [this] { btGrabarClick(); });
    on(m_ui->miGrabar, &QAction::triggered, [this] { btGrabarClick(); });
    on(m_ui->btCerrar, &QPushButton::clicked, [this] { btCerrarClick(); });
    on(m_ui->miCerrar, &QAction::triggered, [this] { btCerrarClick(); });
    // the space bar appends a page wherever the focus is (the page box types it)
    auto *space = new QShortcut(Qt::Key_Space, this);
    on(space, &QShortcut::activated, [this] { digitalizar(Operacion::Agregar); });
}

TFImgDig::~TFImgDig() = default;

TTwainForm &TFImgDig::escaner()
{
    return twain ? *twain : TTwainForm::compartido();
}

QString TFImgDig::nombreCopia(int k)
{
    return ProgramFolder::resolve(QStringLiteral("scan%1.tif").arg(k));
}

QString TFImgDig::nombreTemporal(int n, const char *extension)
{
    return ProgramFolder::resolve(QStringLiteral("temp%1.%2").arg(n).arg(QLatin1String(extension)));
}

void TFImgDig::showEvent(QShowEvent *event)
{
    m_guardado = true;
    m_paginas->setZoomMode(m_ui->ImgEdit->zoomMode());
    setWindowTitle(kTitulo);
    m_ui->edPagina->setText(QStringLiteral("0"));
    m_ui->lbEstado->clear();
    escaner().LoadSettings(ProgramFolder::resolve(QStringLiteral("Docu.INI")), ScannerConfig::document());
    if (m_copia.isEmpty() && QFileInfo(archivoDocumento).isFile())
        mostrarDocumento();
    QDialog::showEvent(event);
}

void TFImgDig::actualizarTitulo()
{
    const int count = m_ui->ImgEdit->pageCount();
    setWindowTitle(kTitulo + QStringLiteral(" (%1 página%2").arg(count).arg(count == 1 ? QStringLiteral(")") : QStringLiteral("s)")));
}

void TFImgDig::mostrarDocumento()
{
    if (!QFileInfo(archivoDocumento).isFile())
        return;
    BusyCursor busy;
    m_ui->ImgEdit->clear();
    if (!m_copia.isEmpty())
        QFile::remove(m_copia);
    m_copia = nombreCopia(++m_k);
    QString error;
    if (!copyKeepingTime(archivoDocumento, m_copia) || !m_ui->ImgEdit->openFile(m_copia, &error)) {
        QFile::remove(m_copia);
        m_copia.clear();
        aviso(error.isEmpty() ? QStringLiteral("No se puede mostrar el documento") : error);
        return;
    }
    m_paginas->showPage(1);
    actualizarTitulo();
}

bool TFImgDig::guardarEdiciones()
{
    QString error;
    // a page the component cannot write keeps its old turn; nothing else is lost
    return m_ui->ImgEdit->savePendingEdits(&error);
}

bool TFImgDig::volcarCopia()
{
    return m_copia.isEmpty() || copyKeepingTime(m_copia, archivoDocumento);
}

void TFImgDig::aviso(const QString &text)
{
    Dialogs::error(text);
}

void TFImgDig::digitalizar(Operacion op)
{
    if (!m_operacion.isEmpty())
        return;
    QFile::remove(TTwainForm::archivoBmp());
    m_operacion = op == Operacion::Reemplazar ? QStringLiteral("REDIGITALIZAR")
                  : op == Operacion::Agregar  ? QStringLiteral("AGREGAR")
                                              : QStringLiteral("INSERTAR");
    {
        BusyCursor busy;
        TTwainForm &tw = escaner();
        tw.mostrarInterface = m_ui->chkMostrarInterfaz->isChecked();
        m_ui->lbEstado->setText(QStringLiteral("Digitalizando, por favor espere..."));
        const bool ok = tw.ScanPages();
        tw.close();
        raise();
        activateWindow();
        if (ok) {
            m_ui->lbEstado->clear();
            aplicarPaginas(op, tw.paginasDigitalizadas(), tw.config().tipoImagen == ScanPixelType::Gray);
        } else {
            // the document stays as it was; the operator is told why
            m_ui->lbEstado->setText(tw.ultimoError());
            if (!tw.cancelada())
                aviso(tw.ultimoError());
        }
    }
    m_operacion.clear();
}

void TFImgDig::aplicarPaginas(Operacion op, const QList<QImage> &pages, bool grey)
{
    const int at = std::max(1, m_ui->ImgEdit->currentPage());
    guardarEdiciones();
    volcarCopia();
    const QString staged = nombreTemporal(++m_n, "tif");
    QString error;
    bool ok = TiffFile::writePages(staged, pages, grey ? PageFormat::GreyDocument : PageFormat::BlackWhiteDocument, &error);
    if (ok && (op == Operacion::Reemplazar || !QFileInfo(archivoDocumento).isFile())) {
        ok = copyAsNew(staged, archivoDocumento);
    } else if (ok) {
        for (int i = 1; ok && i <= pages.size(); ++i)
            ok = op == Operacion::Agregar ? TiffFile::appendPage(archivoDocumento, staged, i, &error)
                                          : TiffFile::insertPage(archivoDocumento, staged, at + i - 1, i, &error);
    }
    QFile::remove(staged);
    if (!ok)
        aviso(error.isEmpty() ? QStringLiteral("No se puede grabar el documento") : error);
    m_guardado = false;
    mostrarDocumento();
    if (op == Operacion::Agregar)
        m_paginas->showPage(m_ui->ImgEdit->pageCount());
}

void TFImgDig::borrarPagina()
{
    if (m_ui->ImgEdit->isEmpty())
        return;
    m_guardado = false;
    if (m_ui->ImgEdit->pageCount() == 1) {
        Dialogs::warning(QStringLiteral("No se puede borrar esta página porque\run documento no puede quedar vacío"),
                         QStringLiteral("Advertencia"));
        return;
    }
    if (!Dialogs::confirm(QStringLiteral("¿Está seguro que desea borrar esta página?"), QStringLiteral("Atención")))
        return;
    const int page = m_ui->ImgEdit->currentPage();
    guardarEdiciones();
    volcarCopia();
    QString error;
    if (!TiffFile::deletePage(archivoDocumento, page, &error))
        aviso(error);
    mostrarDocumento();
}

void TFImgDig::rotarIzquierda()
{
    m_ui->ImgEdit->rotateLeft();
}

void TFImgDig::rotarDerecha()
{
    m_ui->ImgEdit->rotateRight();
}

void TFImgDig::cargarImagen()
{
    DialogFile request;
    request.title = QStringLiteral("Cargar TIF");
    request.folder = ProgramFolder::path();
    request.filter = QStringLiteral("Archivos TIFF (*.tif *.tiff)");
    const QString file = Dialogs::instance().openFileName(request);
    if (file.isEmpty())
        return;
    QString error;
    if (TiffFile::pageCount(file, &error) < 1) {
        aviso(QStringLiteral("No se puede leer %1: %2").arg(QFileInfo(file).fileName(), error));
        return;
    }
    m_ui->ImgEdit->clear();
    if (!copyAsNew(file, archivoDocumento)) {
        aviso(QStringLiteral("No se puede copiar %1").arg(QFileInfo(file).fileName()));
        return;
    }
    m_guardado = false;
    mostrarDocumento();
}

void TFImgDig::configurarScanner()
{
    TTwainForm &tw = escaner();
    tw.exec();
    tw.SaveSettings(ProgramFolder::resolve(QStringLiteral("Docu.INI")));
}

void TFImgDig::btGrabarClick()
{
    m_guardado = true;
    accept();
}

void TFImgDig::btCerrarClick()
{
    QFile::remove(archivoDocumento);
    reject();
}

void TFImgDig::done(int result)
{
    if (!m_operacion.isEmpty()) {
        // a scan is running: it is cancelled, and the window stays until it has ended
        escaner().cancelarDigitalizacion();
        return;
    }
    if (!m_copia.isEmpty())
        guardarEdiciones();
    m_ui->ImgEdit->clear();
    if (!m_copia.isEmpty()) {
        copyKeepingTime(m_copia, archivoDocumento);
        QFile::remove(m_copia);
        m_copia.clear();
    }
    if (!m_guardado && !Dialogs::confirm(QStringLiteral("¿Desea guardar la imágen?")))
        QFile::remove(archivoDocumento);
    m_guardado = true;
    borrarTemporales();
    QDialog::done(result);
}

void TFImgDig::borrarTemporales()
{
    for (int i = 1; i <= m_n; ++i) {
        QFile::remove(nombreTemporal(i, "tif"));
        QFile::remove(nombreTemporal(i, "bmp"));
    }
    for (int k = 1; k <= m_k; ++k)
        QFile::remove(nombreCopia(k));
    for (const QString &f : {TTwainForm::archivoBmp(), TTwainForm::archivoTif(), TTwainForm::archivoTemp()})
        QFile::remove(f);
}

} // namespace qal

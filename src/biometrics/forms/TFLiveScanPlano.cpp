#include "biometrics/forms/TFLiveScanPlano.h"

#include "ui_TFLiveScanPlano.h"

#include "biometrics/ExternalProgram.h"
#include "biometrics/GreyBitmapOps.h"
#include "biometrics/LiveScanPrograms.h"
#include "biometrics/NfiqLibrary.h"
#include "biometrics/PrintSetZip.h"
#include "biometrics/TFingerScan.h"
#include "biometrics/TenPrintCard.h"
#include "biometrics/forms/TFCalidad.h"
#include "biometrics/forms/TFConfigLiveScan.h"
#include "biometrics/forms/TFProgreso.h"
#include "biometrics/forms/TFVerDedo.h"
#include "biometrics/forms/TInfoWnd.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/Tdm.h"
#include "imaging/BmpFile.h"
#include "reports/forms/ImprimirDocumento.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QPixmap>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <future>
#include <system_error>

namespace qal {

namespace {

// Converter processes run at once by a save: one per core, at least two (a process spends
// part of its life starting and writing, not computing).
int conversionesSimultaneas()
{
    return std::clamp(QThread::idealThreadCount(), 2, 10);
}

} // namespace

namespace {

// The busy cursor, with the flag that tells the handlers an image is being processed.
struct Ocupado
{
    explicit Ocupado(bool &flag) : f(flag), antes(flag)
    {
        f = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~Ocupado()
    {
        QApplication::restoreOverrideCursor();
        f = antes;
    }
    bool &f;
    bool antes;
};

QString nombreDedo(int n, const char *extension)
{
    return QStringLiteral("dedo%1.%2").arg(n).arg(QLatin1String(extension));
}

bool existe(const QString &path)
{
    return QFileInfo(path).isFile();
}

bool copiarEncima(const QString &source, const QString &target)
{
    QFile::remove(target);
    return QFile::copy(source, target);
}

const QString kMarcoActual = QStringLiteral("QFrame#%1 { border: 2px solid red; }");
const QString kMarco = QStringLiteral("QFrame#%1 { border: 2px solid palette(button); }");

} // namespace

TFLiveScanPlano::TFLiveScanPlano(Tdm &dm, TFingerScan *scan, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFLiveScanPlano>()), m_dm(dm), m_scan(scan)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);

    auto *menu = new QMenuBar(this);
    menu->setObjectName(QStringLiteral("mmMenu"));
    layout()->setMenuBar(menu);
    menu->addMenu(QStringLiteral("&Archivo"))->addActions({m_ui->miConfiguracion, m_ui->miImprimir, m_ui->miSalir});
    QMenu *amputaciones = menu->addMenu(QStringLiteral("A&mputaciones"));
    amputaciones->setObjectName(QStringLiteral("miAmputaciones"));
    for (int k = 0; k < 10; ++k) {
        QAction *a = findChild<QAction *>(QStringLiteral("amp_d%1").arg(k));
        amputaciones->addAction(a);
        connect(a, &QAction::triggered, this, [this, k] { amputar(k); });
    }

    m_panel0 = new QLabel(this);
    m_panel0->setObjectName(QStringLiteral("stPanel0"));
    m_panel0->setFixedWidth(400);
    m_panel1 = new QLabel(this);
    m_panel1->setObjectName(QStringLiteral("stPanel1"));
    // 100 pixels, or what the longest finger name needs in the font shown
    int nombre = 0;
    for (int n = 1; n <= 10; ++n)
        nombre = std::max(nombre, m_panel1->fontMetrics().horizontalAdvance(FingerName(n)));
    m_panel1->setFixedWidth(std::max(100, nombre + 8));
    m_ui->sbEstado->addWidget(m_panel0);
    m_ui->sbEstado->addWidget(m_panel1);

    m_croAvance = new QTimer(this);
    m_croAvance->setObjectName(QStringLiteral("croAvance"));
    m_croAvance->setInterval(100);
    connect(m_croAvance, &QTimer::timeout, this, &TFLiveScanPlano::avance);

    m_calidadWnd = new TFCalidad(this);
    m_info = new TInfoWnd(this);

    for (int n = 1; n <= 10; ++n)
        slot(n)->installEventFilter(this);

    connect(m_ui->btCapturar, &QPushButton::clicked, this, &TFLiveScanPlano::btCapturarClick);
    connect(m_ui->btCalidad, &QPushButton::clicked, this, &TFLiveScanPlano::btCalidadClick);
    connect(m_ui->btLimpiar, &QPushButton::clicked, this, &TFLiveScanPlano::btLimpiarClick);
    connect(m_ui->btGrabar, &QPushButton::clicked, this, &TFLiveScanPlano::btGrabarClick);
    connect(m_ui->btSalir, &QPushButton::clicked, this, &TFLiveScanPlano::btSalirClick);
    connect(m_ui->miSalir, &QAction::triggered, this, &QDialog::reject);
    connect(m_ui->miImprimir, &QAction::triggered, this, &TFLiveScanPlano::miImprimirClick);
    connect(m_ui->miConfiguracion, &QAction::triggered, this, &TFLiveScanPlano::miConfiguracionClick);
    connect(m_ui->sbGomaDer, &QToolButton::clicked, this, [this] { m_ui->edClasDer->SetClasificacion(QString()); });
    connect(m_ui->sbGomaIzq, &QToolButton::clicked, this, [this] { m_ui->edClasIzq->SetClasificacion(QString()); });

    m_calidad = TenQualityRecords {};
    m_croClick.start();
    m_croSesion.start();
    if (m_scan) {
        m_scan->BeforeScan = [this] { return !m_ocupado && !m_soloLectura && isVisible(); };
        m_scan->AfterScan = [this](const QByteArray &bmp) { AfterScan(bmp); };
        connect(m_scan, &TFingerScan::imageRefused, this, &TFLiveScanPlano::setEstado);
    }
    for (int n = 1; n <= 10; ++n)
        marco(n)->setStyleSheet(kMarco.arg(marco(n)->objectName()));
    seleccionarDedo(1);
    ResultZip.clear();
    borrarDedos();
    QFile::remove(zipPath());
}

TFLiveScanPlano::~TFLiveScanPlano()
{
    if (m_scan) {
        m_scan->setDelivery(false);
        m_scan->BeforeScan = nullptr;
        m_scan->AfterScan = nullptr;
    }
}

QString TFLiveScanPlano::zipPath()
{
    return ProgramFolder::resolve(QStringLiteral("dedos.zip"));
}

QString TFLiveScanPlano::dedoBmp(int n)
{
    return ProgramFolder::resolve(nombreDedo(n, "bmp"));
}

QString TFLiveScanPlano::dedoWsq(int n)
{
    return ProgramFolder::resolve(nombreDedo(n, "wsq"));
}

QLabel *TFLiveScanPlano::slot(int n) const
{
    return findChild<QLabel *>(QStringLiteral("dedo%1").arg(n));
}

QFrame *TFLiveScanPlano::marco(int n) const
{
    return findChild<QFrame *>(QStringLiteral("rect%1").arg(n));
}

QString TFLiveScanPlano::estado(int panel) const
{
    return panel == 0 ? m_panel0->text() : m_panel1->text();
}

void TFLiveScanPlano::setEstado(const QString &text)
{
    m_panel0->setText(text);
}

void TFLiveScanPlano::borrarDedos()
{
    for (int n = 1; n <= 10; ++n)
        QFile::remove(dedoBmp(n));
}

void TFLiveScanPlano::leerOpciones()
{
    auto si = [this](const char *key) { return m_dm.LeerParametro(QString::fromLatin1(key)).trimmed() == QLatin1String("S"); };
    m_autoAvance = si("AutoAvance");
    m_flipHor = si("flip_hor");
    m_flipVer = si("flip_ver");
}

bool TFLiveScanPlano::CaptureTenPrints(int cPed, int cReg, bool readOnly, bool official, QString &clasIzq,
                                       QString &clasDer)
{
    m_calidad = TenQualityRecords {};
    m_cPed = cPed;
    m_cReg = cReg;
    m_oficial = official;
    m_soloLectura = readOnly;
    m_modificado = false;
    leerOpciones();

    m_ui->edClasDer->SetClasificacion(clasDer);
    m_ui->edClasIzq->SetClasificacion(clasIzq);
    aplicarSoloLectura();

    ResultZip.clear();
    QFile::remove(zipPath());
    for (int n = 1; n <= 10; ++n) {
        QFile::remove(dedoBmp(n));
        QFile::remove(dedoWsq(n));
    }

    if (!progreso) {
        m_progresoPropio = std::make_unique<TFProgreso>(this);
        progreso = m_progresoPropio.get();
    }
    const QString stored = QString::asprintf(official ? "z%d.%d" : "zp%d.%d", cPed, cReg);
    const bool hayFicha = existe(ProgramFolder::resolve(stored));
    if (hayFicha && !desempaquetar(stored)) {
        progreso->hide();
        for (int n = 1; n <= 10; ++n) {
            QFile::remove(dedoBmp(n));
            QFile::remove(dedoWsq(n));
        }
        return false;
    }
    for (int n = 1; n <= 10; ++n) {
        const std::size_t i = std::size_t(n - 1);
        if (existe(dedoBmp(n))) {
            GreyImage image = BmpFile::readGrey(dedoBmp(n));
            m_calidad[i] = ScoreImage(image);
            mostrarEnSlot(n, std::move(image));
        } else {
            vaciarSlot(n);
        }
    }
    progreso->hide();
    m_ui->lbCodTram->setText(QStringLiteral("Pedido: %1 - Regional: %2").arg(cPed).arg(cReg));

    if (mostrarModal(*this) != QDialog::Accepted)
        return false;
    clasDer = m_ui->edClasDer->Clasificacion();
    clasIzq = m_ui->edClasIzq->Clasificacion();
    return true;
}

// The stored set is unpacked into a folder of its own, so that an archive can bring in
// nothing but the ten WSQ files: no other file of the program folder can be replaced by one
// of its entries.
bool TFLiveScanPlano::desempaquetar(const QString &stored)
{
    progreso->mostrar(QStringLiteral("Descomprimiendo ficha..."));
    QTemporaryDir dir(QDir(ProgramFolder::path()).filePath(QStringLiteral("zipXXXXXX")));
    QString message;
    if (!dir.isValid() || !UnzipFile(ProgramFolder::resolve(stored), dir.path(), message)) {
        if (!dir.isValid())
            message = QStringLiteral("ERROR: No existe directorio destino ") + dir.path();
        Dialogs::information(QStringLiteral("ERROR: No se pudo descomprimir archivo zip: Mensaje: ") + message);
        return false;
    }
    for (int n = 1; n <= 10; ++n) {
        const QString unpacked = ProgramFolder::resolveIn(dir.path(), nombreDedo(n, "wsq"));
        if (existe(unpacked))
            QFile::rename(unpacked, dedoWsq(n));
    }
    for (int n = 1; n <= 10; ++n) {
        progreso->setPosicion(n);
        const QString wsq = nombreDedo(n, "wsq");
        if (!existe(dedoWsq(n))) {
            Dialogs::information(QStringLiteral("ERROR: No existe archivo a decodificar: ") + wsq);
            return false;
        }
        if (!ConvertWsqToBmp(wsq, nombreDedo(n, "bmp"), message)) {
            Dialogs::information(QStringLiteral("ERROR: No se pudo decodificar archivo wsq: Mensaje: ") + message
                                 + QStringLiteral("- Archivo: ") + wsq);
            return false;
        }
    }
    return true;
}

void TFLiveScanPlano::aplicarSoloLectura()
{
    const bool editable = !m_soloLectura;
    for (QWidget *w : std::initializer_list<QWidget *> {m_ui->edClasDer, m_ui->edClasIzq, m_ui->sbGomaDer,
                                                        m_ui->sbGomaIzq, m_ui->btCapturar, m_ui->btLimpiar,
                                                        m_ui->btGrabar})
        w->setEnabled(editable);
    for (int k = 0; k < 10; ++k)
        findChild<QAction *>(QStringLiteral("amp_d%1").arg(k))->setEnabled(editable);
}

void TFLiveScanPlano::seleccionarDedo(int n)
{
    if (n < 1 || n > 10)
        return;
    marco(m_actual)->setStyleSheet(kMarco.arg(marco(m_actual)->objectName()));
    m_actual = n;
    marco(n)->setStyleSheet(kMarcoActual.arg(marco(n)->objectName()));
    m_panel1->setText(FingerName(n));
    if (isVisible())
        slot(n)->setFocus();
}

void TFLiveScanPlano::siguienteDedo()
{
    seleccionarDedo(m_actual == 10 ? 1 : m_actual + 1);
}

void TFLiveScanPlano::anteriorDedo()
{
    seleccionarDedo(m_actual == 1 ? 10 : m_actual - 1);
}

void TFLiveScanPlano::avance()
{
    m_croAvance->stop();
    if (m_actual == 10)
        m_ui->btGrabar->setFocus();
    else
        siguienteDedo();
}

bool TFLiveScanPlano::teclaDedo(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    switch (event->key()) {
    case Qt::Key_Space:
        siguienteDedo();
        return true;
    case Qt::Key_Tab:
        if (mods == Qt::NoModifier) {
            siguienteDedo();
            return true;
        }
        if (mods == Qt::ShiftModifier) {
            anteriorDedo();
            return true;
        }
        return false;
    case Qt::Key_Backtab:
        anteriorDedo();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        capturarUno();
        return true;
    default:
        return false;
    }
}

bool TFLiveScanPlano::eventFilter(QObject *watched, QEvent *event)
{
    for (int n = 1; n <= 10; ++n) {
        if (watched != slot(n))
            continue;
        if (event->type() == QEvent::KeyPress && teclaDedo(static_cast<QKeyEvent *>(event)))
            return true;
        if (event->type() == QEvent::MouseButtonRelease) {
            slotSoltado(n);
            return true;
        }
        if (event->type() == QEvent::Resize)
            escalar(n);
        break;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFLiveScanPlano::event(QEvent *event)
{
    // Tab and Shift+Tab on the form itself choose fingers instead of moving the focus.
    if (event->type() == QEvent::KeyPress && (focusWidget() == nullptr || focusWidget() == this)) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && teclaDedo(key))
            return true;
    }
    return QDialog::event(event);
}

void TFLiveScanPlano::keyPressEvent(QKeyEvent *event)
{
    // Enter on a button presses it (the save button that auto-advance focuses after the
    // tenth print); elsewhere it takes one finger.
    auto *button = qobject_cast<QAbstractButton *>(focusWidget());
    if (button && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        button->click();
        return;
    }
    if (teclaDedo(event))
        return;
    QDialog::keyPressEvent(event);
}

void TFLiveScanPlano::slotSoltado(int n)
{
    const qint64 desde = m_croClick.elapsed();
    m_croClick.start();
    if (desde <= 500 && n == m_actual) {
        if (!existe(dedoBmp(n)))
            return;
        if (!verDedo) {
            m_verDedoPropio = std::make_unique<TFVerDedo>(this);
            verDedo = m_verDedoPropio.get();
        }
        if (verDedo->isVisible())
            verDedo->close();
        const QualityRecord &r = m_calidad[std::size_t(n - 1)];
        if (verDedo->cargar(dedoBmp(n), FingerName(n) + QStringLiteral(" - NFIQ: ") + FingerQualityText(r.code, r.nfiq)))
            mostrarModal(*verDedo);
        seleccionarDedo(n);
        return;
    }
    seleccionarDedo(n);
    mostrarCalidad(n);
}

void TFLiveScanPlano::mostrarCalidad(int n)
{
    const QualityRecord &r = m_calidad[std::size_t(n - 1)];
    if (r.code == QualityNoImage) {
        m_ui->lblHuella->clear();
        m_ui->lblProm->clear();
        return;
    }
    m_ui->lblHuella->setText(QStringLiteral("Huella: ") + FingerQualityText(r.code, r.nfiq));
    m_ui->lblProm->setText(QStringLiteral("Promedio: ") + AverageNfiqText(AverageNfiq(m_calidad)));
}

void TFLiveScanPlano::mostrarCalidadActual()
{
    const QualityRecord &r = m_calidad[std::size_t(m_actual - 1)];
    m_ui->lblHuella->setText(QStringLiteral("Huella: ") + FingerQualityText(r.code, r.nfiq));
    m_ui->lblProm->setText(QStringLiteral("Promedio: ") + AverageNfiqText(AverageNfiq(m_calidad)));
}

void TFLiveScanPlano::mostrarEnSlot(int n, GreyImage image)
{
    m_imagenes[std::size_t(n - 1)] = std::move(image);
    escalar(n);
}

void TFLiveScanPlano::vaciarSlot(int n)
{
    m_imagenes[std::size_t(n - 1)] = GreyImage();
    slot(n)->clear();
}

void TFLiveScanPlano::escalar(int n)
{
    const GreyImage &image = m_imagenes[std::size_t(n - 1)];
    QLabel *s = slot(n);
    if (image.isNull()) {
        s->clear();
        return;
    }
    const QSize area = s->contentsRect().size();
    const double scale = std::min(double(area.width()) / image.width(), double(area.height()) / image.height());
    const QSize size(qMax(1, int(image.width() * scale)), qMax(1, int(image.height() * scale)));
    s->setPixmap(QPixmap::fromImage(image.toQImage().scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)));
}

void TFLiveScanPlano::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    for (int n = 1; n <= 10; ++n)
        escalar(n);
}

void TFLiveScanPlano::cargarDedo(const QString &file)
{
    GreyImage image = BmpFile::readGrey(file);
    const QualityRecord record = ScoreImage(image);
    ponerDedo(std::move(image), record);
}

void TFLiveScanPlano::ponerDedo(GreyImage image, const QualityRecord &record)
{
    m_calidad[std::size_t(m_actual - 1)] = record;
    mostrarCalidadActual();
    mostrarEnSlot(m_actual, std::move(image));
    m_modificado = true;
}

void TFLiveScanPlano::AfterScan(const QByteArray &bmp)
{
    if (m_ocupado || m_soloLectura)
        return;
    Ocupado ocupado(m_ocupado);
    const QString file = dedoBmp(m_actual);
    QFile::remove(file);
    const GreyImage source = BmpFile::readGrey(bmp);
    GreyImage flipped;
    const bool flippedOk = FlipBitmap(m_flipVer, m_flipHor, source, flipped);
    // The print is scored on a second thread while it is written: the operator waits for
    // the longer of the two, not for both. The score is of exactly the pixels stored.
    GreyImage scored = flipped;
    std::future<QualityRecord> score;
    if (flippedOk && NfiqLibrary::isLoaded()) {
        try {
            score = std::async(std::launch::async, [&scored] { return ScoreImage(scored); });
        } catch (const std::system_error &) {
            // no thread to be had: scored below, after the writing
        }
    }
    const bool written = flippedOk && BmpFile::writeGrey(file, flipped) && existe(file);
    if (!written) {
        if (score.valid())
            score.wait();
        setEstado(QStringLiteral("No se pudo generar el archivo: dedo%1.bmp").arg(m_actual));
        return;
    }
    const QualityRecord record = score.valid() ? score.get() : ScoreImage(scored);
    ponerDedo(std::move(scored), record);
    if (m_autoAvance)
        m_croAvance->start();
}

void TFLiveScanPlano::btCapturarClick()
{
    if (m_soloLectura || m_ocupado)
        return;
    Ocupado ocupado(m_ocupado);
    // What a previous run left in the live-scan folder is not this person's: it goes before
    // the program runs, so only what the program writes now is taken.
    QFile::remove(livescan::singleOutput());
    for (int n = 1; n <= 10; ++n)
        QFile::remove(livescan::fingerOutput(n));
    const QString exe = livescan::programPath(livescan::chosen().exeLiveScan);
    if (!livescan::programExists(exe)) {
        Dialogs::information(livescan::missingProgramText(exe));
        return;
    }
    if (!RunAndWait(exe, QStringList {QStringLiteral("Ped: %1 Reg: %2").arg(m_cPed).arg(m_cReg)}, ShowState::Normal))
        return;
    for (int n = 1; n <= 10; ++n) {
        const QString output = livescan::fingerOutput(n);
        if (!existe(output))
            continue;
        seleccionarDedo(n);
        if (copiarEncima(output, dedoBmp(n)))
            cargarDedo(dedoBmp(n));
    }
}

void TFLiveScanPlano::capturarUno()
{
    if (m_soloLectura || m_ocupado)
        return;
    Ocupado ocupado(m_ocupado);
    QFile::remove(livescan::singleOutput());
    const QString exe = livescan::programPath(livescan::chosen().exeCaptura);
    if (!livescan::programExists(exe)) {
        Dialogs::information(livescan::missingProgramText(exe));
        return;
    }
    if (!RunAndWait(exe, QStringList {FingerName(m_actual)}, ShowState::Normal))
        return;
    if (existe(livescan::singleOutput()) && copiarEncima(livescan::singleOutput(), dedoBmp(m_actual)))
        cargarDedo(dedoBmp(m_actual));
}

void TFLiveScanPlano::amputar(int k)
{
    if (m_soloLectura || m_ocupado || k < 0 || k > 9)
        return;
    const QString placeholder = ProgramFolder::resolve(QString::fromLatin1(AmputationFile));
    if (!existe(placeholder)) {
        Dialogs::error(QStringLiteral("Falta el archivo \"Amputado.BMP\""), QStringLiteral("Error"));
        return;
    }
    Ocupado ocupado(m_ocupado);
    const int n = k + 1;
    QFile::remove(dedoBmp(n));
    seleccionarDedo(n);
    if (QFile::copy(placeholder, dedoBmp(n)))
        mostrarEnSlot(n, BmpFile::readGrey(dedoBmp(n)));
    m_modificado = true;
}

void TFLiveScanPlano::btLimpiarClick()
{
    if (m_soloLectura || m_ocupado)
        return;
    m_calidad = TenQualityRecords {};
    for (int n = 1; n <= 10; ++n) {
        seleccionarDedo(n);
        QFile::remove(dedoBmp(n));
        vaciarSlot(n);
    }
    seleccionarDedo(1);
    setEstado(QStringLiteral("OK"));
    m_croSesion.start();
}

void TFLiveScanPlano::btCalidadClick()
{
    m_calidadWnd->ShowQuality(QStringLiteral("Calidad de la huella"), m_calidad);
}

bool TFLiveScanPlano::btGrabarClick()
{
    return grabar();
}

bool TFLiveScanPlano::grabar()
{
    if (m_soloLectura || m_ocupado)
        return false;
    Ocupado ocupado(m_ocupado);
    if (AverageNfiq(m_calidad) > 3) {
        DialogMessage pregunta;
        pregunta.icon = DialogIcon::Question;
        pregunta.title = QStringLiteral("Atención");
        pregunta.text = QStringLiteral("La ficha del trámite es de baja calidad\r¿Desea volver a tomar las impresiones?");
        pregunta.buttons = {DialogButton::Yes, DialogButton::No};
        pregunta.defaultButton = DialogButton::Yes;
        if (Dialogs::instance().ask(pregunta) == DialogButton::Yes)
            return false;
    }
    if (!progreso) {
        m_progresoPropio = std::make_unique<TFProgreso>(this);
        progreso = m_progresoPropio.get();
    }
    progreso->mostrar(QStringLiteral("Grabando la ficha..."));
    QStringList wsq;
    bool ok = true;
    // The conversions are independent processes: they run side by side, up to the first
    // finger without a print, and their results are taken in finger order, the first failure
    // stopping the save exactly as one conversion after another would.
    int faltante = 1;
    while (faltante <= 10 && existe(dedoBmp(faltante)))
        ++faltante;
    QList<BmpToWsq> batch;
    for (int n = 1; n < faltante; ++n)
        batch.append({nombreDedo(n, "bmp"), nombreDedo(n, "wsq")});
    ConvertBmpsToWsq(batch, conversionesSimultaneas(), [this](int i) {
        progreso->setPosicion(i + 1);
        setEstado(QStringLiteral("Convirtiendo a WSQ el ") + FingerName(i + 1));
    });
    for (const BmpToWsq &c : std::as_const(batch)) {
        if (c.ok)
            wsq.append(c.target);
    }
    for (int n = 1; n <= 10 && ok; ++n) {
        if (n == faltante) {
            progreso->hide();
            seleccionarDedo(n);
            setEstado(QStringLiteral("Error: falta el ") + FingerName(n) + QStringLiteral("!"));
            ok = false;
        } else if (const BmpToWsq &c = batch[n - 1]; !c.ok || !existe(dedoWsq(n))) {
            progreso->hide();
            seleccionarDedo(n);
            setEstado(QStringLiteral("Error: convirtiendo el ") + FingerName(n) + QStringLiteral("! . Mensaje:")
                      + c.message);
            ok = false;
        }
    }
    // A set that stopped short is not packed: its message stays in the status bar and no
    // partial archive is left for anyone to take.
    if (ok) {
        QString message;
        if (!ZipFiles(wsq, zipPath(), message)) {
            setEstado(QStringLiteral("Error al generar archivo Zip: Mensaje: ") + message);
            ok = false;
        }
    }
    for (const QString &w : std::as_const(wsq))
        QFile::remove(ProgramFolder::resolve(w));
    m_croSesion.stop();
    progreso->hide();
    if (!ok)
        return false;
    setEstado(QStringLiteral("Ficha %1 grabada exitosamente! - Total: %2 seg.").arg(m_cPed).arg(m_croSesion.elapsed() / 1000));
    ResultZip = zipPath();
    accept();
    return true;
}

void TFLiveScanPlano::btSalirClick()
{
    if (m_modificado && !m_soloLectura) {
        DialogMessage pregunta;
        pregunta.icon = DialogIcon::Question;
        pregunta.title = QStringLiteral("Advertencia");
        pregunta.text = QStringLiteral("La huella ha sido modificada. ¿Desea guardarla?");
        pregunta.buttons = {DialogButton::Yes, DialogButton::No};
        pregunta.defaultButton = DialogButton::Yes;
        if (Dialogs::instance().ask(pregunta) == DialogButton::Yes) {
            // A save that does not go through keeps the session and its prints on screen,
            // with the reason in the status bar.
            grabar();
            return;
        }
    }
    reject();
}

void TFLiveScanPlano::miImprimirClick()
{
    for (int n = 1; n <= 10; ++n) {
        if (!existe(dedoBmp(n))) {
            Dialogs::information(QStringLiteral("Error: falta el dedo ") + FingerName(n));
            return;
        }
    }
    if (!existe(ProgramFolder::resolve(QString::fromLatin1(CardTemplateFile)))) {
        Dialogs::information(QStringLiteral("Error: no existe la ficha completa \"fmodelo.bemepe\""));
        return;
    }
    m_info->mostrar(QStringLiteral("Generación de la ficha completa"));
    m_info->agregarPaso(QStringLiteral("Por favor, espera mientras se genera la imágen"));
    const QString card = ProgramFolder::resolve(QStringLiteral("%1_%2.bmp").arg(m_cPed).arg(m_cReg));
    if (ComposeCard(QStringLiteral("dedo"), card)) {
        m_info->terminarPaso();
        m_info->agregarPaso(QStringLiteral("Guardando"));
        m_info->terminarPaso();
        reports::VerFicha(card, QStringLiteral("Ped:%1 Reg:%2").arg(m_cPed).arg(m_cReg), this);
    }
    QFile::remove(card);
    m_info->hide();
}

void TFLiveScanPlano::miConfiguracionClick()
{
    TFConfigLiveScan config(m_dm, this);
    mostrarModal(config);
    leerOpciones();
}

void TFLiveScanPlano::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_scan)
        m_scan->setDelivery(true);
    slot(m_actual)->setFocus();
}

void TFLiveScanPlano::hideEvent(QHideEvent *event)
{
    if (m_scan)
        m_scan->setDelivery(false);
    QDialog::hideEvent(event);
}

void TFLiveScanPlano::done(int result)
{
    m_croAvance->stop();
    borrarDedos();
    QDialog::done(result);
}

} // namespace qal

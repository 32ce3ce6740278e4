#include "imaging/forms/TTwainForm.h"

#include "imaging/forms/TTwainCaps.h"
#include "ui_TTwainForm.h"

#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"
#include "imaging/TiffFile.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QPointer>

namespace qal {

namespace {

const QString kImageLibIni = QStringLiteral("ImageLib.INI");

int bmpBits(ScanPixelType type)
{
    switch (type) {
    case ScanPixelType::BlackWhite: return 1;
    case ScanPixelType::Color24: return 24;
    default: return 8;
    }
}

} // namespace

TTwainForm::TTwainForm(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TTwainForm>())
{
    m_ui->setupUi(this);
    crearScanner = [](const QString &device) { return std::make_unique<SaneScanner>(device); };
    connect(m_ui->btScan, &QPushButton::clicked, this, [this] { ScanPages(); });
    connect(m_ui->btCancelar, &QPushButton::clicked, this, &TTwainForm::cancelarDigitalizacion);
    connect(m_ui->btSalir, &QPushButton::clicked, this, &TTwainForm::reject);
    connect(m_ui->btElegir, &QPushButton::clicked, this, [this] {
        m_dispositivosCargados = false;
        cargarDispositivos();
    });
    connect(m_ui->btCapacidades, &QPushButton::clicked, this, &TTwainForm::btCapacidadesClick);
    connect(m_ui->cbScanner, &QComboBox::currentIndexChanged, this, &TTwainForm::mostrarDispositivo);
    LoadSettings(ProgramFolder::resolve(kImageLibIni));
}

TTwainForm::~TTwainForm()
{
    delete m_job; // cancels a scan still running and waits for it
    m_job = nullptr;
    SaveSettings(ProgramFolder::resolve(kImageLibIni));
}

TTwainForm &TTwainForm::compartido()
{
    static QPointer<TTwainForm> form;
    if (!form) {
        form = new TTwainForm;
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, form.data(), [] { delete form.data(); });
    }
    return *form;
}

QString TTwainForm::archivoTemp() { return ProgramFolder::resolve(QStringLiteral("TEMP.TIF")); }
QString TTwainForm::archivoBmp() { return ProgramFolder::resolve(QStringLiteral("OUT.BMP")); }
QString TTwainForm::archivoTif() { return ProgramFolder::resolve(QStringLiteral("OUT.TIF")); }

void TTwainForm::LoadSettings(const QString &iniFile, const ScannerConfig &defaults)
{
    setConfig(ScannerConfig::load(iniFile, defaults));
}

void TTwainForm::SaveSettings(const QString &iniFile)
{
    config().save(iniFile);
}

ScannerConfig TTwainForm::config() const
{
    ScannerConfig c;
    c.dpi = m_ui->seDPI->value();
    c.izquierda = m_ui->seIzquierda->value();
    c.derecha = m_ui->seDerecha->value();
    c.arriba = m_ui->seSuperior->value();
    c.abajo = m_ui->seInferior->value();
    c.brillo = m_ui->seBrillo->value();
    c.contraste = m_ui->seContraste->value();
    c.tipoImagen = ScanPixelType(m_ui->cbTipoImagen->currentIndex());
    c.uiMode = ScannerUiMode(m_ui->cbUIMode->currentIndex());
    c.rotarGrados = m_ui->seRotar->value();
    c.dispositivo = dispositivoElegido();
    return c;
}

void TTwainForm::setConfig(const ScannerConfig &config)
{
    const ScannerConfig c = config.bounded();
    m_ui->seDPI->setValue(c.dpi);
    m_ui->seIzquierda->setValue(c.izquierda);
    m_ui->seDerecha->setValue(c.derecha);
    m_ui->seSuperior->setValue(c.arriba);
    m_ui->seInferior->setValue(c.abajo);
    m_ui->seBrillo->setValue(c.brillo);
    m_ui->seContraste->setValue(c.contraste);
    m_ui->cbTipoImagen->setCurrentIndex(int(c.tipoImagen));
    m_ui->cbUIMode->setCurrentIndex(int(c.uiMode));
    m_ui->seRotar->setValue(c.rotarGrados);
    m_dispositivoIni = c.dispositivo;
    const int row = m_ui->cbScanner->findData(c.dispositivo);
    if (row >= 0)
        m_ui->cbScanner->setCurrentIndex(row);
}

int TTwainForm::paginas() const { return m_ui->sePaginas->value(); }
bool TTwainForm::autoRotacion() const { return m_ui->chkDeskew->isChecked(); }

QString TTwainForm::dispositivoElegido() const
{
    const QVariant data = m_ui->cbScanner->currentData();
    return data.isValid() ? data.toString() : m_dispositivoIni;
}

void TTwainForm::showEvent(QShowEvent *event)
{
    if (!m_job) { // what an earlier scan said is of no use to the next one
        m_ui->lbEstado->clear();
        m_ui->pbProgreso->setValue(0);
    }
    cargarDispositivos();
    QDialog::showEvent(event);
}

void TTwainForm::reject()
{
    // the window cannot be left while a scan runs: Escape and the close box cancel it
    if (m_job) {
        cancelarDigitalizacion();
        return;
    }
    QDialog::reject();
}

void TTwainForm::cargarDispositivos()
{
    if (m_dispositivosCargados)
        return;
    m_dispositivosCargados = true;
    const QString wanted = dispositivoElegido();
    QSignalBlocker block(m_ui->cbScanner);
    m_ui->cbScanner->clear();
    SaneScanner sane;
    for (const ScannerDevice &d : sane.deviceList())
        m_ui->cbScanner->addItem(QStringLiteral("%1 %2 (%3)").arg(d.vendor, d.model, d.name).simplified(), d.name);
    if (m_ui->cbScanner->count() == 0)
        m_ui->lbDispositivo->setText(QStringLiteral("No se encontró ningún scanner"));
    const int row = m_ui->cbScanner->findData(wanted);
    m_ui->cbScanner->setCurrentIndex(row >= 0 ? row : 0);
    block.unblock();
    mostrarDispositivo();
}

// What the chosen device offers of what the settings ask for.
void TTwainForm::mostrarDispositivo()
{
    if (m_ui->cbScanner->count() == 0)
        return;
    SaneScanner sane(dispositivoElegido());
    QString error;
    const QList<ScannerOption> options = sane.options(&error);
    if (options.isEmpty()) {
        m_ui->lbDispositivo->setText(error);
        return;
    }
    QStringList lines;
    const auto find = [&](const char *name) -> const ScannerOption * {
        for (const ScannerOption &o : options)
            if (o.name == QLatin1String(name))
                return &o;
        return nullptr;
    };
    if (const ScannerOption *r = find("resolution"))
        lines << QStringLiteral("Resolución: %1").arg(r->constraint == QLatin1String("Range")
                                                          ? QStringLiteral("%1..%2 dpi").arg(r->minimum, r->maximum)
                                                          : r->values.join(QLatin1Char(' ')) + QStringLiteral(" dpi"));
    if (const ScannerOption *x = find("br-x"), *y = find("br-y"); x && y)
        lines << QStringLiteral("Área máxima: %1 x %2 mm").arg(x->maximum, y->maximum);
    if (const ScannerOption *m = find("mode"))
        lines << QStringLiteral("Modos: ") + m->values.join(QStringLiteral(", "));
    if (const ScannerOption *s = find("source"))
        lines << QStringLiteral("Orígenes: ") + s->values.join(QStringLiteral(", "));
    lines << QStringLiteral("Brillo: %1, contraste: %2")
                 .arg(find("brightness") ? QStringLiteral("sí") : QStringLiteral("no"),
                      find("contrast") ? QStringLiteral("sí") : QStringLiteral("no"));
    m_ui->lbDispositivo->setText(lines.join(QLatin1Char('\n')));
}

void TTwainForm::btCapacidadesClick()
{
    if (!m_caps)
        m_caps = new TTwainCaps(this);
    m_caps->mostrar(dispositivoElegido());
    m_caps->exec();
}

void TTwainForm::habilitarControles(bool enabled)
{
    for (QWidget *w : findChildren<QWidget *>())
        if (w != m_ui->pbProgreso && w != m_ui->lbEstado && w != m_ui->btCancelar && w->parentWidget() == m_ui->gbConfig)
            w->setEnabled(enabled);
    for (QPushButton *b : {m_ui->btScan, m_ui->btElegir, m_ui->btCapacidades, m_ui->btSalir})
        b->setEnabled(enabled);
    m_ui->btCancelar->setEnabled(!enabled);
}

void TTwainForm::cancelarDigitalizacion()
{
    if (m_job) {
        m_job->cancel();
        m_ui->lbEstado->setText(QStringLiteral("Cancelando..."));
    }
}

bool TTwainForm::ScanPages()
{
    if (m_job)
        return false;
    QFile::remove(archivoTemp());
    m_paginas.clear();
    m_error.clear();
    m_cancelada = false;
    const ScannerConfig c = config();
    std::unique_ptr<Scanner> scanner = crearScanner(c.dispositivo);
    if (auto *sane = dynamic_cast<SaneScanner *>(scanner.get()))
        for (auto it = opcionesExtra.cbegin(); it != opcionesExtra.cend(); ++it)
            sane->setExtraOption(it.key(), it.value());
    if (!isVisible()) {
        // the scanning windows are modal: the dialog must be too, or its Cancelar could not be pressed
        setWindowModality(Qt::ApplicationModal);
        show();
    }
    raise();
    habilitarControles(false);
    m_ui->pbProgreso->setRange(0, 100);
    m_ui->pbProgreso->setValue(0);
    m_ui->lbEstado->setText(QStringLiteral("Digitalizando..."));

    QEventLoop loop;
    bool ok = false;
    m_job = new ScanJob(std::move(scanner), c.scanSettings(paginas(), mostrarInterface),
                        PageTreatment {autoRotacion(), c.rotarGrados}, this);
    connect(m_job, &ScanJob::progress, this, [this](int page, int percent) {
        m_ui->pbProgreso->setRange(0, percent < 0 ? 0 : 100); // unknown length: a busy bar
        if (percent >= 0)
            m_ui->pbProgreso->setValue(percent);
        m_ui->lbEstado->setText(QStringLiteral("Digitalizando página %1...").arg(page));
    });
    connect(m_job, &ScanJob::deskewing, this, [this] { m_ui->lbEstado->setText(QStringLiteral("DESKEWING")); });
    connect(m_job, &ScanJob::pageReady, this, &TTwainForm::guardarPagina);
    connect(m_job, &ScanJob::finished, this, [&](bool result, const QString &error) {
        ok = result && m_error.isEmpty(); // a page that could not be written fails the scan
        if (m_error.isEmpty())
            m_error = error;
        loop.quit();
    });
    m_job->start();
    loop.exec();
    m_cancelada = m_job->cancelled() || m_error == kScanCancelled; // by the operator or at the device
    delete m_job;
    m_job = nullptr;

    if (!ok || m_paginas.isEmpty()) {
        // nothing half-done is handed on: the caller's image stays as it was
        m_paginas.clear();
        QFile::remove(archivoBmp());
        QFile::remove(archivoTif());
        if (m_error.isEmpty())
            m_error = QStringLiteral("El scanner no entregó ninguna página");
        m_ui->lbEstado->setText(m_error);
        ok = false;
    } else if (!autoRotacion()) { // a deskewed scan keeps its skew value on show
        m_ui->lbEstado->setText(m_paginas.size() == 1 ? QStringLiteral("1 página digitalizada")
                                                       : QStringLiteral("%1 páginas digitalizadas").arg(m_paginas.size()));
    }
    m_ui->pbProgreso->setRange(0, 100);
    m_ui->pbProgreso->setValue(ok ? 100 : 0);
    habilitarControles(true);
    return ok;
}

void TTwainForm::guardarPagina(const ScannedPage &page)
{
    m_ocupado = true;
    if (page.deskewed)
        m_ui->lbEstado->setText(QStringLiteral("Skew value (in degree) is ") + QString::asprintf("%8.2f", page.skew));
    const ScanPixelType type = ScanPixelType(m_ui->cbTipoImagen->currentIndex());
    QString error;
    if (!BmpFile::write(archivoBmp(), page.image, bmpBits(type), &error)
        || !TiffFile::writeLossless(archivoTif(), page.image, &error)) {
        m_error = error;
        if (m_job)
            m_job->cancel();
    } else {
        m_paginas.push_back(page.image);
    }
    m_ocupado = false;
    emit paginaDigitalizada(page.number);
}

} // namespace qal

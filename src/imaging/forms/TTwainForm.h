#pragma once

#include "imaging/ScanJob.h"
#include "imaging/ScannerConfig.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <QMap>

#include <functional>
#include <memory>

namespace Ui {
class TTwainForm;
}

namespace qal {

class TTwainCaps;

// "Configurar Scanner": the scanner settings every scanning window uses, and the scan
// itself. ScanPages runs while the dialog shows what the device is doing (page, progress,
// deskew) with a button to cancel; the message loop keeps running meanwhile. The dialog
// reads "ImageLib.INI" when it is created and writes it when it is destroyed.
class TTwainForm : public QDialog
{
    Q_OBJECT

public:
    explicit TTwainForm(QWidget *parent = nullptr);
    ~TTwainForm() override;

    // The one dialog of the program, destroyed when the application ends.
    static TTwainForm &compartido();


    void LoadSettings(const QString &iniFile, const ScannerConfig &defaults = ScannerConfig::card());
    void SaveSettings(const QString &iniFile);
    ScannerConfig config() const;
    void setConfig(const ScannerConfig &config);
    int paginas() const;
    bool autoRotacion() const;

    // Scans up to "Páginas" pages with the settings shown. Each page is deskewed when
    // "Auto rotación (Deskew)" is ticked, turned by "Rotar siempre", and written as
    // "OUT.BMP" and "OUT.TIF" (so these hold the last page); every page of the batch is
    // kept in paginasDigitalizadas(). A failed or cancelled scan keeps no page, leaves no
    // "OUT.*" file and says why in ultimoError(). True when pages arrived.
    bool ScanPages();
    const QList<QImage> &paginasDigitalizadas() const { return m_paginas; }
    QString ultimoError() const { return m_error; }
    bool cancelada() const { return m_cancelada; }
    bool digitalizando() const { return m_job != nullptr; }
    // On while a scanned page is being written.
    bool ocupado() const { return m_ocupado; }
    void cancelarDigitalizacion();

    // Set by the scanning windows' "show the scanner's interface" boxes. SANE devices
    // have no interface of their own; the flag is kept for the settings.
    bool mostrarInterface = false;

    // The device the scans use; tests and the demo put SANE's test device here.
    std::function<std::unique_ptr<Scanner>(const QString &device)> crearScanner;
    // Device options set before every scan, by name ("test-picture" = "Grid").
    QMap<QString, QString> opcionesExtra;

    // Files of a scan, in the program folder.
    static QString archivoTemp();
    static QString archivoBmp();
    static QString archivoTif();

signals:
    void paginaDigitalizada(int numero);

protected:
    void showEvent(QShowEvent *event) override;
    void reject() override;

private:
    void cargarDispositivos();
    void mostrarDispositivo();
    void habilitarControles(bool enabled);
    void guardarPagina(const ScannedPage &page);
    void btCapacidadesClick();
    QString dispositivoElegido() const;

    std::unique_ptr<Ui::TTwainForm> m_ui;
    TTwainCaps *m_caps = nullptr;
    ScanJob *m_job = nullptr;
    QList<QImage> m_paginas;
    QString m_error;
    QString m_dispositivoIni;
    bool m_cancelada = false;
    bool m_ocupado = false;
    bool m_dispositivosCargados = false;
};

} // namespace qal

#pragma once

#include "biometrics/LiveScanPrograms.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TFConfigLiveScan;
}

namespace qal {

class Tdm;

// "Configuración de LiveScan": the capture session's options (parameter table) and the
// live-scan folder with its chosen external programs (LiveScan.INI), with buttons that try
// the programs.
class TFConfigLiveScan : public QDialog
{
    Q_OBJECT

public:
    explicit TFConfigLiveScan(Tdm &dm, QWidget *parent = nullptr);
    ~TFConfigLiveScan() override;

    void cargar();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();
    void btCancelarClick();
    void btConfigurarClick();
    void btCapturaClick();
    void btLiveScanClick();

    void llenarProgramas(const QString &elegido);
    ExternalCapturePrograms elegidos() const;
    QString rutaPrograma(const QString &exe) const;

    std::unique_ptr<Ui::TFConfigLiveScan> m_ui;
    Tdm &m_dm;
    QList<ExternalCapturePrograms> m_programas;
};

} // namespace qal

#pragma once

#include "imaging/Scanner.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TTwainCaps;
}

namespace qal {

// "View Twain Capabilities": the options of a scanner as its driver describes them. The
// list holds the options the device has; choosing one shows its type, its constraint with
// range or values, its unit and its current value. Nothing is changed on the device.
class TTwainCaps : public QDialog
{
    Q_OBJECT

public:
    explicit TTwainCaps(QWidget *parent = nullptr);
    ~TTwainCaps() override;


    // Reads the options of the device (the first one found when empty).
    void mostrar(const QString &device);
    const QList<ScannerOption> &opciones() const { return m_options; }

private:
    void mostrarOpcion(int row);

    std::unique_ptr<Ui::TTwainCaps> m_ui;
    QList<ScannerOption> m_options;
};

} // namespace qal

#pragma once

#include <QDialog>

class QProgressBar;

namespace qal {

// "Progreso del control de calidad": a progress bar over the ten fingers while a set is
// unpacked or saved. Its caption says which.
class TFProgreso : public QDialog
{
    Q_OBJECT

public:
    explicit TFProgreso(QWidget *parent = nullptr);

    void mostrar(const QString &caption);
    void setPosicion(int finger);
    QProgressBar *barra() const { return m_barra; }

private:
    QProgressBar *m_barra;
};

} // namespace qal

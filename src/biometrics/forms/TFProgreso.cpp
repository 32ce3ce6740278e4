#include "biometrics/forms/TFProgreso.h"

#include <QProgressBar>
#include <QVBoxLayout>

namespace qal {

TFProgreso::TFProgreso(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TFProgreso"));
    setWindowTitle(QStringLiteral("Progreso del control de calidad"));
    auto *layout = new QVBoxLayout(this);
    m_barra = new QProgressBar(this);
    m_barra->setObjectName(QStringLiteral("pbProgreso"));
    m_barra->setRange(1, 10);
    layout->addWidget(m_barra);
    resize(320, 60);
}

void TFProgreso::mostrar(const QString &caption)
{
    setWindowTitle(caption);
    m_barra->setValue(1);
    show();
}

void TFProgreso::setPosicion(int finger)
{
    m_barra->setValue(finger);
    m_barra->repaint();
}

} // namespace qal

#include "TFRecEst.h"

#include "ui_TFRecEst.h"

#include "exchange/TdmMail.h"

namespace qal::exchange {

TFRecEst::TFRecEst(TdmMail &mail, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
    , m_ui(std::make_unique<Ui::TFRecEst>())
{
    m_ui->setupUi(this);
    // Progress comes from the transfer's thread, queued; the end is queued too so that it
    // never overtakes the last progress step.
    connect(&mail, &TdmMail::transferencia, this, &TFRecEst::transferencia, Qt::QueuedConnection);
    connect(&mail, &TdmMail::transferenciaTerminada, this, &TFRecEst::terminada, Qt::QueuedConnection);
}

TFRecEst::~TFRecEst() = default;

void TFRecEst::transferencia(bool enviando, int porcentaje)
{
    if (porcentaje < 0)
        return; // size not known
    setWindowTitle(enviando ? QStringLiteral("Enviando Mensaje..") : QStringLiteral("Recibiendo Mensaje..."));
    m_ui->Prog->setValue(porcentaje);
    if (!isVisible())
        show();
}

void TFRecEst::terminada()
{
    hide();
}

} // namespace qal::exchange

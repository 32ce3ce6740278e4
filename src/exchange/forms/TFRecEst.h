#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFRecEst;
}

namespace qal::exchange {

class TdmMail;

// The progress of a mail transfer: shows itself while a message is sent or read and its size
// is known, and hides when the transfer ends. Stays on top.
class TFRecEst : public QDialog
{
    Q_OBJECT

public:
    explicit TFRecEst(TdmMail &mail, QWidget *parent = nullptr);
    ~TFRecEst() override;


    void transferencia(bool enviando, int porcentaje);
    void terminada();

private:
    std::unique_ptr<Ui::TFRecEst> m_ui;
};

} // namespace qal::exchange

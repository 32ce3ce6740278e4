#pragma once

#include "exchange/soap/SoapSettings.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFSelInternet;
}

namespace qal {
class Tdm;
}

namespace qal::exchange {

// "Recuperar Trámite de Internet": finds a procedure a person started on the Internet by its
// slip code and document number, and makes a new personal request of it.
class TFSelInternet : public QDialog
{
    Q_OBJECT

public:
    explicit TFSelInternet(Tdm &dm, QWidget *parent = nullptr);
    ~TFSelInternet() override;

    // Shows the personal request just made (set by the window that owns the personal form).
    std::function<void()> mostrarPedidoPersonal;
    // The services' settings; tests point them at their own server.
    std::function<soap::SoapSettings()> configuracion;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    // Checks the fields, asks the central office and, when it knows the procedure, inserts and
    // posts the personal request, closes and shows it. True when the request was made.
    bool btConsultarClick();

    bool crearPedido(const QString &boleta, const QStringList &items);

    std::unique_ptr<Ui::TFSelInternet> m_ui;
    Tdm &m_dm;
};

} // namespace qal::exchange

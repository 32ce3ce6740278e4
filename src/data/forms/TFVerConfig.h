#pragma once

#include "data/NetworkIdentity.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFVerConfig;
}

namespace qal {

class Tdm;

// "Log / configuración de envío": the sending log of the web service and how this office
// identifies itself (codes, MAC, host, IP). Escape closes it.
class TFVerConfig : public QDialog
{
    Q_OBJECT

public:
    explicit TFVerConfig(Tdm &dm, QWidget *parent = nullptr);
    ~TFVerConfig() override;

    // Appends one line to the text area (the web-service sends write here too).
    void agregarLinea(const QString &line);
    // The check itself, installed by the web-service layer; the button works once it is set.
    void setVerificacion(std::function<QString()> verificacion);

    // Where the network identity comes from; tests give their own.
    std::function<NetworkIdentity()> obtenerIdentidad = GetNetworkInfo;

private:
    // Handlers of the form's controls, reached through them.
    void btMostrarClick();
    // "&Verificar configuración": appends the answer of the service's configuration check.
    void btVerificarClick();

    std::function<QString()> m_verificacion;
    std::unique_ptr<Ui::TFVerConfig> m_ui;
    Tdm &m_dm;
};

} // namespace qal

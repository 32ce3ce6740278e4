#pragma once

#include "data/NetworkIdentity.h"
#include "requests/ConsultaExpediente.h"
#include "ui/DbNavigator.h"

#include <QDialog>

#include <functional>
#include <memory>

class QLineEdit;
class QMenu;

namespace Ui {
class TFPedP;
}

namespace qal {

class PersonalCentralService;
class TFBioVerif;
class TFCompPedBol;
class TFLiveScanPlano;
class TFDigFich;
class TFImgDig;
class TFVerImg;
class TFbped;
class Tdm;

namespace ui {
class DataSource;
}

// "QAL - Pedido Personal de Antecedentes": the counter screen for personal requests, one
// record of pedp at a time. The record rules run in the table's events; the form guards the
// navigator, applies the bank slip, sends, shows the answer, prints or mails the receipt and
// renews the security code with the central office.
class TFPedP : public QDialog
{
    Q_OBJECT

public:
    explicit TFPedP(Tdm &dm, QWidget *parent = nullptr);
    ~TFPedP() override;

    ui::DataSource *DsPedp() const { return m_dsPedp; }
    QMenu *PMenuHuella() const { return m_menuHuella; }

    // The central office's services the form uses; without them the slip is not applied and
    // the commands that need them are disabled.
    void setServicioCentral(PersonalCentralService *service);
    // "Estado &Velcor" works once the main window hands over the central office's query.
    void setConsultaExpediente(ConsultaExpediente consulta);

    void FormShow();
    bool nvPedBeforeAction(ui::DbNavigator::Button button);
    // Sets a looked-up field to null, as its clear button does.
    void limpiarCampo(const QString &field);

    void dbTalonEnter(QLineEdit *edit);
    void dbTalonKeyUp(QLineEdit *edit, int key);

    // The comparison of the current request with its bank slip: true when the operator goes on.
    bool compararConBoleta();

    TFCompPedBol *formularioComparacion();
    TFbped *formularioBusqueda();
    TFDigFich *formularioFicha();
    TFImgDig *formularioDocumentos();
    TFVerImg *visorImagenes();

    // The biometric confirmation: the program's verification window when one is set, else a
    // window of the form's own.
    void setVerificacionBiometrica(TFBioVerif *form) { m_bio = form; }
    TFBioVerif *formularioBiometrico();
    // Shows the confirmation ("Confirmación biometrica", empty picture); true with the user
    // name and the verification id when the print was verified.
    bool confirmarBiometria(QString &login, int &verifId);

    // Shows a window modally; tests drive the window themselves.
    std::function<int(QDialog &)> mostrarModal = [](QDialog &d) { return d.exec(); };

    // Called with each capture session before it opens (tests give it their scanner).
    std::function<void(TFLiveScanPlano &)> antesDeCaptura;

    // This computer's network identity, written in the packages the form sends.
    std::function<NetworkIdentity()> obtenerIdentidad = GetNetworkInfo;

    // Raised before each image hand-over: each temporary image gets a fresh name.
    int contadorVisor = 0;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    // The slip edits (dbTalon and dbPagoDomic) share these; each acts on the edit that raised it.
    void dbTalonClick(QLineEdit *edit);
    void dbTalonExit(QLineEdit *edit);
    void btEnvClick();
    void btContesClick();
    void btImpCompClick();
    void btRegenClick();
    void btEstVelcorClick();
    void btDigClick();
    void DigitalizarFicha1Click();
    void LiveScan1Click();
    void btDocClick();
    // "&Buscar": the quick search on the personal requests.
    void btBusClick();

    TFbped *m_bped = nullptr;
    ConsultaExpediente m_consultaExpediente;
    void enlazarControles();
    void enlazarListas();
    void conectarEventos();
    void conectarImagenes();
    void compactarBotones();
    void centrarEnPantalla();
    void actualizarComandos();
    void grabarSiEdita();
    void editarPedido();
    bool soloLectura() const;
    void mostrarImagen(const QString &archivo);
    bool hayLiveScan() const;
    void enviarComprobantePorCorreo();
    // Runs an event handler; an error it raises is shown and the program goes on.
    static void atrapar(const std::function<void()> &handler);

    std::unique_ptr<Ui::TFPedP> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsPedp;
    QMenu *m_menuHuella;
    PersonalCentralService *m_servicio = nullptr;
    TFCompPedBol *m_comparacion = nullptr;
    TFDigFich *m_ficha = nullptr;
    TFImgDig *m_documentos = nullptr;
    TFVerImg *m_visor = nullptr;
    TFBioVerif *m_bio = nullptr;
    bool m_centred = false;
};

} // namespace qal

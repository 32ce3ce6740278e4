#pragma once

#include "ui/DbNavigator.h"

#include "requests/ConsultaExpediente.h"
#include "requests/ConsultaMotivoRechazo.h"

#include <QDialog>

#include <functional>
#include <memory>

class QMenu;
class QAction;

namespace Ui {
class TFped;
}

namespace qal {

class Tdm;
class TFBusqDel;
class TFDigFich;
class TFLiveScanPlano;
class TFImgDig;
class TFVerImg;
class TFsup;
class TFbped;

namespace ui {
class DataSource;
}

// "QAL - Pedido Oficial de Antecedentes": one official request at a time, edited in place.
// Every rule of a save runs in the request table's events; the form only guards the
// navigator, hands the offence and alias windows the current request and keeps its lists.
class TFped : public QDialog
{
    Q_OBJECT

public:
    explicit TFped(Tdm &dm, QWidget *parent = nullptr);
    ~TFped() override;

    ui::DataSource *dsPed() const { return m_dsPed; }
    QMenu *PMenuHuella() const { return m_menuHuella; }
    TFsup *formularioSupuestos();
    TFBusqDel *formularioDelitos();
    TFbped *formularioBusqueda();

    void FormShow();
    bool nvPedBeforeAction(ui::DbNavigator::Button button);
    TFDigFich *formularioFicha();
    TFImgDig *formularioDocumentos();
    TFVerImg *visorImagenes();
    // Sets a looked-up field to null, as its clear button does.
    void limpiarCampo(const QString &field);

    // Shows a window modally; tests drive the window themselves.
    std::function<int(QDialog &)> mostrarModal = [](QDialog &d) { return d.exec(); };
    // "Estado &Velcor" works once the main window hands over the central office's query.
    void setConsultaExpediente(ConsultaExpediente consulta);
    // The central office's rejection reasons of official requests, asked by "&Contestación"
    // for a rejected request whose reason was not stored.
    void setConsultaMotivoRechazo(ConsultaMotivoRechazo consulta) { m_consultaMotivoRechazo = std::move(consulta); }
    // Called with each capture session before it opens (tests give it their scanner).
    std::function<void(TFLiveScanPlano &)> antesDeCaptura;

    // Raised before each image hand-over: each temporary image gets a fresh name, since a
    // viewer may still hold the previous one open.
    int contadorVisor = 0;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void sbDelitoClick();
    void c_tdelExit();
    void c_orgClick();
    void SupuestosClick();
    void btBuscarClick();
    void btEstVelcorClick();
    void btOficioClick();
    // Sends the current request to the central office.
    void btEnvClick();
    // The image hand-overs and the windows they open.
    void btDigClick();
    void DigitalizarFicha1Click();
    void LiveScan1Click();
    void btDocumentoClick();
    void btContesClick();

    void enlazarControles();
    void enlazarListas();
    void conectarEventos();
    void centrarEnPantalla();
    void compactarBotones();
    void conectarImagenes();
    void grabarSiEdita();
    void editarPedido();
    // Runs an event handler; an error it raises is shown and the program goes on.
    static void atrapar(const std::function<void()> &handler);

    std::unique_ptr<Ui::TFped> m_ui;
    Tdm &m_dm;
    ui::DataSource *m_dsPed;
    QMenu *m_menuHuella;
    ConsultaExpediente m_consultaExpediente;
    ConsultaMotivoRechazo m_consultaMotivoRechazo;
    TFsup *m_supuestos = nullptr;
    TFBusqDel *m_busqDel = nullptr;
    TFbped *m_bped = nullptr;
    TFDigFich *m_ficha = nullptr;
    TFImgDig *m_documentos = nullptr;
    TFVerImg *m_visor = nullptr;
    bool m_centred = false;
};

} // namespace qal

#pragma once

#include "exchange/THeaderMsg.h"

#include <QDialog>
#include <QList>

#include <functional>

#include <memory>

namespace Ui {
class TFInboxMail;
}

namespace qal::exchange {

class TSMimeReg;
class TdmMail;

// "Correo Electrónico - Bandeja de Entrada": the office's mailbox as a list of headers, one
// message read with its attachments, and the commands that process, forward or delete the
// selected message by hand.
class TFInboxMail : public QDialog
{
    Q_OBJECT

public:
    // The grid's columns, in order.
    enum Columna { Nro, Asunto, De, Prioridad, Fecha, Bytes, UIDL, Recipients, CC, Receipt, Organization, MsgId, ContentType };

    explicit TFInboxMail(TSMimeReg &smime, QWidget *parent = nullptr);
    ~TFInboxMail() override;

    QString estado() const;
    // The server index of the selected row; 0 when none is selected.
    int indiceSeleccionado() const;
    void seleccionarIndice(int index);

    void ChequearClick();
    void ObtenerClick();
    void ProcesarClick();
    void ReenviarClick();
    void BorrarClick();
    void DesconectarClick();
    void CrearClick();
    void ConfiguracionClick();
    void ProbarClick();
    void GuardarAdjuntoClick();
    void AbrirAdjuntoClick();

    // The text and image viewers of the attachments; tests replace them. Each gets the file
    // (a temporary copy, deleted afterwards) and the attachment's name, and returns false
    // when it could not show it.
    using Visor = std::function<bool(const QString &file, const QString &nombre)>;
    Visor verTexto;
    Visor verImagen;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void setEstado(const QString &text);
    void cerrarLista();
    void limpiarDetalle();
    void leerDeNuevo(int previo);
    const InboxHeaderRow *filaSeleccionada() const;
    bool sigueEnElServidor(const InboxHeaderRow &row);
    TdmMail &mail();

    std::unique_ptr<Ui::TFInboxMail> m_ui;
    TSMimeReg &m_smime;
    QList<InboxHeaderRow> m_filas;
    int m_indiceLeido = 0; // the message whose attachments are listed
};

} // namespace qal::exchange

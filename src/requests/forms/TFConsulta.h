#pragma once

#include "requests/RequestSearch.h"

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFConsulta;
}

namespace qal {

class Tdm;

namespace ui {
class RecordSetModel;
}

// "Consulta de Pedidos": finds official requests, personal requests or aliases by request
// number, by the person's names or by document number, and opens the request of the row
// chosen.
class TFConsulta : public QDialog
{
    Q_OBJECT

public:
    explicit TFConsulta(Tdm &dm, QWidget *parent = nullptr);
    ~TFConsulta() override;

    // The result of the last search (empty while none is open).
    ui::RecordSetModel *qConsulta() const { return m_qConsulta; }
    TablaBusqueda tablaElegida() const;

    void FormShow();

    // Show the request form modally, the request table already on the request. Set by the
    // window that owns the forms; without one the request cannot be shown.
    std::function<void()> mostrarPedidoOficial;
    std::function<void()> mostrarPedidoPersonal;

    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btBuscarClick();
    void btVerClick();

    // Runs a search and shows its rows; an engine failure is shown as such.
    void ejecutar(const std::function<dbase::RecordSet()> &busqueda);
    void centrar();

    std::unique_ptr<Ui::TFConsulta> m_ui;
    Tdm &m_dm;
    ui::RecordSetModel *m_qConsulta;
    // What the last search was and on which table, for the navigator's refresh and the view.
    std::function<dbase::RecordSet()> m_ultima;
    TablaBusqueda m_tablaConsultada = TablaBusqueda::Oficiales;
    bool m_centrado = false;
};

} // namespace qal

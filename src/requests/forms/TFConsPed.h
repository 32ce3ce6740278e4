#pragma once

#include <QDialog>

#include <functional>
#include <memory>

namespace Ui {
class TFConsPed;
}

namespace qal {

class Tdm;
class TPrintGrid;

namespace ui {
class RecordSetModel;
}

// "QAL - Consulta de Pedidos": the official requests not sent, sent and not answered,
// answered, or all of them, with their agency; opens the request of a row and prints the
// list.
class TFConsPed : public QDialog
{
    Q_OBJECT

public:
    enum class Criterio { SinEnviar, EnviadosSinContestar, Contestados, Todos };

    explicit TFConsPed(Tdm &dm, QWidget *parent = nullptr);
    ~TFConsPed() override;

    // The list shown: Cped with its two marks, or CpedT.
    ui::RecordSetModel *dsCped() const { return m_dsCped; }
    TPrintGrid *PrintGrid1() const { return m_printGrid; }
    Criterio criterio() const { return m_criterio; }
    // The printed title: "Informe de Pedidos" and the criterion's suffix.
    const QString &titulo() const { return m_titulo; }

    void FormShow();
    // Closes and opens the list of the current criterion.
    void Refrescar();
    void elegirCriterio(Criterio criterio);
    void btVerClick();
    void btImprimirClick();

    // Shows the official request form (not modally), the table already on the request.
    std::function<void()> mostrarPedidoOficial;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFConsPed> m_ui;
    Tdm &m_dm;
    ui::RecordSetModel *m_dsCped;
    TPrintGrid *m_printGrid;
    Criterio m_criterio = Criterio::Todos;
    QString m_titulo = QStringLiteral("Informe de Pedidos");
};

} // namespace qal

#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPushButton;

namespace qal {

class Tdm;

// "Comparativo de Pedido - Boleta": the current personal request beside the bank slip the
// central office returned for it, each pair painted dark red when it agrees and dark blue
// when it differs. The operator either goes on with the send or stops it.
class TFCompPedBol : public QDialog
{
    Q_OBJECT

public:
    explicit TFCompPedBol(Tdm &dm, QWidget *parent = nullptr);

    // Fills both columns, shows the window through mostrar and returns true when the operator
    // continued.
    bool comparar(const std::function<int(QDialog &)> &mostrar);

    // The colours of agreeing and differing pairs.
    static QColor colorIgual();
    static QColor colorDistinto();

    // The value shown for a row ("Apellidos", "Sexo", ... "Código") in the request's column
    // (pedido) or the slip's.
    QLabel *valor(const QString &fila, bool pedido) const;
    QPushButton *btContinuar() const { return m_continuar; }
    QPushButton *btCancelar() const { return m_cancelar; }

    void btContinuarClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void llenar();

    Tdm &m_dm;
    QPushButton *m_continuar;
    QPushButton *m_cancelar;
};

} // namespace qal

#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace qal {

class Tdm;

// "Informe mesual": asks for a month and opens the central office's monthly report of this
// office's personal requests in the system's browser.
class TFInfMensual : public QDialog
{
    Q_OBJECT

public:
    explicit TFInfMensual(Tdm &dm, QWidget *parent = nullptr);

    void FormShow();
    // The report's address for the month, under the first usable address of the url table;
    // empty when there is none.
    QString direccionInforme(int mes, int anio);

    QLineEdit *edMes() const { return m_mes; }
    QLineEdit *edAnio() const { return m_anio; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();

    Tdm &m_dm;
    QLineEdit *m_mes;
    QLineEdit *m_anio;
    QPushButton *m_aceptar;
    QPushButton *m_cancelar;
};

} // namespace qal

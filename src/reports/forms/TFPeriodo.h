#pragma once

#include <QDate>
#include <QDialog>

class QDateEdit;

namespace qal {

// "Período del Informe": two dates, both included, the first not after the second.
class TFPeriodo : public QDialog
{
    Q_OBJECT

public:
    explicit TFPeriodo(QWidget *parent = nullptr);

    void FormShow();
    QDate desde() const;
    QDate hasta() const;
    QDateEdit *edDesde() const { return m_desde; }
    QDateEdit *edHasta() const { return m_hasta; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btAceptarClick();

    QDateEdit *m_desde;
    QDateEdit *m_hasta;
};

} // namespace qal

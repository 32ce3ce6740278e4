#pragma once

#include <QLineEdit>

namespace qal {

// The edit in which the operator types one hand's fundamental classification: five
// symbols, each restricted to those of its position, typed over the existing ones
// (nothing is ever removed), shown upper case.
class TClasFundEdit : public QLineEdit
{
    Q_OBJECT
    Q_PROPERTY(QString Clasificacion READ Clasificacion WRITE SetClasificacion)

public:
    explicit TClasFundEdit(QWidget *parent = nullptr);

    QString Clasificacion() const { return m_clasificacion; }
    // Pads or cuts to five, validates each position ("_____" when any fails), upper case.
    void SetClasificacion(const QString &value);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void typeCharacter(QChar c);

    QString m_clasificacion;
};

} // namespace qal

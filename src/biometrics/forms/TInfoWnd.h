#pragma once

#include <QWidget>

class QLabel;
class QPlainTextEdit;

namespace qal {

// A small window that tells the operator what a long task is doing, one step a line:
// a step reads three blanks, its text and "..."; a finished step gets "Ok." appended.
class TInfoWnd : public QWidget
{
    Q_OBJECT

public:
    explicit TInfoWnd(QWidget *parent = nullptr);

    void mostrar(const QString &titulo);
    void agregarPaso(const QString &texto);
    void terminarPaso();
    QString titulo() const;
    QStringList lineas() const;

private:
    QLabel *m_titulo;
    QPlainTextEdit *m_pasos;
};

} // namespace qal

#pragma once

#include "MemoArchivo.h"

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;

namespace qal {

// "Reporte de Actividad ": what the processing of incoming messages did, one line per
// request. The lines persist in "logp.txt" of the program folder: read when the window
// is made, written whenever it closes and when the program ends, always as a whole new
// file renamed over the old one, so an interrupted write never loses the list.
class TFreporte : public QDialog
{
    Q_OBJECT

public:
    explicit TFreporte(QWidget *parent = nullptr);
    ~TFreporte() override;

    static QString archivo() { return QStringLiteral("logp.txt"); }
    // The program's window (the last made), for the processing of incoming messages.
    static TFreporte *instance();

    void AgregarLinea(const QString &line);
    QStringList lineas() const;
    // Writes "logp.txt"; false (the old file untouched) when it cannot be written.
    bool Guardar();

    void LimpiarClick();

    QPlainTextEdit *mrep() const { return m_mrep; }

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QPlainTextEdit *m_mrep;
    QPushButton *m_limpiar;
    QPushButton *m_cerrar;
    MemoArchivo m_archivo;
};

} // namespace qal

#pragma once

#include "MemoArchivo.h"

#include "data/EstadosCentral.h"
#include "reports/central/ConsultaWeb.h"

#include <QDialog>
#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace qal {

class Tdm;

// "Estado de los pedidos en QAL Central": asks the central office for the states of this
// office's requests, by its web pages or by mail, shows each list as a text table and
// applies it to the request tables; it also answers the state of one file. The memo
// persists in "EstCent.log" of the program folder: read when the window is made, written
// after every change and when it closes.
class TFEstCent : public QDialog
{
    Q_OBJECT

public:
    explicit TFEstCent(Tdm &dm, QWidget *parent = nullptr);
    ~TFEstCent() override;

    static QString archivo() { return QStringLiteral("EstCent.log"); }

    // A list the central office returned (by the web pages or in a "SETESTADO" message):
    // shown in the memo and applied.
    void AplicarLista(ListaEstados tipo, const QString &texto);
    // The state of one file in the procedures system: letter "U" (official) or "W"
    // (personal), the file number, the request and its office.
    void EstadoExpediente(QChar letra, qlonglong expediente, qlonglong pedido, qlonglong region);
    // After the settings changed.
    void RecargarProxy() { m_web.RecargarProxy(); }

    void LimpiarMemo();
    void AgregarLineas(const QStringList &lineas);
    QStringList lineas() const;
    QString estado() const;
    bool Guardar();

    central::ConsultaWeb &web() { return m_web; }
    QPlainTextEdit *memEst() const { return m_memEst; }

protected:
    void done(int result) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Handlers of the form's controls, reached through them.
    void btEstWebClick();
    void btCertWebClick();
    void btEstMailClick();

    void setEstado(const QString &texto);
    // One state page fetched and applied; false (the error in the memo) when it failed.
    bool consultarPagina(const QString &pagina, ListaEstados tipo, const QString &obteniendo, const QString &fallo,
                         const QString &falloMemo);
    Tdm &m_dm;
    central::ConsultaWeb m_web;
    QPlainTextEdit *m_memEst;
    QLabel *m_estado;
    QPushButton *m_btEstWeb, *m_btCertWeb, *m_btEstMail, *m_btSalir;
    MemoArchivo m_archivo;
};

} // namespace qal

#pragma once

#include <QString>
#include <QStringList>

namespace qal::exchange {

// What the processing of incoming messages tells the operator and asks of the printer. The
// windows install one that writes to the status line, the activity report window and the
// central-state window and prints through the image print window; qal-admin one that
// writes to its output and prints to the printer or PDF files. Every call has a silent
// default.
class AvisosRecepcion
{
public:
    virtual ~AvisosRecepcion() = default;

    // The main window's status line; busy: the hourglass cursor on or off.
    virtual void estado(const QString &texto) { (void)texto; }
    virtual void ocupado(bool busy) { (void)busy; }

    // One line of the activity report window, and showing that window.
    virtual void actividad(const QString &linea) { (void)linea; }
    virtual void mostrarActividad() {}
    virtual bool actividadVisible() const { return true; }

    // The central-state window: its memo emptied, lines added to it and the window shown.
    virtual void limpiarEstados() {}
    virtual void estados(const QStringList &lineas) { (void)lineas; }

    // Printing on arrival: every page of an answer image of the program folder, and the
    // personal answer document of the personal table's current request.
    virtual void imprimirImagen(const QString &archivo) { (void)archivo; }
    virtual void imprimirContestacionPersonal() {}
};

} // namespace qal::exchange

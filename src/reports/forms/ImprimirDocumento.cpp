#include "ImprimirDocumento.h"

#include "reports/ColaImpresion.h"
#include "reports/Documentos.h"
#include "reports/Impresora.h"
#include "reports/PaginasImagen.h"
#include "reports/Report.h"
#include "reports/TrpFicha.h"

#include "core/Dialogs.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace qal::reports {
namespace {

void previewDialog(const Report &report, QWidget *parent)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(report.title());
    printer.setPageLayout(report.pageLayout());
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("Vista previa - ") + report.title());
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&report](QPrinter *device) {
        QString error;
        if (!PaintReport(report, *device, &error))
            Dialogs::error(error);
    });
    dialog.resize(900, 1000);
    dialog.exec();
}

Previsualizador &previewer()
{
    static Previsualizador current;
    return current;
}

bool shown(const QString &error)
{
    Dialogs::error(error);
    return false;
}

} // namespace

Previsualizador SetPrevisualizador(Previsualizador p)
{
    return std::exchange(previewer(), std::move(p));
}

void Previsualizar(const Report &report, QWidget *parent)
{
    if (previewer())
        previewer()(report, parent);
    else
        previewDialog(report, parent);
}

bool ImprimirConDialogo(const Report &report)
{
    DialogPrinter choice;
    choice.title = QStringLiteral("Imprimir - ") + report.title();
    choice.printer = ImpresoraPredeterminada();
    if (!Dialogs::instance().choosePrinter(choice))
        return false;
    if (choice.printer.isEmpty() && choice.outputFile.isEmpty())
        return shown(kSinImpresora);
    QString error;
    if (!Imprimir(report, {choice.printer, choice.copies, choice.outputFile}, &error))
        return shown(error);
    return true;
}

bool ImprimirDirecto(const Report &report)
{
    QString error;
    if (!Imprimir(report, {}, &error))
        return shown(error);
    return true;
}

int Encolar(std::unique_ptr<Report> report)
{
    return EncolarImpresion(std::move(report));
}

bool VerOficio(Tdm &dm, QWidget *parent)
{
    const std::unique_ptr<Report> r = CrearDocumento(dm, Documento::Oficio);
    Previsualizar(*r, parent);
    return true;
}

bool ImprimirComprobante(Tdm &dm)
{
    QString error;
    const std::unique_ptr<Report> r = CrearDocumento(dm, Documento::Comprobante, &error);
    return r ? ImprimirDirecto(*r) : shown(error);
}

bool ImprimirContestacion(Tdm &dm)
{
    return ImprimirDirecto(*CrearDocumento(dm, Documento::Contestacion));
}

int EncolarContestacion(Tdm &dm)
{
    return EncolarDocumento(dm, Documento::Contestacion);
}

bool VerRechazo(Tdm &dm, QWidget *parent)
{
    Previsualizar(*CrearDocumento(dm, Documento::Rechazo), parent);
    return true;
}

bool VerFicha(const QString &imagen, const QString &titulo, QWidget *parent)
{
    TrpFicha ficha;
    QString error;
    if (!ficha.SetImagen(imagen, &error))
        return shown(error);
    ficha.SetTitulo(titulo);
    Previsualizar(ficha, parent);
    return true;
}

bool ImprimirImagen(const QString &fileName)
{
    PaginasImagen pages;
    QString error;
    if (!pages.abrir(fileName, &error))
        return shown(error);
    return ImprimirConDialogo(pages);
}

} // namespace qal::reports

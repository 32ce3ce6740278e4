// qal-admin receive FOLDER [--pdf DIR]: one reception cycle of a program folder without
// windows, by the code the reception timer runs: the mailbox is read, every answer applied
// and deleted, unknown mail forwarded, and arriving answers printed (to the default printer
// or, with --pdf, to PDF files in DIR).
#include "Command.h"
#include "RunningTables.h"

#include "data/Tdm.h"
#include "exchange/TSMimeReg.h"
#include "reports/ColaImpresion.h"
#include "reports/Documentos.h"
#include "reports/Impresora.h"
#include "reports/Report.h"
#include "reports/ReportFonts.h"

#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <atomic>

namespace {

const QString kUsage = QStringLiteral("uso: qal-admin receive CARPETA [--pdf CARPETA_PDF]\n");

// The activity lines and the state lists on standard output, documents on the print queue.
class AvisosConsola : public qal::exchange::AvisosRecepcion
{
public:
    explicit AvisosConsola(qal::Tdm &dm)
        : m_dm(dm)
    {
    }
    void actividad(const QString &linea) override { printOut(linea + u'\n'); }
    void estados(const QStringList &lineas) override { printOut(lineas.join(u'\n') + u'\n'); }
    void imprimirImagen(const QString &archivo) override { qal::reports::EncolarImagen(archivo); }
    void imprimirContestacionPersonal() override
    {
        qal::reports::EncolarDocumento(m_dm, qal::reports::Documento::Contestacion);
    }

private:
    qal::Tdm &m_dm;
};

int receive(const QStringList &arguments)
{
    QStringList args = arguments;
    QString pdf;
    const int pdfAt = args.indexOf(QStringLiteral("--pdf"));
    if (pdfAt >= 0) {
        if (pdfAt + 1 >= args.size()) {
            printErr(kUsage);
            return 2;
        }
        pdf = QFileInfo(args.at(pdfAt + 1)).absoluteFilePath();
        args.remove(pdfAt, 2);
    }
    if (args.size() != 1) {
        printErr(kUsage);
        return 2;
    }
    const QString folder = QFileInfo(args.at(0)).absoluteFilePath();
    if (!QFileInfo(folder).isDir()) {
        printErr(QStringLiteral("No existe la carpeta %1\n").arg(folder));
        return 2;
    }
    if (!pdf.isEmpty() && !QDir().mkpath(pdf)) {
        printErr(QStringLiteral("No se pudo crear la carpeta %1\n").arg(pdf));
        return 2;
    }

    QString fontProblem;
    if (!qal::reports::LoadReportFonts(&fontProblem))
        printErr(fontProblem + u'\n');
    qal::reports::ColaImpresion &queue = qal::reports::ColaImpresion::instance();
    if (!pdf.isEmpty()) {
        auto counter = std::make_shared<std::atomic<int>>(0);
        queue.setSink([pdf, counter](const qal::reports::Report &report, QString *error) {
            qal::reports::DestinoImpresion destino;
            destino.outputFile =
                QDir(pdf).filePath(QStringLiteral("%1-%2.pdf").arg(++*counter, 3, 10, QLatin1Char('0')).arg(report.title()));
            return qal::reports::Imprimir(report, destino, error);
        });
    }

    qal::ProgramFolder::setPath(folder);
    qal::Tdm dm;
    openTablesAsRunning(dm);
    dm.mImpAuto = dm.LeerParametro(QStringLiteral("m_impauto")) != QLatin1String("N");
    dm.mImpConfP = dm.LeerParametro(QStringLiteral("m_impconfp")) == QLatin1String("S");
    dm.InicioCompleto = true;
    qal::exchange::TSMimeReg smime(dm, qal::ProgramFolder::path());
    AvisosConsola avisos(dm);
    smime.setAvisos(&avisos);
    dm.fetchMail = [&smime] { smime.ProcesarCorreo(); };
    dm.RecibirCorreo();
    queue.waitForDone();
    QCoreApplication::processEvents(); // the queue reports its failures on this thread

    const qal::exchange::ContadoresRecepcion &c = smime.ultimaRecepcion();
    printOut(QStringLiteral("Procesados: %1 - No procesados: %2 - Reenviados: %3 - Total en el servidor: %4\n")
                 .arg(c.procesados)
                 .arg(c.noProcesados)
                 .arg(c.reenviados)
                 .arg(c.total));
    if (!c.error.isEmpty())
        printErr(QStringLiteral("Error al procesar mensajes de correo: ") + c.error + u'\n');
    return c.error.isEmpty() && c.noProcesados == 0 ? 0 : 1;
}

const RegisterCommand receiveCommand({"receive", "receive CARPETA [--pdf CARPETA_PDF]",
                                      "Lee el correo de la carpeta del programa una vez, como el temporizador: "
                                      "aplica las contestaciones, reenvía y borra, imprime lo que llega.",
                                      receive});

} // namespace

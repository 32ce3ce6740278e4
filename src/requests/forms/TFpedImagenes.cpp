// The official request form's image hand-overs: the card scanning window, the document
// window and the answer viewer. Each gets a temporary copy named by the viewer counter,
// and what comes back becomes the request's working file, moved into the request's own
// files at its next save.
#include "TFped.h"

#include "ui_TFped.h"

#include "CapturaLiveScan.h"
#include "MotivoRechazo.h"

#include "biometrics/forms/TFDigFich.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"
#include "dbase/DatabaseError.h"
#include "imaging/FileCopy.h"
#include "imaging/forms/TFImgDig.h"
#include "imaging/forms/TFVerImg.h"
#include "ui/DataSource.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace qal {

namespace {

QString archivoVisor(int n)
{
    return ProgramFolder::resolve(QStringLiteral("%1.tif").arg(n));
}

// The mail timer is off while an image window is open, and back on however it ends.
struct TimerApagado
{
    explicit TimerApagado(QTimer &timer) : t(timer) { t.stop(); }
    ~TimerApagado() { t.start(); }
    QTimer &t;
};

} // namespace

void TFped::conectarImagenes()
{
    connect(m_ui->btDig, &QPushButton::clicked, this, &TFped::btDigClick);
    connect(m_ui->btDocumento, &QPushButton::clicked, this, [this] { atrapar([this] { btDocumentoClick(); }); });
    connect(m_ui->btContes, &QPushButton::clicked, this, [this] { atrapar([this] { btContesClick(); }); });
    QAction *ficha = m_menuHuella->findChild<QAction *>(QStringLiteral("DigitalizarFicha1"));
    connect(ficha, &QAction::triggered, this, [this] { atrapar([this] { DigitalizarFicha1Click(); }); });
    QAction *liveScan = m_menuHuella->findChild<QAction *>(QStringLiteral("LiveScan1"));
    connect(liveScan, &QAction::triggered, this, [this] { atrapar([this] { LiveScan1Click(); }); });
    liveScan->setEnabled(true);
    for (QPushButton *b : {m_ui->btDig, m_ui->btDocumento, m_ui->btContes})
        b->setEnabled(true);
    ficha->setEnabled(true);
}

void TFped::atrapar(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const dbase::Abort &) {
        // given up after its own message
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
}

void TFped::btDigClick()
{
    const QString liveScan = m_dm.LeerParametro(QStringLiteral("LiveScan"));
    if (!liveScan.isEmpty() && liveScan != QLatin1String("Ninguno")) {
        m_menuHuella->popup(mapToGlobal(m_ui->btDig->geometry().topLeft()));
        return;
    }
    atrapar([this] { DigitalizarFicha1Click(); });
}

void TFped::grabarSiEdita()
{
    dbase::Table &ped = m_dm.ped;
    if (ped.state() != dbase::Table::State::Browse) {
        // a date still being typed goes in first, or nothing is saved
        if (!m_dsPed->writePending())
            throw dbase::Abort();
        m_dm.grabacionAutorizada = true;
        ped.post();
    }
}

void TFped::editarPedido()
{
    if (m_dm.ped.state() == dbase::Table::State::Browse)
        m_dm.ped.edit();
}

TFDigFich *TFped::formularioFicha()
{
    if (!m_ficha)
        m_ficha = new TFDigFich(this);
    return m_ficha;
}

TFImgDig *TFped::formularioDocumentos()
{
    if (!m_documentos)
        m_documentos = new TFImgDig(this);
    return m_documentos;
}

TFVerImg *TFped::visorImagenes()
{
    if (!m_visor)
        m_visor = new TFVerImg(this);
    return m_visor;
}

void TFped::DigitalizarFicha1Click()
{
    dbase::Table &ped = m_dm.ped;
    grabarSiEdita();
    TimerApagado timer(m_dm.Timer);
    if (ped.value(QStringLiteral("C_CARPED")).toString() == QLatin1String("N")) {
        Dialogs::information(QStringLiteral("Ud. a ingresado un pedido con carácter Nominativo (sin ficha),\r"
                                            "Omita el ingreso de la huella dactiloscópica y envíe directamente el pedido"));
        return;
    }
    BorrarArchivo(archivos::editTif);
    const int n = ++contadorVisor;
    TFDigFich &ficha = *formularioFicha();
    ficha.ResultFile.clear();
    ficha.ReadOnly = ped.value(QStringLiteral("M_ENVIADO")).toBool()
                     && ped.value(QStringLiteral("C_EST")).toString() != QLatin1String("R");
    const QString clasDer = ped.value(QStringLiteral("C_CLASDER")).toString();
    const QString clasIzq = ped.value(QStringLiteral("C_CLASIZQ")).toString();
    ficha.ClasDer = clasDer;
    ficha.ClasIzq = clasIzq;
    ficha.Changed = false;
    ficha.ocultarImagen();
    const QString copia = archivoVisor(n);
    const QString tarjeta = ArchivoPedido(QStringLiteral("h"), ped.value(QStringLiteral("C_PED")), ped.value(QStringLiteral("C_REG")));
    if (ExisteArchivo(tarjeta) && copyKeepingTime(ProgramFolder::resolve(tarjeta), copia))
        ficha.LoadCardImage(copia, false);

    mostrarModal(ficha);

    if (!ficha.ResultFile.isEmpty() && QFileInfo(ficha.ResultFile).isFile() && ficha.Changed) {
        editarPedido();
        ReemplazarArchivo(ficha.ResultFile, archivos::editTif);
    }
    QFile::remove(archivoVisor(n - 1));
    QFile::remove(copia);
    if (!ficha.ResultFile.isEmpty())
        QFile::remove(ficha.ResultFile);
    if (ficha.ClasDer != clasDer || ficha.ClasIzq != clasIzq) {
        editarPedido();
        ped.setValue(QStringLiteral("C_CLASDER"), ficha.ClasDer);
        ped.setValue(QStringLiteral("C_CLASIZQ"), ficha.ClasIzq);
    }
}

void TFped::LiveScan1Click()
{
    dbase::Table &ped = m_dm.ped;
    grabarSiEdita();
    const QString estado = ped.value(QStringLiteral("C_EST")).toString().trimmed();
    CapturaLiveScan captura(m_dm, ped);
    captura.oficial = true;
    captura.soloLectura = estado == QLatin1String("T") || estado == QLatin1String("C") || estado == QLatin1String("D");
    captura.parent = this;
    captura.mostrarModal = mostrarModal;
    captura.antesDeCaptura = antesDeCaptura;
    captura.capturar();
}

void TFped::btDocumentoClick()
{
    dbase::Table &ped = m_dm.ped;
    grabarSiEdita();
    // Reception comes back on afterwards: a document visit is no reason to stop reading mail.
    TimerApagado timer(m_dm.Timer);
    const int n = ++contadorVisor;
    BorrarArchivos({archivos::docuTif, QStringLiteral("out.tif")});
    TFImgDig &documentos = *formularioDocumentos();
    const QString copia = archivoVisor(n);
    documentos.archivoDocumento = copia;
    QFile::remove(copia);
    const QString documento = ArchivoPedido(QStringLiteral("d"), ped.value(QStringLiteral("C_PED")), ped.value(QStringLiteral("C_REG")));
    if (ExisteArchivo(documento))
        copyKeepingTime(ProgramFolder::resolve(documento), copia);
    const QFileInfo antes(copia);
    const QDateTime fecha = antes.exists() ? antes.lastModified() : QDateTime::fromMSecsSinceEpoch(0);

    mostrarModal(documentos);

    const QFileInfo despues(copia);
    if (despues.isFile() && despues.lastModified() > fecha) {
        editarPedido();
        ReemplazarArchivo(copia, archivos::docuTif);
    }
    QFile::remove(archivoVisor(n - 1));
    QFile::remove(copia);
}

void TFped::btContesClick()
{
    dbase::Table &ped = m_dm.ped;
    if (ped.value(QStringLiteral("C_EST")).toString() == QLatin1String("R")) {
        MostrarMotivoRechazo(ped, m_consultaMotivoRechazo);
        return;
    }
    if (!ped.value(QStringLiteral("M_CONTESTA")).toBool()) {
        Dialogs::error(QStringLiteral("El pedido no ha sido contestado"), QStringLiteral("Error"));
        return;
    }
    const QString respuesta = ArchivoPedido(QStringLiteral("c"), ped.value(QStringLiteral("C_PED")), ped.value(QStringLiteral("C_REG")));
    const bool hayBlob = !ped.isNull(QStringLiteral("B_RESP"));
    if (!hayBlob && !ExisteArchivo(respuesta)) {
        Dialogs::information(QStringLiteral("Este pedido no posee contestación"));
        return;
    }
    const int n = ++contadorVisor;
    TFVerImg &visor = *visorImagenes();
    visor.archivo = archivoVisor(n);
    if (ExisteArchivo(respuesta))
        copyKeepingTime(ProgramFolder::resolve(respuesta), visor.archivo);
    else
        ped.saveBlobToFile(QStringLiteral("B_RESP"), visor.archivo);
    mostrarModal(visor);
    // the file shown stays until the next showing
    QFile::remove(archivoVisor(n - 1));
}

} // namespace qal

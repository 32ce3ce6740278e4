// The personal request form's image hand-overs and its answer: the card scanning window,
// the document window and the image viewer, each given a temporary copy named by the viewer
// counter. What comes back becomes the request's working file, moved into the request's own
// files at its next save.
#include "TFPedP.h"

#include "ui_TFPedP.h"

#include "CapturaLiveScan.h"
#include "MotivoRechazo.h"

#include "biometrics/TFingerScan.h"
#include "biometrics/forms/TFBioVerif.h"
#include "biometrics/forms/TFDigFich.h"
#include "core/Clock.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"
#include "imaging/FileCopy.h"
#include "imaging/forms/TFImgDig.h"
#include "imaging/forms/TFVerImg.h"
#include "requests/PersonalCentralService.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>

namespace qal {
namespace {

QString archivoVisor(int n)
{
    return ProgramFolder::resolve(QStringLiteral("%1.tif").arg(n));
}

QString archivoDelPedido(const char *prefijo, const dbase::Table &pedp)
{
    return ArchivoPedido(QLatin1String(prefijo), pedp.value(QStringLiteral("C_PED")), pedp.value(QStringLiteral("C_REG")));
}

// The mail timer is off while a window is open and, when it ends, as the operator had it.
struct TimerEnPausa
{
    explicit TimerEnPausa(QTimer &timer) : t(timer), activo(timer.isActive()) { t.stop(); }
    ~TimerEnPausa()
    {
        if (activo)
            t.start();
    }
    QTimer &t;
    bool activo;
};

} // namespace

void TFPedP::conectarImagenes()
{
    connect(m_ui->btDig, &QPushButton::clicked, this, &TFPedP::btDigClick);
    connect(m_ui->btDoc, &QPushButton::clicked, this, [this] { atrapar([this] { btDocClick(); }); });
    connect(m_ui->btContes, &QPushButton::clicked, this, [this] { atrapar([this] { btContesClick(); }); });
    QAction *ficha = m_menuHuella->findChild<QAction *>(QStringLiteral("DigitalizarFicha1"));
    connect(ficha, &QAction::triggered, this, [this] { atrapar([this] { DigitalizarFicha1Click(); }); });
    QAction *liveScan = m_menuHuella->findChild<QAction *>(QStringLiteral("LiveScan1"));
    connect(liveScan, &QAction::triggered, this, [this] { atrapar([this] { LiveScan1Click(); }); });
}

void TFPedP::btDigClick()
{
    const QString liveScan = m_dm.LeerParametro(QStringLiteral("LiveScan"));
    if (!liveScan.isEmpty() && liveScan != QLatin1String("Ninguno")) {
        m_menuHuella->popup(mapToGlobal(m_ui->btDig->geometry().topLeft()));
        return;
    }
    atrapar([this] { DigitalizarFicha1Click(); });
}

TFDigFich *TFPedP::formularioFicha()
{
    if (!m_ficha)
        m_ficha = new TFDigFich(this);
    return m_ficha;
}

TFImgDig *TFPedP::formularioDocumentos()
{
    if (!m_documentos)
        m_documentos = new TFImgDig(this);
    return m_documentos;
}

TFVerImg *TFPedP::visorImagenes()
{
    if (!m_visor)
        m_visor = new TFVerImg(this);
    return m_visor;
}

void TFPedP::DigitalizarFicha1Click()
{
    dbase::Table &pedp = m_dm.pedp;
    grabarSiEdita();
    TimerEnPausa timer(m_dm.Timer);
    BorrarArchivo(archivos::editTif);
    const int n = ++contadorVisor;
    TFDigFich &ficha = *formularioFicha();
    ficha.ResultFile.clear();
    ficha.ReadOnly = soloLectura();
    const QString clasDer = pedp.value(QStringLiteral("C_CLASDER")).toString();
    const QString clasIzq = pedp.value(QStringLiteral("C_CLASIZQ")).toString();
    ficha.ClasDer = clasDer;
    ficha.ClasIzq = clasIzq;
    ficha.Changed = false;
    ficha.ocultarImagen();
    const QString copia = archivoVisor(n);
    const QString tarjeta = archivoDelPedido("hp", pedp);
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
        pedp.setValue(QStringLiteral("C_CLASDER"), ficha.ClasDer);
        pedp.setValue(QStringLiteral("C_CLASIZQ"), ficha.ClasIzq);
    }
}

void TFPedP::LiveScan1Click()
{
    dbase::Table &pedp = m_dm.pedp;
    grabarSiEdita();
    TimerEnPausa timer(m_dm.Timer);
    CapturaLiveScan captura(m_dm, pedp);
    captura.oficial = false;
    captura.soloLectura = soloLectura();
    captura.parent = this;
    captura.mostrarModal = mostrarModal;
    captura.antesDeCaptura = antesDeCaptura;
    if (!captura.capturar())
        return;
    pedp.setValue(QStringLiteral("F_CAPTURA"), Clock::now().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
    // The person whose prints were just taken confirms them; without it the request cannot
    // be sent until it is confirmed there.
    QString login;
    int verifId = 0;
    if (confirmarBiometria(login, verifId)) {
        pedp.setValue(QStringLiteral("C_LOGIN"), login);
        pedp.setValue(QStringLiteral("VERIF_ID"), verifId);
    } else {
        pedp.clearValue(QStringLiteral("VERIF_ID"));
    }
    m_dm.grabacionAutorizada = true;
    pedp.post();
    // Only a set this capture handed over is reported as stored.
    if (ExisteArchivo(archivoDelPedido("zp", pedp)))
        Dialogs::information(QStringLiteral("Las impresiones dactilares de la solicitud %1\r"
                                            "han sido grabadas exitosamente!")
                                 .arg(pedp.value(QStringLiteral("C_PED")).toInt()));
}

TFBioVerif *TFPedP::formularioBiometrico()
{
    if (!m_bio)
        m_bio = new TFBioVerif(m_dm, TFingerScan::instance(), this);
    return m_bio;
}

bool TFPedP::confirmarBiometria(QString &login, int &verifId)
{
    TFBioVerif &bio = *formularioBiometrico();
    bio.setWindowTitle(QStringLiteral("Confirmación biometrica"));
    bio.limpiarImagen();
    const int resultado = mostrarModal(bio);
    if (resultado != QDialog::Accepted || bio.resultado() < 1)
        return false;
    login = bio.usuarioVerificado();
    verifId = bio.resultado();
    return true;
}

void TFPedP::btDocClick()
{
    dbase::Table &pedp = m_dm.pedp;
    grabarSiEdita();
    TimerEnPausa timer(m_dm.Timer);
    const int n = ++contadorVisor;
    BorrarArchivos({archivos::docuTif, QStringLiteral("out.tif")});
    TFImgDig &documentos = *formularioDocumentos();
    const QString copia = archivoVisor(n);
    documentos.archivoDocumento = copia;
    QFile::remove(copia);
    const QString documento = archivoDelPedido("dp", pedp);
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

void TFPedP::mostrarImagen(const QString &archivo)
{
    const int n = ++contadorVisor;
    TFVerImg &visor = *visorImagenes();
    visor.archivo = archivoVisor(n);
    copyKeepingTime(ProgramFolder::resolve(archivo), visor.archivo);
    mostrarModal(visor);
    // the file shown stays until the next showing
    QFile::remove(archivoVisor(n - 1));
}

void TFPedP::btContesClick()
{
    dbase::Table &pedp = m_dm.pedp;
    const QString estado = pedp.value(QStringLiteral("C_EST")).toString().trimmed();
    const QString respuesta = archivoDelPedido("cp", pedp);
    if (estado == QLatin1String("R")) {
        ConsultaMotivoRechazo consulta;
        if (m_servicio)
            consulta = [servicio = m_servicio](int cPed, int cReg, QString &motivo, QString &error) {
                return servicio->ObtenerMotivoRechazoPrivado(cPed, cReg, motivo, error);
            };
        MostrarMotivoRechazo(pedp, consulta);
        if (ExisteArchivo(respuesta))
            mostrarImagen(respuesta);
        return;
    }
    // Reception pauses while the answer is looked at and then is as the operator had it.
    TimerEnPausa timer(m_dm.Timer);
    if (estado != QLatin1String("C")) {
        Dialogs::error(QStringLiteral("El pedido no ha sido contestado o rechazado"), QStringLiteral("Error"));
        return;
    }
    const QString resultado = pedp.value(QStringLiteral("C_RES")).toString().trimmed();
    if (resultado.isEmpty() || resultado == QLatin1String("N")) {
        Dialogs::information(QStringLiteral("Verifique si el certificado está disponible en la web"));
        return;
    }
    if (ExisteArchivo(respuesta)) {
        mostrarImagen(respuesta);
        return;
    }
    const QString certificada = pedp.value(QStringLiteral("N_CERT")).toString().trimmed();
    if (pedp.isNull(QStringLiteral("N_CERT")) || certificada.isEmpty()) {
        Dialogs::information(QStringLiteral("No existe el archivo con la imagen de la contestación\r"
                                            "ni tampoco el número de carta certificada"));
        return;
    }
    Dialogs::information(QStringLiteral("Pedido contestado por correo postal, certificada número: ") + certificada);
}

} // namespace qal

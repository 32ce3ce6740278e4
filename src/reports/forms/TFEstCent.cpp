#include "TFEstCent.h"

#include "data/Tdm.h"

#include "core/Cp1252.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStatusBar>
#include <QVBoxLayout>

namespace qal {
namespace {

struct Hourglass
{
    Hourglass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { QApplication::restoreOverrideCursor(); }
};

// Mail reception waits while the web pages are read; the flag comes back however it ends.
struct RecepcionRetenida
{
    explicit RecepcionRetenida(Tdm &dm) : m_dm(dm) { m_dm.RecepcionLibre = false; }
    ~RecepcionRetenida() { m_dm.RecepcionLibre = true; }
    Tdm &m_dm;
};

// An office code of the settings; 0 when it is not a number.
qlonglong codigo(Tdm &dm, const char *key)
{
    return dm.LeerParametro(QLatin1String(key)).trimmed().toLongLong();
}

const QRegularExpression &saltos()
{
    static const QRegularExpression re(QStringLiteral("\r\n|\r|\n"));
    return re;
}

} // namespace

TFEstCent::TFEstCent(Tdm &dm, QWidget *parent)
    : QDialog(parent), m_dm(dm), m_web(dm), m_memEst(new QPlainTextEdit(this)), m_estado(new QLabel(this)),
      m_btEstWeb(new QPushButton(QStringLiteral("Estado vía &Web"), this)),
      m_btCertWeb(new QPushButton(QStringLiteral("C&ertificados vía Web"), this)),
      m_btEstMail(new QPushButton(QStringLiteral("Estado vía &Mail"), this)),
      m_btSalir(new QPushButton(QStringLiteral("&Salir"), this)), m_archivo(*m_memEst, archivo())
{
    setObjectName(QStringLiteral("TFEstCent"));
    setWindowTitle(QStringLiteral("Estado de los pedidos en QAL Central"));
    m_memEst->setObjectName(QStringLiteral("memEst"));
    m_memEst->setReadOnly(true);
    m_memEst->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memEst->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // the lists are tables of fixed-width columns
    m_memEst->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_btEstWeb->setObjectName(QStringLiteral("btEstWeb"));
    m_btCertWeb->setObjectName(QStringLiteral("btCertWeb"));
    m_btEstMail->setObjectName(QStringLiteral("btEstMail"));
    m_btSalir->setObjectName(QStringLiteral("btSalir"));
    for (QPushButton *b : {m_btEstWeb, m_btCertWeb, m_btEstMail})
        b->setAutoDefault(false);
    m_estado->setObjectName(QStringLiteral("StatusBar1"));
    auto *status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    status->addWidget(m_estado, 1);
    setEstado(QStringLiteral("Listo"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_btEstWeb);
    buttons->addWidget(m_btCertWeb);
    buttons->addWidget(m_btEstMail);
    buttons->addStretch();
    buttons->addWidget(m_btSalir);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_memEst, 1);
    layout->addWidget(status);
    layout->setContentsMargins(6, 6, 6, 0);
    resize(720, 460);

    connect(m_btEstWeb, &QPushButton::clicked, this, &TFEstCent::btEstWebClick);
    connect(m_btCertWeb, &QPushButton::clicked, this, &TFEstCent::btCertWebClick);
    connect(m_btEstMail, &QPushButton::clicked, this, &TFEstCent::btEstMailClick);
    connect(m_btSalir, &QPushButton::clicked, this, &QDialog::accept);
    m_archivo.cargar();
    m_web.RecargarProxy();
}

TFEstCent::~TFEstCent()
{
    Guardar();
}

void TFEstCent::setEstado(const QString &texto)
{
    m_estado->setText(texto);
    m_estado->repaint();
}

QString TFEstCent::estado() const
{
    return m_estado->text();
}

void TFEstCent::LimpiarMemo()
{
    m_memEst->clear();
}

void TFEstCent::AgregarLineas(const QStringList &lineas)
{
    for (const QString &line : lineas)
        for (const QString &piece : line.split(saltos()))
            m_memEst->appendPlainText(piece);
    Guardar();
}

QStringList TFEstCent::lineas() const
{
    return m_archivo.lineas();
}

bool TFEstCent::Guardar()
{
    return m_archivo.guardar();
}

void TFEstCent::done(int result)
{
    Guardar();
    QDialog::done(result);
}

void TFEstCent::closeEvent(QCloseEvent *event)
{
    Guardar();
    QDialog::closeEvent(event);
}

void TFEstCent::AplicarLista(ListaEstados tipo, const QString &texto)
{
    AgregarLineas(AplicarListaEstados(m_dm, tipo, texto));
}

bool TFEstCent::consultarPagina(const QString &pagina, ListaEstados tipo, const QString &obteniendo,
                                const QString &fallo, const QString &falloMemo)
{
    setEstado(obteniendo);
    const central::ConsultaWeb::Resultado r = m_web.Obtener(pagina);
    if (r.ok) {
        AplicarLista(tipo, fromCp1252(r.contenido));
        return true;
    }
    setEstado(fallo);
    AgregarLineas({falloMemo, QStringLiteral("Mensaje: ") + r.error});
    return false;
}

void TFEstCent::btEstWebClick()
{
    if (!m_dm.RecepcionLibre) {
        Dialogs::information(QStringLiteral("Advertencia: Se están recibiendo mensajes. \r"
                                            "Vuelva a intentar en unos instantes."));
        return;
    }
    RecepcionRetenida retenida(m_dm);
    Hourglass hourglass;
    LimpiarMemo();
    Guardar();
    bool ultimaOk = false;
    const qlonglong reg = codigo(m_dm, "c_reg");
    if (reg != 0)
        ultimaOk = consultarPagina(QStringLiteral("GetEstReg.asp?reg=%1").arg(reg), ListaEstados::Oficiales,
                                   QStringLiteral("Obteniendo el estado de los pedidos oficiales vía Web, por favor espere..."),
                                   QStringLiteral("Error al obtener el estado de los pedidos oficiales vía Web..."),
                                   QStringLiteral("Error al obtener el estado de los pedidos oficiales vía Web: "));
    const qlonglong regp = codigo(m_dm, "c_regp");
    if (regp != 0)
        ultimaOk = consultarPagina(QStringLiteral("GetEstRegp.asp?reg=%1").arg(regp), ListaEstados::Personales,
                                   QStringLiteral("Obteniendo el estado de los pedidos personales vía Web, por favor espere..."),
                                   QStringLiteral("Error al obtener el estado de los pedidos personales vía Web..."),
                                   QStringLiteral("Error al obtener el estado de los pedidos personales vía Web: "));
    if (ultimaOk)
        setEstado(QStringLiteral("Listo"));
}

void TFEstCent::btCertWebClick()
{
    Hourglass hourglass;
    LimpiarMemo();
    Guardar();
    const qlonglong regp = codigo(m_dm, "c_regp");
    if (regp == 0)
        return;
    if (consultarPagina(QStringLiteral("GetEstResP.asp?reg=%1").arg(regp), ListaEstados::Resultados,
                        QStringLiteral("Obteniendo el resultado de los pedidos personales vía Web, por favor espere..."),
                        QStringLiteral("Error al obtener el resultado de los pedidos personales vía Web..."),
                        QStringLiteral("Error al obtener el resultado de los pedidos personales vía Web:")))
        setEstado(QStringLiteral("Listo"));
}

void TFEstCent::btEstMailClick()
{
    const qlonglong reg = codigo(m_dm, "c_reg");
    const qlonglong regp = codigo(m_dm, "c_regp");
    const QString name = QStringLiteral("GetEstado.DAT");
    const QString path = ProgramFolder::resolve(name);
    QFile::remove(path);
    {
        QSaveFile file(path);
        const QByteArray bytes = toCp1252(QStringLiteral("[DATA]\r\nc_reg=%1\r\nc_regp=%2\r\n").arg(reg).arg(regp));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
            Dialogs::error(QStringLiteral("No se pudo escribir el archivo ") + name);
            return;
        }
    }
    const bool ok = m_dm.EnviarMensaje(m_dm.LeerParametro(QStringLiteral("x_toreg")), QStringLiteral("GETESTADO"), 0,
                                       static_cast<int>(regp != 0 ? regp : reg), {name}, QString());
    QFile::remove(path);
    if (ok)
        Dialogs::information(QStringLiteral("Se ha efectuado la petición de estado exitosamente"));
}

void TFEstCent::EstadoExpediente(QChar letra, qlonglong expediente, qlonglong pedido, qlonglong region)
{
    if (region == 0 || expediente <= 0)
        return;
    Hourglass hourglass;
    const central::ConsultaWeb::Resultado r =
        m_web.Obtener(QStringLiteral("EstadoVelcor.asp?tram=%1%2&pedqal=%3&regqal=%4")
                          .arg(letra)
                          .arg(expediente)
                          .arg(pedido)
                          .arg(region));
    if (!r.ok) {
        // an empty page says nothing: nothing is shown
        if (!r.vacia)
            Dialogs::information(QStringLiteral("Error en la comunicación con Qal Central.\rMensaje: ") + r.error);
        return;
    }
    const QString text = fromCp1252(r.contenido);
    if (text.trimmed().isEmpty())
        return;
    QString estado, oficina;
    bool hayEstado = false, hayOficina = false;
    for (const QString &line : text.split(saltos(), Qt::SkipEmptyParts)) {
        const QString name = line.section(u'=', 0, 0).trimmed();
        if (!hayEstado && name == QLatin1String("ESTADO")) {
            estado = line;
            hayEstado = true;
        } else if (!hayOficina && name == QLatin1String("OFICINA")) {
            oficina = line;
            hayOficina = true;
        }
    }
    if (hayEstado && hayOficina)
        Dialogs::information(estado + QStringLiteral("\r") + oficina, QStringLiteral("Estado en Gestión de Trámites"));
    else
        Dialogs::information(QStringLiteral("Error: Qal Central no ha informado el estado en Velcor"));
}

} // namespace qal

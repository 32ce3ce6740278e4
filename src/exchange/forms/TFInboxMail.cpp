#include "TFInboxMail.h"

#include "ui_TFInboxMail.h"

#include "exchange/AttachmentName.h"
#include "exchange/TSMimeReg.h"
#include "exchange/TdmMail.h"
#include "exchange/forms/TFConfigMail.h"
#include "exchange/forms/TFMailCheck.h"
#include "exchange/forms/TFNewMail.h"
#include "exchange/forms/TFVerTexto.h"
#include "imaging/forms/TFVerImg.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QShowEvent>
#include <QTextDocument>

namespace qal::exchange {

namespace {

// What the viewers accept: Notepad's limit for the text files, a generous one for images.
constexpr qint64 kMaxTexto = 46080;
constexpr qint64 kMaxImagen = 10485760;

QTableWidgetItem *celda(const QVariant &value)
{
    auto *item = new QTableWidgetItem;
    item->setData(Qt::DisplayRole, value);
    return item;
}

// A date shown in the office's format and sorted as a date.
class CeldaFecha : public QTableWidgetItem
{
public:
    explicit CeldaFecha(const QDateTime &date)
        : QTableWidgetItem(date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")) : QString())
    {
        setData(Qt::UserRole, date);
    }
    bool operator<(const QTableWidgetItem &other) const override
    {
        return data(Qt::UserRole).toDateTime() < other.data(Qt::UserRole).toDateTime();
    }
};

// A file of the program folder no other file is named like, for one viewing of an attachment.
QString copiaTemporal(const QString &nombre)
{
    const QString seguro = nombreAdjuntoSeguro(nombre);
    for (int n = 1;; ++n) {
        const QString path = QDir(ProgramFolder::path()).filePath(QStringLiteral("adj%1_%2").arg(n).arg(seguro));
        if (!QFileInfo::exists(path))
            return path;
    }
}

} // namespace

TFInboxMail::TFInboxMail(TSMimeReg &smime, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFInboxMail>()), m_smime(smime)
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    m_ui->grdMensajes->setColumnCount(ContentType + 1);
    m_ui->grdMensajes->setHorizontalHeaderLabels(
        {QStringLiteral("Nro"), QStringLiteral("Asunto"), QStringLiteral("De"), QStringLiteral("Prioridad"),
         QStringLiteral("Fecha"), QStringLiteral("Bytes"), QStringLiteral("UIDL"), QStringLiteral("Recipients"),
         QStringLiteral("CC"), QStringLiteral("Receipt"), QStringLiteral("Organization"), QStringLiteral("MsgId"),
         QStringLiteral("ContentType")});
    m_ui->grdMensajes->verticalHeader()->hide();
    m_ui->HTMLViewer->setOpenExternalLinks(false);
    m_ui->pnlAdjuntos->hide();

    connect(m_ui->tbChequear, &QToolButton::clicked, this, &TFInboxMail::ChequearClick);
    connect(m_ui->tbObtener, &QToolButton::clicked, this, &TFInboxMail::ObtenerClick);
    connect(m_ui->grdMensajes, &QTableWidget::cellDoubleClicked, this, &TFInboxMail::ObtenerClick);
    connect(m_ui->tbProcesar, &QToolButton::clicked, this, &TFInboxMail::ProcesarClick);
    connect(m_ui->tbReenviar, &QToolButton::clicked, this, &TFInboxMail::ReenviarClick);
    connect(m_ui->tbBorrar, &QToolButton::clicked, this, &TFInboxMail::BorrarClick);
    connect(m_ui->tbDesconectar, &QToolButton::clicked, this, &TFInboxMail::DesconectarClick);
    connect(m_ui->tbCrear, &QToolButton::clicked, this, &TFInboxMail::CrearClick);
    connect(m_ui->tbConfiguracion, &QToolButton::clicked, this, &TFInboxMail::ConfiguracionClick);
    connect(m_ui->tbProbar, &QToolButton::clicked, this, &TFInboxMail::ProbarClick);
    connect(m_ui->tbSalir, &QToolButton::clicked, this, &QDialog::accept);
    connect(m_ui->btGuardarAdjunto, &QPushButton::clicked, this, &TFInboxMail::GuardarAdjuntoClick);
    connect(m_ui->btAbrirAdjunto, &QPushButton::clicked, this, &TFInboxMail::AbrirAdjuntoClick);
    connect(m_ui->lvAdjuntos, &QListWidget::itemDoubleClicked, this, &TFInboxMail::AbrirAdjuntoClick);

    verTexto = [this](const QString &file, const QString &nombre) {
        TFVerTexto viewer(this);
        if (!viewer.mostrarArchivo(file, nombre))
            return false;
        viewer.exec();
        return true;
    };
    verImagen = [this](const QString &file, const QString &nombre) {
        TFVerImg viewer(this);
        if (!viewer.mostrarArchivo(file))
            return false;
        viewer.archivo = file;
        viewer.setWindowTitle(viewer.windowTitle() + QStringLiteral(" - ") + nombre);
        viewer.exec();
        return true;
    };
}

TFInboxMail::~TFInboxMail() = default;

TdmMail &TFInboxMail::mail()
{
    return m_smime.dmMail();
}

void TFInboxMail::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        cerrarLista();
        limpiarDetalle();
        setEstado(QString());
    }
    QDialog::showEvent(event);
}

QString TFInboxMail::estado() const
{
    return m_ui->StatusBar1->currentMessage();
}

void TFInboxMail::setEstado(const QString &text)
{
    m_ui->StatusBar1->showMessage(text);
}

void TFInboxMail::cerrarLista()
{
    m_ui->grdMensajes->setRowCount(0);
    m_filas.clear();
    mail().Disconnect();
}

void TFInboxMail::limpiarDetalle()
{
    for (QLineEdit *e : {m_ui->edDe, m_ui->edPara, m_ui->edCc, m_ui->edAsunto, m_ui->edFecha, m_ui->edPrioridad})
        e->clear();
    m_ui->HTMLViewer->clear();
    m_ui->lvAdjuntos->clear();
    m_ui->pnlAdjuntos->hide();
    m_indiceLeido = 0;
}

int TFInboxMail::indiceSeleccionado() const
{
    const int row = m_ui->grdMensajes->currentRow();
    const QTableWidgetItem *item = row >= 0 ? m_ui->grdMensajes->item(row, Nro) : nullptr;
    return item ? item->data(Qt::DisplayRole).toInt() : 0;
}

void TFInboxMail::seleccionarIndice(int index)
{
    for (int row = 0; row < m_ui->grdMensajes->rowCount(); ++row) {
        if (m_ui->grdMensajes->item(row, Nro)->data(Qt::DisplayRole).toInt() == index) {
            m_ui->grdMensajes->setCurrentCell(row, Nro);
            return;
        }
    }
}

const InboxHeaderRow *TFInboxMail::filaSeleccionada() const
{
    const int index = indiceSeleccionado();
    for (const InboxHeaderRow &row : m_filas) {
        if (row.Index == index)
            return &row;
    }
    return nullptr;
}

void TFInboxMail::ChequearClick()
{
    setEstado(QStringLiteral("Consultando bandeja de entrada de correo..."));
    cerrarLista();
    limpiarDetalle();
    QString error;
    QList<InboxHeaderRow> rows;
    const bool ok = mail().GetInboxHeaders(&error, &rows);
    m_filas = rows;
    QTableWidget *grid = m_ui->grdMensajes;
    grid->setSortingEnabled(false);
    grid->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const InboxHeaderRow &h = rows[r];
        grid->setItem(r, Nro, celda(h.Index));
        grid->setItem(r, Asunto, celda(h.Subject));
        grid->setItem(r, De, celda(h.From));
        grid->setItem(r, Prioridad, celda(h.Priority));
        grid->setItem(r, Fecha, new CeldaFecha(h.Date));
        grid->setItem(r, Bytes, celda(h.Bytes));
        grid->setItem(r, UIDL, celda(h.UIDL));
        grid->setItem(r, Recipients, celda(h.Recipients));
        grid->setItem(r, CC, celda(h.Cc));
        grid->setItem(r, Receipt, celda(h.Receipt));
        grid->setItem(r, Organization, celda(h.Organization));
        grid->setItem(r, MsgId, celda(h.MsgId));
        grid->setItem(r, ContentType, celda(h.ContentType));
    }
    grid->setSortingEnabled(true);
    grid->resizeColumnsToContents();
    if (ok)
        setEstado(QStringLiteral("Total de mensajes en el servidor: ") + QString::number(rows.size()));
    else
        setEstado(QStringLiteral("ERROR:") + error);
}

void TFInboxMail::leerDeNuevo(int previo)
{
    ChequearClick();
    if (m_filas.isEmpty())
        return;
    seleccionarIndice(std::clamp(previo, 1, static_cast<int>(m_filas.size())));
}

// The list is a picture of the mailbox at the time it was read; another session (a second
// program, the reception after the window closed) may have deleted messages since, and then
// an index names another message. Nothing is processed, forwarded or deleted unless the
// index still holds the message the operator selected.
bool TFInboxMail::sigueEnElServidor(const InboxHeaderRow &row)
{
    THeaderMsg header;
    QString error;
    const bool leido = mail().GetHeadMail(row.Index, &header, &error);
    const bool ilegible = row.Subject == QLatin1String("ERROR") && row.MsgId.isEmpty() && row.From.isEmpty();
    if (leido ? (header.MsgId == row.MsgId && header.Subject == row.Subject && header.From == row.From) : ilegible)
        return true;
    Dialogs::warning(QStringLiteral("El mensaje seleccionado ya no está en esa posición del servidor. \r"
                                    "Consultar nuevamente la bandeja de entrada"));
    ChequearClick();
    return false;
}

void TFInboxMail::ObtenerClick()
{
    const InboxHeaderRow *row = filaSeleccionada();
    if (!row)
        return;
    const InboxHeaderRow h = *row;
    limpiarDetalle();
    m_ui->edDe->setText(h.From);
    m_ui->edPara->setText(h.Recipients);
    m_ui->edCc->setText(h.Cc);
    m_ui->edAsunto->setText(h.Subject);
    m_ui->edFecha->setText(h.Date.isValid() ? QLocale().toString(h.Date, QStringLiteral("dd MMM yyyy HH:mm:ss")) : QString());
    m_ui->edPrioridad->setText(QString::number(h.Priority));

    const auto perdida = [this] {
        Dialogs::warning(QStringLiteral("Se perdió la conexión con el servidor. \r"
                                        "Consultar nuevamente la bandeja de entrada"));
        cerrarLista();
    };
    // Without the session that read the list, its indices may name other messages.
    if (!mail().conectado()) {
        perdida();
        return;
    }
    QStringList body;
    QList<AttachmentRow> attachments;
    QString error;
    if (!mail().GetMail(h.Index, &body, &attachments, &error)) {
        if (!mail().conectado())
            perdida();
        else
            setEstado(QStringLiteral("Error al obtener el mail"));
        return;
    }
    m_indiceLeido = h.Index;
    QFile cuerpo(ProgramFolder::resolve(QStringLiteral("cuerpo.html")));
    if (cuerpo.open(QIODevice::WriteOnly | QIODevice::Truncate))
        cuerpo.write(body.join(QStringLiteral("\r\n")).toUtf8());
    const QString text = body.join(QLatin1Char('\n'));
    if (Qt::mightBeRichText(text))
        m_ui->HTMLViewer->setHtml(text);
    else
        m_ui->HTMLViewer->setPlainText(text);
    for (const AttachmentRow &a : attachments) {
        auto *item = new QListWidgetItem(a.filename, m_ui->lvAdjuntos);
        item->setData(Qt::UserRole, a.index);
        item->setToolTip(a.ContentType);
    }
    if (!attachments.isEmpty()) {
        m_ui->lvAdjuntos->setCurrentRow(0);
        m_ui->pnlAdjuntos->show();
    }
}

void TFInboxMail::ProcesarClick()
{
    const InboxHeaderRow *row = filaSeleccionada();
    if (!row || !sigueEnElServidor(*row))
        return;
    const int index = row->Index;
    QString error;
    const int result = m_smime.RecibirMsgIndyToQal(index, &error);
    if (result < 0) {
        setEstado(QStringLiteral("Error al procesar: ") + error);
        return;
    }
    Dialogs::information(result == 0 ? QStringLiteral("Mensaje reenviado exitosamente")
                                     : QStringLiteral("Mensaje procesado exitosamente"));
    leerDeNuevo(index - 1);
}

void TFInboxMail::ReenviarClick()
{
    const InboxHeaderRow *row = filaSeleccionada();
    if (!row)
        return;
    const int index = row->Index;
    const std::optional<QString> address = Dialogs::instance().input(
        {QStringLiteral("Reenvío de mensaje"), QStringLiteral("Ingrese email del destinatario:"), mail().EmailFwd});
    if (!address)
        return;
    row = filaSeleccionada();
    if (!row || !sigueEnElServidor(*row))
        return;
    QString error;
    if (mail().ForwardMail(index, address->trimmed(), &error))
        setEstado(QStringLiteral("Mensaje re-enviado"));
    else
        setEstado(QStringLiteral("Error al reenviar: ") + error);
}

void TFInboxMail::BorrarClick()
{
    const InboxHeaderRow *row = filaSeleccionada();
    if (!row || !Dialogs::confirm(QStringLiteral("¿Está seguro que desea eliminar este mensaje?")))
        return;
    if (!sigueEnElServidor(*row))
        return;
    const int index = row->Index;
    QString uidl, error;
    // The deletion names the message by its server id too, and counts only once committed.
    if (mail().GetUIDL(index, &uidl, &error) && mail().DeleteMail(index, uidl, &error)) {
        Dialogs::information(QStringLiteral("Mensaje eliminado"));
        leerDeNuevo(index - 1);
    } else {
        setEstado(QStringLiteral("Error al eliminar el mensaje:") + error);
    }
}

void TFInboxMail::DesconectarClick()
{
    cerrarLista();
    limpiarDetalle();
}

void TFInboxMail::CrearClick()
{
    TFNewMail window(mail(), this);
    window.exec();
}

void TFInboxMail::ConfiguracionClick()
{
    TFConfigMail window(m_smime, this);
    window.exec();
}

void TFInboxMail::ProbarClick()
{
    TFMailCheck window(mail(), this);
    window.Chequear();
    window.exec();
}

void TFInboxMail::GuardarAdjuntoClick()
{
    const QListWidgetItem *item = m_ui->lvAdjuntos->currentItem();
    if (!item || m_indiceLeido <= 0)
        return;
    const QString proposed = QDir(ProgramFolder::path()).filePath(nombreAdjuntoSeguro(item->text()));
    const QString path = Dialogs::instance().saveFileName({QStringLiteral("Guardar Adjunto"), proposed, QStringLiteral("*.* (*)")});
    if (path.isEmpty())
        return;
    QString error;
    if (mail().SaveAttachToFile(m_indiceLeido, item->data(Qt::UserRole).toInt(), path, &error)) {
        Dialogs::information(QStringLiteral("Adjunto guardados en ") + path);
    } else {
        setEstado(error);
        Dialogs::error(QStringLiteral("Error al guardar adjunto"));
    }
}

void TFInboxMail::AbrirAdjuntoClick()
{
    const QListWidgetItem *item = m_ui->lvAdjuntos->currentItem();
    if (!item || m_indiceLeido <= 0)
        return;
    const QString name = item->text();
    const QString lower = name.toLower();
    if (!lower.contains(QLatin1String(".dat")) && !lower.contains(QLatin1String(".txt"))
        && !lower.contains(QLatin1String(".tif"))) {
        Dialogs::information(QStringLiteral("Desde esta aplicación, solo se pueden visualizar \r"
                                            "adjuntos de tipo .dat .txt .tif"));
        return;
    }
    // A numbered copy, never the attachment's own name: "edit.tif" or "ped.dat" would
    // replace the working file of the request being edited or sent.
    const QString copy = copiaTemporal(name);
    QString error;
    if (!mail().SaveAttachToFile(m_indiceLeido, item->data(Qt::UserRole).toInt(), copy, &error)) {
        QFile::remove(copy);
        setEstado(error);
        Dialogs::error(QStringLiteral("Error al recuperar y guardar el adjunto"));
        return;
    }
    const QString ext = QFileInfo(lower).suffix();
    const qint64 size = QFileInfo(copy).size();
    bool started = true;
    if (ext == QLatin1String("dat") || ext == QLatin1String("txt")) {
        if (size < kMaxTexto)
            started = verTexto(copy, name);
        else
            Dialogs::information(QStringLiteral("El adjunto es demasiado grande para el Bloc de notas"));
    } else if (ext == QLatin1String("tif")) {
        if (size < kMaxImagen)
            started = verImagen(copy, name);
        else
            Dialogs::information(QStringLiteral("La imagen tiene un tamaño demasiado grande"));
    } else {
        Dialogs::information(QStringLiteral("Desde esta aplicación, solo se pueden visualizar \r"
                                            "adjuntos con extensión .dat .txt .tif"));
    }
    QFile::remove(copy);
    if (!started)
        Dialogs::error(QStringLiteral("Error al ejecutar el Block de Notas"));
}

} // namespace qal::exchange

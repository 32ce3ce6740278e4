#include "TFreporte.h"

#include "core/Cp1252.h"
#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

namespace qal {
namespace {

TFreporte *g_instance = nullptr;

} // namespace

TFreporte *TFreporte::instance()
{
    return g_instance;
}

TFreporte::TFreporte(QWidget *parent)
    : QDialog(parent), m_mrep(new QPlainTextEdit(this)), m_limpiar(new QPushButton(QStringLiteral("Limpiar"), this)),
      m_cerrar(new QPushButton(QStringLiteral("&Cerrar"), this))
{
    setObjectName(QStringLiteral("TFreporte"));
    setWindowTitle(QStringLiteral("Reporte de Actividad "));
    m_mrep->setObjectName(QStringLiteral("mrep"));
    m_mrep->setReadOnly(true);
    m_mrep->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_mrep->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_mrep->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_limpiar->setObjectName(QStringLiteral("btLimpiar"));
    m_cerrar->setObjectName(QStringLiteral("btCerrar"));
    m_limpiar->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_limpiar);
    buttons->addWidget(m_cerrar);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_mrep);
    layout->addLayout(buttons);
    resize(640, 360);

    connect(m_limpiar, &QPushButton::clicked, this, &TFreporte::LimpiarClick);
    connect(m_cerrar, &QPushButton::clicked, this, &QDialog::accept);
    // the lines of a run survive its end even when the window was never closed
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &TFreporte::Guardar);
    cargar();
    g_instance = this;
}

TFreporte::~TFreporte()
{
    if (g_instance == this)
        g_instance = nullptr;
    Guardar();
}

void TFreporte::cargar()
{
    QFile file(ProgramFolder::resolve(archivo()));
    if (!file.open(QIODevice::ReadOnly))
        return;
    QString text = fromCp1252(file.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    m_mrep->setPlainText(text);
    m_guardado = lineas();
}

void TFreporte::AgregarLinea(const QString &line)
{
    m_mrep->appendPlainText(line);
}

QStringList TFreporte::lineas() const
{
    const QString text = m_mrep->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

bool TFreporte::Guardar()
{
    // nothing new: the file already holds these lines (and a run that saw none makes no file)
    if (lineas() == m_guardado)
        return true;
    QSaveFile file(ProgramFolder::resolve(archivo()));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (const QString &line : lineas())
        bytes += toCp1252(line) + "\r\n";
    if (file.write(bytes) != bytes.size() || !file.commit())
        return false;
    m_guardado = lineas();
    return true;
}

void TFreporte::LimpiarClick()
{
    if (Dialogs::instance().ask({DialogIcon::Warning, QStringLiteral("Advertencia"),
                                 QStringLiteral("Todos los Datos serán Borrados. Desea Continuar?"),
                                 {DialogButton::Yes, DialogButton::No}, DialogButton::No})
        == DialogButton::Yes)
        m_mrep->clear();
}

void TFreporte::done(int result)
{
    Guardar();
    QDialog::done(result);
}

void TFreporte::closeEvent(QCloseEvent *event)
{
    Guardar();
    QDialog::closeEvent(event);
}

} // namespace qal

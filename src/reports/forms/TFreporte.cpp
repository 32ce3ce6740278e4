#include "TFreporte.h"

#include "core/Dialogs.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
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
      m_cerrar(new QPushButton(QStringLiteral("&Cerrar"), this)), m_archivo(*m_mrep, archivo())
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
    m_archivo.cargar();
    g_instance = this;
}

TFreporte::~TFreporte()
{
    if (g_instance == this)
        g_instance = nullptr;
    Guardar();
}

void TFreporte::AgregarLinea(const QString &line)
{
    m_mrep->appendPlainText(line);
}

QStringList TFreporte::lineas() const
{
    return m_archivo.lineas();
}

bool TFreporte::Guardar()
{
    return m_archivo.guardar();
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

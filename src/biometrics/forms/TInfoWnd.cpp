#include "biometrics/forms/TInfoWnd.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QVBoxLayout>

namespace qal {

TInfoWnd::TInfoWnd(QWidget *parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("TInfoWnd"));
    auto *layout = new QVBoxLayout(this);
    m_titulo = new QLabel(this);
    m_titulo->setObjectName(QStringLiteral("lbTitulo"));
    QFont bold = m_titulo->font();
    bold.setBold(true);
    m_titulo->setFont(bold);
    m_pasos = new QPlainTextEdit(this);
    m_pasos->setObjectName(QStringLiteral("mmPasos"));
    m_pasos->setReadOnly(true);
    layout->addWidget(m_titulo);
    layout->addWidget(m_pasos);
    resize(420, 140);
}

void TInfoWnd::mostrar(const QString &titulo)
{
    setWindowTitle(titulo);
    m_titulo->setText(titulo);
    m_pasos->clear();
    show();
}

void TInfoWnd::agregarPaso(const QString &texto)
{
    m_pasos->appendPlainText(QStringLiteral("   ") + texto + QStringLiteral("..."));
    m_pasos->repaint();
}

void TInfoWnd::terminarPaso()
{
    QStringList lines = lineas();
    if (lines.isEmpty())
        return;
    lines.last() += QStringLiteral("Ok.");
    m_pasos->setPlainText(lines.join(QLatin1Char('\n')));
    m_pasos->repaint();
}

QString TInfoWnd::titulo() const
{
    return m_titulo->text();
}

QStringList TInfoWnd::lineas() const
{
    const QString text = m_pasos->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

} // namespace qal

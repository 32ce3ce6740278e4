#include "TFLista.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace qal {

TFLista::TFLista(QWidget *parent)
    : QDialog(parent), m_text(new QPlainTextEdit(this)), m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("TFLista"));
    resize(420, 480);
    m_text->setReadOnly(true);
    m_text->setObjectName(QStringLiteral("Memo1"));
    auto *close = new QPushButton(QStringLiteral("&Cerrar"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_bar);
    layout->addWidget(close, 0, Qt::AlignRight);
}

void TFLista::clear()
{
    m_text->clear();
}

void TFLista::addLine(const QString &line)
{
    m_text->appendPlainText(line);
}

QStringList TFLista::lines() const
{
    return m_text->toPlainText().split(QLatin1Char('\n'));
}

void TFLista::setRange(int minimum, int maximum)
{
    m_bar->setRange(minimum, maximum);
}

void TFLista::setPosition(int value)
{
    m_bar->setValue(value);
}

} // namespace qal

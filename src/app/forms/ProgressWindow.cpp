#include "ProgressWindow.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace qal {

ProgressWindow::ProgressWindow(const QString &title, const QString &label, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_bar(new QProgressBar(this))
{
    setObjectName(QStringLiteral("ProgressWindow"));
    setWindowTitle(title);
    auto *layout = new QVBoxLayout(this);
    if (!label.isEmpty())
        layout->addWidget(new QLabel(label, this));
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    m_bar->setMinimumWidth(360);
    layout->addWidget(m_bar);
}

void ProgressWindow::setProgress(int percent)
{
    m_bar->setValue(percent);
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace qal

#include "ProgressWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

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

void ProgressWindow::showAtOnce()
{
    show();
    raise();
    constexpr int kMostMilliseconds = 1000; // a window system that never maps it is not waited for
    QElapsedTimer waited;
    waited.start();
    while (!(windowHandle() && windowHandle()->isExposed()) && waited.elapsed() < kMostMilliseconds) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(5);
    }
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::setProgress(int percent)
{
    m_bar->setValue(percent);
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace qal

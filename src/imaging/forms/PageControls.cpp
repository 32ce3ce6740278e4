#include "imaging/forms/PageControls.h"

#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

namespace qal {

using Mode = ImageView::ZoomMode;

PageControls::PageControls(const Widgets &widgets, QObject *parent)
    : QObject(parent), m_w(widgets)
{
    m_w.zoom->setRange(ImageView::kMinZoom, ImageView::kMaxZoom);
    m_w.zoom->setSingleStep(5);
    connect(m_w.view, &ImageView::pageChanged, this, &PageControls::refresh);
    connect(m_w.page, &QLineEdit::returnPressed, this, &PageControls::pageTyped);
    connect(m_w.page, &QLineEdit::editingFinished, this, &PageControls::pageTyped);
    connect(m_w.previous, &QAbstractButton::clicked, this, [this] { showPage(m_w.view->currentPage() - 1); });
    connect(m_w.next, &QAbstractButton::clicked, this, [this] { showPage(m_w.view->currentPage() + 1); });
    const QList<QPair<QAbstractButton *, Mode>> modes {
        {m_w.fitWindow, Mode::FitWindow}, {m_w.fitWidth, Mode::FitWidth},
        {m_w.fitHeight, Mode::FitHeight}, {m_w.freeSize, Mode::Free}};
    for (const auto &[button, mode] : modes)
        connect(button, &QAbstractButton::clicked, this, [this, mode] { setZoomMode(mode); });
    connect(m_w.zoom, &QSpinBox::valueChanged, this, [this](int value) {
        if (m_w.view->zoomMode() == Mode::Free)
            m_w.view->setZoom(value);
    });
    connect(m_w.view, &ImageView::scaleChanged, this, [this](double percent) {
        // in the fitting modes the box shows the scale reached
        if (m_w.view->zoomMode() != Mode::Free) {
            QSignalBlocker block(m_w.zoom);
            m_w.zoom->setValue(int(std::lround(percent)));
        }
    });
    refresh(0, 0);
}

void PageControls::addZoomActions(QAction *fitWindow, QAction *fitWidth, QAction *fitHeight, QAction *freeSize)
{
    m_actions = {{fitWindow, Mode::FitWindow}, {fitWidth, Mode::FitWidth}, {fitHeight, Mode::FitHeight}, {freeSize, Mode::Free}};
    for (const auto &[action, mode] : m_actions) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, mode] { setZoomMode(mode); });
    }
    setZoomMode(m_w.view->zoomMode());
}

QAbstractButton *PageControls::buttonOf(Mode mode) const
{
    switch (mode) {
    case Mode::FitWindow: return m_w.fitWindow;
    case Mode::FitWidth: return m_w.fitWidth;
    case Mode::FitHeight: return m_w.fitHeight;
    default: return m_w.freeSize;
    }
}

void PageControls::setZoomMode(Mode mode)
{
    if (mode == Mode::Free)
        m_w.view->setZoom(m_w.zoom->value());
    else
        m_w.view->setZoomMode(mode);
    m_w.zoom->setEnabled(mode == Mode::Free);
    buttonOf(mode)->setChecked(true);
    for (const auto &[action, m] : m_actions)
        action->setChecked(m == mode);
}

void PageControls::pageTyped()
{
    if (m_w.view->isEmpty())
        return;
    bool number = false;
    const int typed = m_w.page->text().trimmed().toInt(&number);
    showPage(number ? typed : 1);
}

void PageControls::showPage(int page)
{
    if (m_w.view->isEmpty())
        return;
    page = std::clamp(page, 1, m_w.view->pageCount());
    if (page != m_w.view->currentPage()) // each page shown is decoded once
        m_w.view->setPage(page);
    m_w.page->setText(QString::number(m_w.view->currentPage()));
}

void PageControls::refresh(int page, int count)
{
    m_w.page->setText(QString::number(page));
    m_w.pageCount->setText(QStringLiteral("de %1").arg(count));
    m_w.previous->setEnabled(page > 1);
    m_w.next->setEnabled(page < count);
}

} // namespace qal

#pragma once

#include "imaging/forms/ImageView.h"

#include <QObject>

class QAbstractButton;
class QAction;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace qal {

// The page box, the page buttons and the four zoom modes shared by the document windows,
// tied to their image view. The page box takes a number: text that is not one shows page
// 1, numbers below 1 page 1, numbers past the end the last page.
class PageControls : public QObject
{
    Q_OBJECT

public:
    struct Widgets
    {
        ImageView *view;
        QLineEdit *page;
        QLabel *pageCount;
        QAbstractButton *previous;
        QAbstractButton *next;
        QAbstractButton *fitWindow;
        QAbstractButton *fitWidth;
        QAbstractButton *fitHeight;
        QAbstractButton *freeSize;
        QSpinBox *zoom;
    };

    PageControls(const Widgets &widgets, QObject *parent);

    // Menu entries for the zoom modes, kept in step with the buttons.
    void addZoomActions(QAction *fitWindow, QAction *fitWidth, QAction *fitHeight, QAction *freeSize);

    void setZoomMode(ImageView::ZoomMode mode);
    // What the operator typed into the page box, applied.
    void pageTyped();
    void showPage(int page);

private:
    void refresh(int page, int count);
    QAbstractButton *buttonOf(ImageView::ZoomMode mode) const;

    Widgets m_w;
    QList<QPair<QAction *, ImageView::ZoomMode>> m_actions;
};

} // namespace qal

#pragma once

#include <QPointer>
#include <QWidget>

#include <array>

class QAbstractItemView;
class QToolButton;

namespace qal::ui {

// First, prior, next, last and refresh over the rows of a read-only grid, looking like the
// table navigator. Refresh only asks: the grid's owner reads its rows again.
class GridNavigator : public QWidget
{
    Q_OBJECT

public:
    enum class Button { First, Prior, Next, Last, Refresh };
    static constexpr int kButtons = 5;

    explicit GridNavigator(QWidget *parent = nullptr);

    void bind(QAbstractItemView *view);
    QToolButton *button(Button b) const { return m_buttons[size_t(b)]; }
    // The hints in button order ("Primer registro", ...).
    void setHints(const QStringList &hints);
    void click(Button b);

signals:
    void refreshRequested();

private:
    void updateButtons();

    QPointer<QAbstractItemView> m_view;
    std::array<QToolButton *, kButtons> m_buttons {};
};

} // namespace qal::ui

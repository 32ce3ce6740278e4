#pragma once

#include <QPointer>
#include <QWidget>

#include <array>
#include <functional>

class QToolButton;

namespace qal::ui {

class DataSource;

// The ten buttons that move through and edit a data source's table. Each button is enabled
// only when its action makes sense in the table's state. beforeAction runs first; returning
// false abandons the action. Table errors are shown and leave the table as it was.
class DbNavigator : public QWidget
{
    Q_OBJECT

public:
    // In the order they stand on screen.
    enum class Button { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };
    static constexpr int kButtons = 10;

    explicit DbNavigator(QWidget *parent = nullptr);

    void bind(DataSource *source);
    QToolButton *button(Button b) const { return m_buttons[size_t(b)]; }
    // Runs an action as its button does (beforeAction included).
    void click(Button b);

    std::function<bool(Button)> beforeAction;
    // Asks "¿Eliminar el registro?" before a delete.
    bool confirmDelete = true;

signals:
    void actionDone(qal::ui::DbNavigator::Button b);

private:
    void updateButtons();
    void run(Button b);

    QPointer<DataSource> m_source;
    std::array<QToolButton *, kButtons> m_buttons {};
};

} // namespace qal::ui

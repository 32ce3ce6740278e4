#include "GridNavigator.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QToolButton>

namespace qal::ui {
namespace {

struct ButtonDef
{
    const char *name;
    const char *hint;
    const char *glyph;
};

constexpr ButtonDef kDefs[GridNavigator::kButtons] = {
    {"nbFirst", "Primer registro", "|◀"}, {"nbPrior", "Registro anterior", "◀"},
    {"nbNext", "Registro siguiente", "▶"}, {"nbLast", "Último registro", "▶|"},
    {"nbRefresh", "Refrescar", "↻"},
};

} // namespace

GridNavigator::GridNavigator(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(kDefs[i].name));
        b->setToolTip(QString::fromUtf8(kDefs[i].hint));
        b->setAccessibleName(b->toolTip());
        b->setText(QString::fromUtf8(kDefs[i].glyph));
        b->setMinimumWidth(22);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        m_buttons[size_t(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { click(Button(i)); });
    }
    layout->addStretch();
    updateButtons();
}

void GridNavigator::setHints(const QStringList &hints)
{
    for (int i = 0; i < kButtons && i < hints.size(); ++i) {
        m_buttons[size_t(i)]->setToolTip(hints[i]);
        m_buttons[size_t(i)]->setAccessibleName(hints[i]);
    }
}

void GridNavigator::bind(QAbstractItemView *view)
{
    if (m_view)
        disconnect(m_view, nullptr, this, nullptr);
    m_view = view;
    if (view && view->model()) {
        QAbstractItemModel *model = view->model();
        connect(model, &QAbstractItemModel::modelReset, this, &GridNavigator::updateButtons);
        connect(model, &QAbstractItemModel::layoutChanged, this, &GridNavigator::updateButtons);
        connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this, &GridNavigator::updateButtons);
    }
    updateButtons();
}

void GridNavigator::click(Button b)
{
    if (b == Button::Refresh) {
        emit refreshRequested();
        return;
    }
    if (!m_view || !m_view->model())
        return;
    const int rows = m_view->model()->rowCount();
    if (rows == 0)
        return;
    const int current = std::max(0, m_view->currentIndex().row());
    int row = 0;
    switch (b) {
    case Button::First:
        row = 0;
        break;
    case Button::Prior:
        row = std::max(0, current - 1);
        break;
    case Button::Next:
        row = std::min(rows - 1, current + 1);
        break;
    case Button::Last:
        row = rows - 1;
        break;
    case Button::Refresh:
        break;
    }
    const int column = std::max(0, m_view->currentIndex().column());
    m_view->setCurrentIndex(m_view->model()->index(row, column));
    updateButtons();
}

void GridNavigator::updateButtons()
{
    const int rows = m_view && m_view->model() ? m_view->model()->rowCount() : 0;
    const int current = m_view ? m_view->currentIndex().row() : -1;
    const bool atStart = rows == 0 || current <= 0;
    const bool atEnd = rows == 0 || current >= rows - 1;
    button(Button::First)->setEnabled(!atStart);
    button(Button::Prior)->setEnabled(!atStart);
    button(Button::Next)->setEnabled(!atEnd);
    button(Button::Last)->setEnabled(!atEnd);
}

} // namespace qal::ui

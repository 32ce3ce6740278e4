#include "DbNavigator.h"

#include "DataSource.h"
#include "Logging.h"

#include "dbase/DatabaseError.h"

#include "core/Dialogs.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace qal::ui {
namespace {

struct ButtonDef
{
    const char *name;
    const char *hint;
    const char *glyph;
};

// Object names as the component kit names them; hints as the operators know them.
constexpr ButtonDef kDefs[DbNavigator::kButtons] = {
    {"nbFirst", "Primer registro", "|◀"},     {"nbPrior", "Registro anterior", "◀"},
    {"nbNext", "Registro siguiente", "▶"},    {"nbLast", "Último registro", "▶|"},
    {"nbInsert", "Agregar un registro", "+"}, {"nbDelete", "Eliminar el registro", "−"},
    {"nbEdit", "Modificar el registro", "▲"}, {"nbPost", "Aceptar", "✔"},
    {"nbCancel", "Cancelar", "✘"},            {"nbRefresh", "Refrescar", "↻"},
};

} // namespace

DbNavigator::DbNavigator(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtons; ++i) {
        auto *b = new QToolButton(this);
        b->setObjectName(QLatin1String(kDefs[i].name));
        b->setToolTip(QString::fromUtf8(kDefs[i].hint));
        b->setText(QString::fromUtf8(kDefs[i].glyph));
        b->setAccessibleName(b->toolTip());
        b->setMinimumWidth(22);
        b->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(b);
        m_buttons[size_t(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] { click(Button(i)); });
    }
    layout->addStretch();
    updateButtons();
}

void DbNavigator::bind(DataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    m_source = source;
    if (m_source) {
        connect(m_source, &DataSource::stateChanged, this, &DbNavigator::updateButtons);
        connect(m_source, &DataSource::recordChanged, this, &DbNavigator::updateButtons);
        connect(m_source, &DataSource::recordsChanged, this, &DbNavigator::updateButtons);
    }
    updateButtons();
}

void DbNavigator::updateButtons()
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    const bool open = t && t->isOpen();
    const bool editing = open && m_source->editing();
    const bool browse = open && !editing;
    bool empty = true, bof = true, eof = true;
    if (open) {
        try {
            empty = t->isEmpty();
            bof = t->bof();
            eof = t->eof();
        } catch (const std::exception &e) {
            // the moves stay off; the next action shows the table's error
            qCWarning(lcUi) << "reading the position in" << t->fileName() << "failed:" << e.what();
        }
    }
    // bof/eof only say the cursor tried to pass an end: on the first record after a seek they
    // are false, so a move there is merely a move that does nothing.
    const auto set = [this](Button b, bool on) { button(b)->setEnabled(on); };
    set(Button::First, browse && !empty && !bof);
    set(Button::Prior, browse && !empty && !bof);
    set(Button::Next, browse && !empty && !eof);
    set(Button::Last, browse && !empty && !eof);
    set(Button::Refresh, browse);
    set(Button::Insert, browse);
    set(Button::Delete, browse && !empty);
    set(Button::Edit, browse && !empty);
    set(Button::Post, editing);
    set(Button::Cancel, editing);
}

void DbNavigator::click(Button b)
{
    if (!button(b)->isEnabled())
        return;
    // a value still held by a control (a cell being edited, a date half typed) goes in first
    if (b == Button::Post && m_source && !m_source->writePending())
        return;
    if (beforeAction && !beforeAction(b))
        return;
    try {
        run(b);
    } catch (const dbase::Abort &) {
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    updateButtons();
    emit actionDone(b);
}

void DbNavigator::run(Button b)
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    if (!t)
        return;
    switch (b) {
    case Button::First: t->first(); break;
    case Button::Prior: t->prior(); break;
    case Button::Next: t->next(); break;
    case Button::Last: t->last(); break;
    case Button::Refresh:
        t->refresh();
        m_source->refresh();
        break;
    case Button::Insert: t->insert(); break;
    case Button::Delete:
        if (!confirmDelete || Dialogs::confirm(QStringLiteral("¿Eliminar el registro?")))
            t->deleteRecord();
        m_source->refresh();
        break;
    case Button::Edit: t->edit(); break;
    case Button::Post: t->post(); break;
    case Button::Cancel: t->cancel(); break;
    }
}

} // namespace qal::ui

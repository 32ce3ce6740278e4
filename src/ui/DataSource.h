#pragma once

#include "dbase/Table.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <vector>

namespace qal::ui {

// Binds data-aware controls to one table: relays the table's notifications as signals and
// starts an edit when an operator changes a control. Controls never write into a record
// while they are being loaded from it, so loading never counts as an operator's edit.
class DataSource : public QObject
{
    Q_OBJECT

public:
    explicit DataSource(QObject *parent = nullptr);
    explicit DataSource(dbase::Table *table, QObject *parent = nullptr);
    ~DataSource() override;

    void setTable(dbase::Table *table);
    dbase::Table *table() const { return m_table; }
    bool active() const { return m_table && m_table->isOpen(); }
    dbase::Table::State state() const { return m_table ? m_table->state() : dbase::Table::State::Inactive; }
    bool editing() const;
    // The field of the current record; null when the table is closed, has no such field or
    // no record (outside an insert), or the value cannot be read.
    QVariant currentValue(const QString &field) const;

    // An operator's change is allowed to put the table in Edit by itself (default true).
    bool autoEdit = true;
    // Asked before an operator's change starts an edit: a form's guard on editing holds for
    // typing as for its navigator. False leaves the record as it is.
    std::function<bool()> beforeAutoEdit;

    // Ready to take an operator's value: already editing, or autoEdit and the edit started.
    // An error of the table is shown; false then.
    bool beginOperatorEdit();
    // Sets a field from an operator's control; false (error shown) when refused.
    bool setOperatorValue(const QString &field, const QVariant &value);

    // Tells the controls that the set of records changed (a refresh, a new order).
    void refresh();

    // A control that holds an operator's value it has not written into the record yet (a date
    // half typed, a grid cell being edited) gives a writer, which writes the value or says why
    // it cannot and returns false. One writer a control; an empty one, or the control's end,
    // removes it.
    using PendingWriter = std::function<bool()>;
    void setPendingWriter(QObject *control, PendingWriter writer);
    // Has every control write what it holds; false when one could not (it said why). Whoever
    // posts the record or leaves it for an operator (the navigator, a grid, a form's own
    // buttons) calls this first, and gives up the post or the move on false.
    bool writePending();

    // While a walker holds this, the table's moves are not relayed: a grid reading every
    // record does not make the other controls follow it.
    class Walk
    {
    public:
        explicit Walk(DataSource &ds);
        ~Walk();
        Walk(const Walk &) = delete;
        Walk &operator=(const Walk &) = delete;

    private:
        DataSource &m_ds;
        dbase::Table::Bookmark m_mark;
        dbase::Table::Event m_afterScroll;
    };

    // Whether setting the field changed can alter what a control bound to field shows: its
    // own field, or any field for a calculated or look-up one (computed from the others).
    bool changeConcerns(const QString &changed, const QString &field) const;

    // Moves a control bound to field from the source it was bound to (current) to next, and
    // has it re-read its value (load) whenever next's state or record changes, or a value
    // that concerns its field is set.
    template <typename Control>
    static void attach(QPointer<DataSource> &current, DataSource *next, Control *control, const QString &field,
                       void (Control::*load)())
    {
        if (current)
            disconnect(current, nullptr, control, nullptr);
        current = next;
        if (!current)
            return;
        connect(current, &DataSource::recordChanged, control, load);
        connect(current, &DataSource::stateChanged, control, load);
        connect(current, &DataSource::fieldChanged, control, [next, control, field, load](const QString &changed) {
            if (next->changeConcerns(changed, field))
                (control->*load)();
        });
    }

signals:
    void stateChanged();                     // browse / edit / insert / closed
    void recordChanged();                    // moved to another record, or the record was re-read
    void fieldChanged(const QString &field); // a value of the current record was set
    void recordsChanged();                   // opened, closed or refreshed: the whole set may differ

private:
    void notified(dbase::Table::Notification n, const QString &field);
    void detach();

    struct Writer
    {
        QPointer<QObject> control;
        PendingWriter write;
    };

    dbase::Table *m_table = nullptr;
    std::vector<Writer> m_writers;
    int m_listener = 0;
    int m_walking = 0;
};

} // namespace qal::ui

#include "DbEdit.h"

#include "DataSource.h"
#include "DbText.h"
#include "FieldTextFilter.h"
#include "TypedValue.h"

#include "core/Dialogs.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QScopeGuard>
#include <QTimer>

#include <algorithm>

namespace qal::ui {

DbEdit::DbEdit(QWidget *parent)
    : QLineEdit(parent)
    , m_filter(new FieldTextFilter(this))
{
    connect(this, &QLineEdit::textEdited, this, &DbEdit::operatorEdited);
}

DbEdit::~DbEdit()
{
    if (m_source)
        m_source->setPendingWriter(this, {});
}

void DbEdit::bind(DataSource *source, const QString &field)
{
    if (m_source)
        m_source->setPendingWriter(this, {});
    DataSource::attach(m_source, source, this, field, &DbEdit::load);
    m_field = field;
    m_holding = false;
    if (m_source)
        m_source->setPendingWriter(this, [this] { return writeHeldText(); });
    load();
}

char DbEdit::fieldType() const
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    return t && t->fieldIndex(m_field) >= 0 ? t->field(m_field).type : 'C';
}

void DbEdit::keepFilter()
{
    QValidator *current = const_cast<QValidator *>(validator());
    if (current == m_filter)
        return;
    m_filter->setRule(current);
    setValidator(m_filter);
}

void DbEdit::load()
{
    if (m_writing)
        return;
    keepFilter();
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    m_filter->setProgramText(true);
    const auto typingAgain = qScopeGuard([this] { m_filter->setProgramText(false); });
    if (!t || !t->isOpen() || !t->hasField(m_field)) {
        m_holding = false;
        setText(QString());
        setEnabled(false);
        return;
    }
    setEnabled(true);
    const QVariant value = m_source->currentValue(m_field);
    // another field of the record changed: the operator's text stays until it is written
    if (m_holding && m_source->editing() && value == m_heldOver)
        return;
    m_holding = false;
    const int fieldNo = t->fieldIndex(m_field);
    if (fieldNo >= 0) {
        const dbase::FieldDescriptor &fd = t->field(m_field);
        const int limit = maxChars > 0 ? std::min(maxChars, int(fd.length)) : fd.length;
        m_filter->setWidth(fd.type == 'C' || fd.type == 'N' || fd.type == 'F' ? limit : 0);
    }
    const QString text = textOfValue(value);
    if (text != this->text()) {
        setText(text); // setText never emits textEdited
        if (!hasFocus())
            setCursorPosition(0); // a long value shows its beginning
    }
}

int DbEdit::fieldWidth() const
{
    return m_filter->width();
}

bool DbEdit::write(const QVariant &value)
{
    m_writing = true;
    const bool ok = m_source->setOperatorValue(m_field, value);
    m_writing = false;
    return ok;
}

void DbEdit::operatorEdited(const QString &typed)
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    if (!t)
        return;
    QString text = typed;
    if (upperCase && text != upperCaseFieldText(text)) {
        text = upperCaseFieldText(text);
        const int cursor = cursorPosition();
        setText(text); // never emits textEdited
        setCursorPosition(cursor);
    }
    const TypedValue typedValue = valueOfTypedText(fieldType(), text);
    if (!typedValue.ok()) {
        // not a value yet: held, with the record in edit so that leaving it asks for the text
        if (!m_holding) {
            if (!m_source->beginOperatorEdit()) {
                load();
                return;
            }
            m_heldOver = m_source->currentValue(m_field);
            m_holding = true;
        }
        return;
    }
    m_holding = false;
    if (write(typedValue.value))
        emit edited();
    else
        load();
}

bool DbEdit::writeHeldText()
{
    if (!m_holding || !m_source)
        return true;
    const TypedValue typedValue = valueOfTypedText(fieldType(), text());
    if (!typedValue.ok()) {
        Dialogs::error(typedValue.error);
        setFocus(Qt::OtherFocusReason);
        selectAll();
        return false;
    }
    m_holding = false;
    if (!write(typedValue.value)) {
        load();
        return false;
    }
    emit edited();
    return true;
}

void DbEdit::focusInEvent(QFocusEvent *event)
{
    keepFilter();
    QLineEdit::focusInEvent(event);
}

void DbEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // leaving the field for another control of the window: the text is checked once the focus
    // has moved (a message box in the middle of the move would move it again)
    if (m_holding && event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        QTimer::singleShot(0, this, [this] { writeHeldText(); });
}

void DbEdit::keyPressEvent(QKeyEvent *event)
{
    keepFilter();
    // Enter writes the text first; text that is no value keeps the operator in the field
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && m_holding && !writeHeldText()) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace qal::ui

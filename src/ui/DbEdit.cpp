#include "DbEdit.h"

#include "DataSource.h"
#include "DbText.h"

#include <QDate>

#include <algorithm>

namespace qal::ui {

DbEdit::DbEdit(QWidget *parent)
    : QLineEdit(parent)
{
    connect(this, &QLineEdit::textEdited, this, &DbEdit::operatorEdited);
}

void DbEdit::bind(DataSource *source, const QString &field)
{
    DataSource::attach(m_source, source, this, &DbEdit::load);
    m_field = field;
    load();
}

void DbEdit::load()
{
    if (m_writing)
        return;
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    if (!t || !t->isOpen() || !t->hasField(m_field)) {
        setText(QString());
        setEnabled(false);
        return;
    }
    setEnabled(true);
    const int fieldNo = t->fieldIndex(m_field);
    if (fieldNo >= 0) {
        const dbase::FieldDescriptor &fd = t->field(m_field);
        const int limit = maxChars > 0 ? std::min(maxChars, int(fd.length)) : fd.length;
        // setting the limit re-sets the text and moves the cursor: only when it changes
        if ((fd.type == 'C' || fd.type == 'N' || fd.type == 'F') && maxLength() != limit)
            setMaxLength(limit);
    }
    const QString text = textOfValue(m_source->currentValue(m_field));
    if (text != this->text()) {
        setText(text); // setText never emits textEdited
        if (!hasFocus())
            setCursorPosition(0); // a long value shows its beginning
    }
}

void DbEdit::operatorEdited(const QString &typed)
{
    dbase::Table *t = m_source ? m_source->table() : nullptr;
    if (!t)
        return;
    QString text = typed;
    if (upperCase && text != text.toUpper()) {
        text = text.toUpper();
        const int cursor = cursorPosition();
        setText(text); // never emits textEdited
        setCursorPosition(cursor);
    }
    QVariant v;
    if (!text.isEmpty()) {
        const char type = t->fieldIndex(m_field) >= 0 ? t->field(m_field).type : 'C';
        if (type == 'N' || type == 'F') {
            bool ok = false;
            const qlonglong whole = text.toLongLong(&ok);
            v = ok ? QVariant(whole) : QVariant(text.toDouble());
        } else if (type == 'D') {
            v = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
        } else {
            v = text;
        }
    }
    m_writing = true;
    const bool ok = m_source->setOperatorValue(m_field, v);
    m_writing = false;
    if (ok)
        emit edited();
    else
        load();
}

} // namespace qal::ui

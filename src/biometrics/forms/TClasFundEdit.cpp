#include "biometrics/forms/TClasFundEdit.h"

#include "biometrics/Classification.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

namespace qal {

TClasFundEdit::TClasFundEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setMaxLength(classification::kLength);
    setFixedWidth(45);
    QFont font(QStringLiteral("Courier New"), 10);
    font.setBold(true);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    setAcceptDrops(false);
    setText(classification::kEmpty);
    m_clasificacion = classification::kEmpty;
}

void TClasFundEdit::SetClasificacion(const QString &value)
{
    m_clasificacion = classification::normalized(value);
}

void TClasFundEdit::typeCharacter(QChar c)
{
    const QChar symbol = classification::typed(c);
    const int caret = cursorPosition();
    if (!classification::allowedAt(symbol, caret + 1))
        return;
    QString current = text();
    if (caret < current.size())
        current[caret] = symbol.toUpper();
    else if (current.size() < classification::kLength)
        current.append(symbol.toUpper());
    else
        return;
    setText(current);
    setCursorPosition(caret + 1);
}

void TClasFundEdit::keyPressEvent(QKeyEvent *event)
{
    // characters are never removed or pasted in: only overwriting and caret movement
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete
        || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)
        || event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)
        || event->matches(QKeySequence::DeleteEndOfWord) || event->matches(QKeySequence::DeleteStartOfWord)
        || event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine)) {
        event->accept();
    } else if (!event->text().isEmpty() && event->text().at(0).isPrint()
               && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
        for (QChar c : event->text())
            typeCharacter(c);
        event->accept();
    } else {
        QLineEdit::keyPressEvent(event);
    }
    SetClasificacion(text());
}

void TClasFundEdit::inputMethodEvent(QInputMethodEvent *event)
{
    for (QChar c : event->commitString())
        typeCharacter(c);
    event->accept();
    SetClasificacion(text());
}

void TClasFundEdit::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept(); // no cut, paste or delete from the menu
}

} // namespace qal

#pragma once

#include "FieldDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <memory>

namespace qal::dbase {

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

// A dBASE index key expression, compiled against a table's fields and evaluated on raw
// record bytes (byte 0 the deleted flag, each field at its offset).
//
// What index tags use is understood, names ignoring case:
//   a field name (C, N, F or D; a name longer than ten characters matches the field named
//   by its first ten, as dBASE truncates them), 'text' or "text", whole numbers,
//   UPPER(c), DTOS(d), STR(n[,len[,dec]]), SUBSTR(c,start[,len]), LEFT(c,n), RIGHT(c,n),
//   and '+' (joins texts; adds numbers; adds days to a date).
// The result type gives the key: a text gives a character key of its fixed width (at most
// 100 bytes), a number the 12-byte numeric key, a date the 8-byte date key.
class KeyExpression
{
public:
    // Throws DatabaseError (Spanish, naming the expression) for an unknown function or
    // field, a wrong argument or a key that would be too long.
    static KeyExpression compile(const QString &text, const FieldList &fields);

    KeyExpression();
    ~KeyExpression();
    KeyExpression(KeyExpression &&) noexcept;
    KeyExpression &operator=(KeyExpression &&) noexcept;
    KeyExpression(const KeyExpression &) = delete;
    KeyExpression &operator=(const KeyExpression &) = delete;

    KeyType type() const { return m_type; }
    int length() const { return m_length; }
    // The field the expression is, when it is one bare field name; -1 otherwise.
    int field() const { return m_field; }
    // True when the whole expression is UPPER(...): callers' values are folded the same way.
    bool upperCase() const { return m_upper; }

    // The key of a record, in the index file's form. Bytes missing from a short record read as blanks.
    QByteArray evaluate(QByteArrayView record) const;
    // The same into length() bytes at key (a compiled expression only).
    void evaluateInto(QByteArrayView record, char *key) const;

    struct Node;

private:
    // The field node of a bare field or UPPER(field); null for other expressions.
    const Node *bareField() const;

    std::unique_ptr<Node> m_root;
    KeyType m_type = KeyType::Character;
    int m_length = 0;
    int m_field = -1;
    bool m_upper = false;
};

// Windows-1252 upper case of each byte (a-z, à-þ except ÷, š œ ž ÿ).
QByteArray upperCp1252(QByteArrayView text);
void upperCp1252InPlace(char *text, qsizetype n);

} // namespace qal::dbase

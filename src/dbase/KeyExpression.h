#pragma once

#include "DatabaseError.h"
#include "FieldDescriptor.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <memory>

namespace qal::dbase {

namespace expr {
struct Node;
}

enum class KeyType : char { Character = 'C', Numeric = 'N', Date = 'D' };

// A valid dBASE expression that this engine cannot compute (a function it does not know, a
// field of another table, a macro). An index tag with one is left alone: readable, never
// written.
class ExpressionBeyondEngine : public DatabaseError
{
public:
    using DatabaseError::DatabaseError;
};

// A dBASE index key expression, compiled against a table's fields and evaluated on raw
// record bytes (byte 0 the deleted flag, each field at its offset).
//
// The dBASE IV/5 expression language as index keys and FOR conditions use it, names ignoring
// case: fields (C N F D L; a name longer than ten characters is the field named by its first
// ten), 'text' "text" [text], numbers, .T. .F.; TRIM RTRIM LTRIM UPPER LOWER SUBSTR LEFT
// RIGHT STR VAL DTOS DTOC CTOD IIF SPACE REPLICATE RECNO; + (joins texts, adds numbers, adds
// days to a date), - (joins texts moving the left one's trailing blanks to the end,
// subtracts), * / % ^; relations = == <> # != < <= > >= $ and .AND. .OR. .NOT.
// Dates print as dBASE starts: DTOC gives MM/DD/YY, CTOD reads it (two-digit years are 19xx).
//
// The result type gives the key: a text gives a character key of its fixed width (1 to 100
// bytes; a shorter value, TRIM(...), is padded with blanks), a number the 12-byte numeric
// key, a date the 8-byte date key.
class KeyExpression
{
public:
    // Throws DatabaseError (Spanish, naming the expression) for text that is no expression of
    // these fields, a wrong argument or a key that would be too long, and
    // ExpressionBeyondEngine for a valid expression the engine cannot compute.
    static KeyExpression compile(const QString &text, const FieldList &fields);

    KeyExpression();
    ~KeyExpression();
    KeyExpression(KeyExpression &&) noexcept;
    KeyExpression &operator=(KeyExpression &&) noexcept;
    KeyExpression(const KeyExpression &) = delete;
    KeyExpression &operator=(const KeyExpression &) = delete;

    bool isCompiled() const { return m_root != nullptr; }
    KeyType type() const { return m_type; }
    int length() const { return m_length; }
    // The field the expression is, when it is one bare field name; -1 otherwise.
    int field() const { return m_field; }
    // True when the whole expression is UPPER(...): callers' values are folded the same way.
    bool upperCase() const { return m_upper; }

    // The key of a record (recno for RECNO()), in the index file's form. Bytes missing from
    // a short record read as blanks.
    QByteArray evaluate(QByteArrayView record, std::uint32_t recno = 0) const;
    // The same into length() bytes at key (a compiled expression only).
    void evaluateInto(QByteArrayView record, char *key, std::uint32_t recno = 0) const;

private:
    // The field node of a bare field or UPPER(field); null for other expressions.
    const expr::Node *bareField() const;

    std::unique_ptr<expr::Node> m_root;
    KeyType m_type = KeyType::Character;
    int m_length = 0;
    int m_field = -1;
    bool m_upper = false;
};

// The FOR condition of an index tag: only the records it holds for have a key in the tag.
class KeyCondition
{
public:
    // Throws as KeyExpression::compile does; the expression must be logical.
    static KeyCondition compile(const QString &text, const FieldList &fields);

    KeyCondition();
    ~KeyCondition();
    KeyCondition(KeyCondition &&) noexcept;
    KeyCondition &operator=(KeyCondition &&) noexcept;

    // An empty condition (no FOR) holds for every record.
    bool holds(QByteArrayView record, std::uint32_t recno) const;

private:
    std::unique_ptr<expr::Node> m_root;
};

// Windows-1252 upper case of each byte (a-z, à-þ except ÷, š œ ž ÿ).
QByteArray upperCp1252(QByteArrayView text);
void upperCp1252InPlace(char *text, qsizetype n);

} // namespace qal::dbase

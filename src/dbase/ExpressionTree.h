#pragma once

// The tree of a dBASE expression (index keys and FOR conditions), private to the engine:
// the parser (ExpressionParser.cpp) builds it from the text, the binder
// (ExpressionBinder.cpp) resolves fields and functions and gives every node its type and
// width, the evaluator (ExpressionEval.cpp) computes it over a record's bytes.

#include "FieldDescriptor.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

namespace qal::dbase::expr {

enum class Type { Text, Number, Date, Logical };

// A value while an expression is computed. Text is Windows-1252 bytes; a date is its Julian
// day number, 0 when blank.
struct Value
{
    Type type = Type::Text;
    QByteArray text;
    double number = 0;
    bool logical = false;
};

enum class Op {
    Field,      // name: a field of the record
    Literal,    // text, number or logical constant
    Call,       // name(args...): a function
    Negate,     // -a
    Not,        // .NOT. a
    And,        // a .AND. b
    Or,         // a .OR. b
    Add,        // a + b: numbers, text joined, date plus days
    Subtract,   // a - b: numbers, text joined moving a's trailing blanks to the end, dates
    Multiply,
    Divide,
    Modulo,
    Power,
    Compare,    // a <relation> b
    Contains,   // a $ b: a is part of b
};

enum class Relation { Equal, Exact, NotEqual, Less, LessEqual, Greater, GreaterEqual };

enum class Function {
    Unknown, Trim, Ltrim, Upper, Lower, Substr, Left, Right, Str, Val, Dtos, Dtoc, Ctod, Iif,
    Space, Replicate, Recno,
};

struct Node
{
    Op op = Op::Literal;
    int position = 0;       // of the node's first character in the text, 0-based
    QString name;           // a field or function name, upper case
    Relation relation = Relation::Equal;
    Value literal;

    // Filled in by the binder.
    Type type = Type::Text;
    int width = 0;          // the most bytes a text result has
    Function function = Function::Unknown;
    FieldDescriptor field;
    int fieldIndex = -1;
    int a = 0, b = 0;       // constant arguments: SUBSTR start/length, STR length/decimals, counts

    std::vector<std::unique_ptr<Node>> args;
};

} // namespace qal::dbase::expr

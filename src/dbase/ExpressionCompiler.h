#pragma once

// Compiling a dBASE expression: text → tree (ExpressionParser.cpp) → typed tree
// (ExpressionBinder.cpp). Private to the engine; KeyExpression is the public face.

#include "ExpressionTree.h"

namespace qal::dbase::expr {

// Spanish errors naming the expression: invalid() for text that is no expression of this
// table (DatabaseError), beyond() for a valid expression the engine cannot compute
// (ExpressionBeyondEngine).
class ExpressionErrors
{
public:
    ExpressionErrors(const QString &text, bool condition) : m_text(text), m_condition(condition) {}
    [[noreturn]] void invalid(const QString &why) const;
    [[noreturn]] void beyond(const QString &why) const;
    const QString &text() const { return m_text; }

private:
    QString describe(const QString &why, bool beyond) const;

    QString m_text;
    bool m_condition = false;
};

// The untyped tree of the text. Operator precedence, loosest first: .OR.; .AND.; .NOT.;
// relations (= == <> # != < <= > >= $); + -; * / %; ^ **; unary - +.
std::unique_ptr<Node> parse(const ExpressionErrors &errors);

// Resolves names against the table's fields (a name longer than ten characters matches the
// field named by its first ten, as dBASE cuts them) and the functions, checks the types of
// every operand and argument and works out each node's type and text width.
void bind(Node &root, const FieldList &fields, const ExpressionErrors &errors);

} // namespace qal::dbase::expr

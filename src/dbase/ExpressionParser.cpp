// dBASE expression text to tree: a tokenizer and a recursive-descent parser. Names are not
// resolved here (the binder does that), so a misspelt function is told apart from text
// that is no expression at all.
#include "ExpressionCompiler.h"

#include "KeyExpression.h"

#include "core/Cp1252.h"

namespace qal::dbase::expr {

QString ExpressionErrors::describe(const QString &why, bool beyond) const
{
    const QString what = m_condition ? QStringLiteral("La condición FOR «%1»") : QStringLiteral("La expresión de clave «%1»");
    return (what + (beyond ? QStringLiteral(" no se puede calcular: %2.") : QStringLiteral(" no es válida: %2.")))
        .arg(m_text, why);
}

void ExpressionErrors::invalid(const QString &why) const
{
    throw DatabaseError(describe(why, false));
}

void ExpressionErrors::beyond(const QString &why) const
{
    throw ExpressionBeyondEngine(describe(why, true));
}

namespace {

enum class Kind { End, Name, Number, String, Symbol, Word };

struct Token
{
    Kind kind = Kind::End;
    QString text;       // a name or word upper case, a symbol as written, a string's content
    double number = 0;
    int position = 0;
};

class Tokenizer
{
public:
    explicit Tokenizer(const ExpressionErrors &errors) : m_errors(errors), m_text(errors.text()) {}

    std::vector<Token> tokens()
    {
        std::vector<Token> out;
        for (;;) {
            while (m_pos < m_text.size() && m_text[m_pos].isSpace())
                ++m_pos;
            if (m_pos >= m_text.size())
                break;
            out.push_back(next());
        }
        out.push_back(Token{Kind::End, QString(), 0, int(m_text.size())});
        return out;
    }

private:
    bool at(qsizetype i, QChar c) const { return i < m_text.size() && m_text[i] == c; }
    bool isNameChar(qsizetype i) const
    {
        return i < m_text.size() && (m_text[i].isLetterOrNumber() || m_text[i] == u'_');
    }

    Token next()
    {
        const QChar c = m_text[m_pos];
        Token t;
        t.position = int(m_pos);
        if (c.isLetter() || c == u'_') {
            const qsizetype start = m_pos;
            while (isNameChar(m_pos))
                ++m_pos;
            t.kind = Kind::Name;
            t.text = m_text.mid(start, m_pos - start).toUpper();
            return t;
        }
        if (c.isDigit() || (c == u'.' && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit()))
            return number(t);
        if (c == u'.')
            return word(t);
        if (c == u'\'' || c == u'"' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            const qsizetype end = m_text.indexOf(close, m_pos + 1);
            if (end < 0)
                m_errors.invalid(QStringLiteral("falta cerrar el texto que empieza en la posición %1").arg(m_pos + 1));
            t.kind = Kind::String;
            t.text = m_text.mid(m_pos + 1, end - m_pos - 1);
            m_pos = end + 1;
            return t;
        }
        static const char *const twoChar[] = {"==", "<>", "!=", "<=", ">=", "**", "->"};
        for (const char *s : twoChar) {
            if (at(m_pos, QLatin1Char(s[0])) && at(m_pos + 1, QLatin1Char(s[1]))) {
                t.kind = Kind::Symbol;
                t.text = QString::fromLatin1(s);
                m_pos += 2;
                return t;
            }
        }
        if (QStringLiteral("+-*/%^()=<>#$!,&").contains(c)) {
            t.kind = Kind::Symbol;
            t.text = c;
            ++m_pos;
            return t;
        }
        m_errors.invalid(QStringLiteral("carácter inesperado «%1» en la posición %2").arg(c).arg(m_pos + 1));
    }

    Token number(Token &t)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos].isDigit())
            ++m_pos;
        if (at(m_pos, u'.') && m_pos + 1 < m_text.size() && m_text[m_pos + 1].isDigit()) {
            ++m_pos;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit())
                ++m_pos;
        }
        t.kind = Kind::Number;
        t.number = m_text.mid(start, m_pos - start).toDouble();
        return t;
    }

    // .AND. .OR. .NOT. .T. .F. .Y. .N.
    Token word(Token &t)
    {
        const qsizetype end = m_text.indexOf(u'.', m_pos + 1);
        const QString inner = end < 0 ? QString() : m_text.mid(m_pos + 1, end - m_pos - 1).toUpper();
        static const QStringList words = {QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT"),
                                          QStringLiteral("T"), QStringLiteral("F"), QStringLiteral("Y"), QStringLiteral("N")};
        if (!words.contains(inner))
            m_errors.invalid(QStringLiteral("punto inesperado en la posición %1").arg(m_pos + 1));
        t.kind = Kind::Word;
        t.text = inner;
        m_pos = end + 1;
        return t;
    }

    const ExpressionErrors &m_errors;
    QString m_text;
    qsizetype m_pos = 0;
};

class Parser
{
public:
    Parser(std::vector<Token> tokens, const ExpressionErrors &errors) : m_tokens(std::move(tokens)), m_errors(errors) {}

    std::unique_ptr<Node> parseAll()
    {
        auto root = orExpression();
        if (peek().kind != Kind::End)
            m_errors.invalid(QStringLiteral("sobra texto en la posición %1").arg(peek().position + 1));
        return root;
    }

private:
    const Token &peek() const { return m_tokens[m_next]; }
    bool isSymbol(const char *s) const { return peek().kind == Kind::Symbol && peek().text == QLatin1String(s); }
    bool isWord(const char *s) const { return peek().kind == Kind::Word && peek().text == QLatin1String(s); }
    const Token &take() { return m_tokens[m_next < m_tokens.size() - 1 ? m_next++ : m_next]; }
    void expect(const char *symbol)
    {
        if (!isSymbol(symbol))
            m_errors.invalid(peek().kind == Kind::End
                                 ? QStringLiteral("falta «%1» al final").arg(QLatin1String(symbol))
                                 : QStringLiteral("se esperaba «%1» en la posición %2").arg(QLatin1String(symbol)).arg(peek().position + 1));
        take();
    }

    static std::unique_ptr<Node> make(Op op, int position, std::unique_ptr<Node> a = {}, std::unique_ptr<Node> b = {})
    {
        auto node = std::make_unique<Node>();
        node->op = op;
        node->position = position;
        if (a)
            node->args.push_back(std::move(a));
        if (b)
            node->args.push_back(std::move(b));
        return node;
    }

    std::unique_ptr<Node> orExpression()
    {
        auto left = andExpression();
        while (isWord("OR")) {
            const int at = take().position;
            left = make(Op::Or, at, std::move(left), andExpression());
        }
        return left;
    }

    std::unique_ptr<Node> andExpression()
    {
        auto left = notExpression();
        while (isWord("AND")) {
            const int at = take().position;
            left = make(Op::And, at, std::move(left), notExpression());
        }
        return left;
    }

    std::unique_ptr<Node> notExpression()
    {
        if (isWord("NOT") || isSymbol("!")) {
            const int at = take().position;
            return make(Op::Not, at, notExpression());
        }
        return relation();
    }

    std::unique_ptr<Node> relation()
    {
        auto left = additive();
        struct R { const char *symbol; Relation relation; };
        static const R relations[] = {{"=", Relation::Equal},     {"==", Relation::Exact},        {"<>", Relation::NotEqual},
                                      {"#", Relation::NotEqual},  {"!=", Relation::NotEqual},     {"<", Relation::Less},
                                      {"<=", Relation::LessEqual}, {">", Relation::Greater},      {">=", Relation::GreaterEqual}};
        if (isSymbol("$")) {
            const int at = take().position;
            return make(Op::Contains, at, std::move(left), additive());
        }
        for (const R &r : relations) {
            if (isSymbol(r.symbol)) {
                const int at = take().position;
                auto node = make(Op::Compare, at, std::move(left), additive());
                node->relation = r.relation;
                return node;
            }
        }
        return left;
    }

    std::unique_ptr<Node> additive()
    {
        auto left = multiplicative();
        while (isSymbol("+") || isSymbol("-")) {
            const Token &t = take();
            const Op op = t.text == u"+" ? Op::Add : Op::Subtract;
            left = make(op, t.position, std::move(left), multiplicative());
        }
        return left;
    }

    std::unique_ptr<Node> multiplicative()
    {
        auto left = power();
        while (isSymbol("*") || isSymbol("/") || isSymbol("%")) {
            const Token &t = take();
            const Op op = t.text == u"*" ? Op::Multiply : (t.text == u"/" ? Op::Divide : Op::Modulo);
            left = make(op, t.position, std::move(left), power());
        }
        return left;
    }

    std::unique_ptr<Node> power()
    {
        auto left = unary();
        while (isSymbol("^") || isSymbol("**")) {
            const int at = take().position;
            left = make(Op::Power, at, std::move(left), unary());
        }
        return left;
    }

    std::unique_ptr<Node> unary()
    {
        if (isSymbol("-")) {
            const int at = take().position;
            return make(Op::Negate, at, unary());
        }
        if (isSymbol("+")) {
            take();
            return unary();
        }
        return primary();
    }

    std::unique_ptr<Node> literal(const Token &t)
    {
        auto node = make(Op::Literal, t.position);
        switch (t.kind) {
        case Kind::Number:
            node->literal.type = Type::Number;
            node->literal.number = t.number;
            break;
        case Kind::String:
            node->literal.type = Type::Text;
            node->literal.text = toCp1252(t.text);
            break;
        default: // .T. .F. .Y. .N.
            node->literal.type = Type::Logical;
            node->literal.logical = t.text == u"T" || t.text == u"Y";
            break;
        }
        return node;
    }

    std::unique_ptr<Node> primary()
    {
        const Token &t = take();
        switch (t.kind) {
        case Kind::End:
            m_errors.invalid(QStringLiteral("la expresión termina antes de tiempo"));
        case Kind::Number:
        case Kind::String:
            return literal(t);
        case Kind::Word:
            if (t.text == u"T" || t.text == u"F" || t.text == u"Y" || t.text == u"N")
                return literal(t);
            m_errors.invalid(QStringLiteral("«.%1.» inesperado en la posición %2").arg(t.text).arg(t.position + 1));
        case Kind::Name:
            return name(t);
        case Kind::Symbol:
            break;
        }
        if (t.text == u"(") {
            auto inner = orExpression();
            expect(")");
            return inner;
        }
        if (t.text == u"&")
            m_errors.beyond(QStringLiteral("usa macros (&)"));
        m_errors.invalid(QStringLiteral("«%1» inesperado en la posición %2").arg(t.text).arg(t.position + 1));
    }

    std::unique_ptr<Node> name(const Token &t)
    {
        if (isSymbol("->")) {
            take();
            if (peek().kind != Kind::Name)
                m_errors.invalid(QStringLiteral("falta el campo después de «->» en la posición %1").arg(t.position + 1));
            m_errors.beyond(QStringLiteral("usa el campo %1 de otra tabla (%2)").arg(take().text, t.text));
        }
        if (!isSymbol("(")) {
            auto node = make(Op::Field, t.position);
            node->name = t.text;
            return node;
        }
        take();
        auto node = make(Op::Call, t.position);
        node->name = t.text;
        if (!isSymbol(")")) {
            node->args.push_back(orExpression());
            while (isSymbol(",")) {
                take();
                node->args.push_back(orExpression());
            }
        }
        expect(")");
        return node;
    }

    std::vector<Token> m_tokens;
    std::size_t m_next = 0;
    const ExpressionErrors &m_errors;
};

} // namespace

std::unique_ptr<Node> parse(const ExpressionErrors &errors)
{
    Tokenizer tokenizer(errors);
    Parser parser(tokenizer.tokens(), errors);
    return parser.parseAll();
}

} // namespace qal::dbase::expr

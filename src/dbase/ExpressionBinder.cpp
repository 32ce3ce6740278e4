// Giving a parsed expression its meaning against one table: fields, functions, the type of
// every node and the width of every text, worked out as dBASE works out a key's length
// (a function that can shorten a text, TRIM, keeps the width of its argument; the key is
// padded with blanks to that width).
#include "ExpressionCompiler.h"

#include "ExpressionEval.h"

#include <cmath>

namespace qal::dbase::expr {
namespace {

constexpr int kMaxText = 254;

struct Signature
{
    const char *name;
    Function function;
    int minArgs;
    int maxArgs;
};

constexpr Signature kFunctions[] = {
    {"TRIM", Function::Trim, 1, 1},       {"RTRIM", Function::Trim, 1, 1},     {"LTRIM", Function::Ltrim, 1, 1},
    {"UPPER", Function::Upper, 1, 1},     {"LOWER", Function::Lower, 1, 1},    {"SUBSTR", Function::Substr, 2, 3},
    {"LEFT", Function::Left, 2, 2},       {"RIGHT", Function::Right, 2, 2},    {"STR", Function::Str, 1, 3},
    {"VAL", Function::Val, 1, 1},         {"DTOS", Function::Dtos, 1, 1},      {"DTOC", Function::Dtoc, 1, 1},
    {"CTOD", Function::Ctod, 1, 1},       {"IIF", Function::Iif, 3, 3},        {"SPACE", Function::Space, 1, 1},
    {"REPLICATE", Function::Replicate, 2, 2}, {"RECNO", Function::Recno, 0, 0},
};

QString typeName(Type type)
{
    switch (type) {
    case Type::Text:
        return QStringLiteral("texto");
    case Type::Number:
        return QStringLiteral("número");
    case Type::Date:
        return QStringLiteral("fecha");
    case Type::Logical:
        return QStringLiteral("lógico");
    }
    return {};
}

bool isConstant(const Node &node)
{
    if (node.op == Op::Field || (node.op == Op::Call && node.function == Function::Recno))
        return false;
    return std::all_of(node.args.begin(), node.args.end(), [](const auto &a) { return isConstant(*a); });
}

class Binder
{
public:
    Binder(const FieldList &fields, const ExpressionErrors &errors) : m_fields(fields), m_errors(errors) {}

    void bind(Node &node)
    {
        for (auto &arg : node.args)
            bind(*arg);
        switch (node.op) {
        case Op::Field:
            return field(node);
        case Op::Literal:
            node.type = node.literal.type;
            node.width = int(node.literal.text.size());
            return;
        case Op::Call:
            return call(node);
        case Op::Negate:
            need(node, 0, Type::Number, QStringLiteral("«-»"));
            node.type = Type::Number;
            return;
        case Op::Not:
        case Op::And:
        case Op::Or:
            for (size_t i = 0; i < node.args.size(); ++i)
                need(node, int(i), Type::Logical, QStringLiteral("los operadores lógicos"));
            node.type = Type::Logical;
            return;
        case Op::Contains:
            need(node, 0, Type::Text, QStringLiteral("«$»"));
            need(node, 1, Type::Text, QStringLiteral("«$»"));
            node.type = Type::Logical;
            return;
        case Op::Compare:
            return relation(node);
        case Op::Add:
        case Op::Subtract:
            return addition(node);
        default:
            need(node, 0, Type::Number, QStringLiteral("las operaciones aritméticas"));
            need(node, 1, Type::Number, QStringLiteral("las operaciones aritméticas"));
            node.type = Type::Number;
            return;
        }
    }

private:
    Type typeOf(const Node &node, int arg) const { return node.args[size_t(arg)]->type; }

    void need(const Node &node, int arg, Type type, const QString &where) const
    {
        if (typeOf(node, arg) != type)
            m_errors.invalid(QStringLiteral("%1 lleva %2 y recibe %3 en la posición %4")
                                 .arg(where, typeName(type), typeName(typeOf(node, arg)))
                                 .arg(node.args[size_t(arg)]->position + 1));
    }

    void field(Node &node)
    {
        const int index = fieldIndex(m_fields, node.name);
        if (index < 0)
            m_errors.invalid(QStringLiteral("no existe el campo %1").arg(node.name));
        const FieldDescriptor &f = m_fields[index];
        if (f.length <= 0 || f.offset < 1 || f.length > kMaxText)
            m_errors.invalid(QStringLiteral("el campo %1 no es válido").arg(node.name));
        node.fieldIndex = index;
        node.field = f;
        switch (f.type) {
        case 'C':
            node.type = Type::Text;
            node.width = f.length;
            return;
        case 'N':
        case 'F':
            node.type = Type::Number;
            return;
        case 'D':
            node.type = Type::Date;
            return;
        case 'L':
            node.type = Type::Logical;
            return;
        default:
            m_errors.invalid(QStringLiteral("el campo %1 (tipo %2) no puede formar parte de una expresión")
                                 .arg(node.name, QChar::fromLatin1(f.type)));
        }
    }

    void relation(Node &node)
    {
        const Type a = typeOf(node, 0);
        const Type b = typeOf(node, 1);
        if (a != b)
            m_errors.invalid(QStringLiteral("se compara %1 con %2 en la posición %3").arg(typeName(a), typeName(b)).arg(node.position + 1));
        if (a == Type::Logical && node.relation != Relation::Equal && node.relation != Relation::Exact &&
            node.relation != Relation::NotEqual)
            m_errors.invalid(QStringLiteral("los valores lógicos no se ordenan (posición %1)").arg(node.position + 1));
        node.type = Type::Logical;
    }

    void addition(Node &node)
    {
        const Type a = typeOf(node, 0);
        const Type b = typeOf(node, 1);
        const bool add = node.op == Op::Add;
        if (a == Type::Text && b == Type::Text) {
            node.type = Type::Text;
            node.width = node.args[0]->width + node.args[1]->width;
        } else if (a == Type::Number && b == Type::Number) {
            node.type = Type::Number;
        } else if (a == Type::Date && b == Type::Number) {
            node.type = Type::Date;
        } else if (add && a == Type::Number && b == Type::Date) {
            node.type = Type::Date;
        } else if (!add && a == Type::Date && b == Type::Date) {
            node.type = Type::Number;
        } else {
            m_errors.invalid(QStringLiteral("no se puede %1 %2 y %3 (posición %4)")
                                 .arg(add ? QStringLiteral("sumar") : QStringLiteral("restar"), typeName(a), typeName(b))
                                 .arg(node.position + 1));
        }
        if (node.width > kMaxText)
            m_errors.invalid(QStringLiteral("el texto mide más de %1 caracteres").arg(kMaxText));
    }

    // A whole-number argument that gives a width: it must not depend on the record.
    int constant(const Node &node, int arg, int min, int max) const
    {
        const Node &a = *node.args[size_t(arg)];
        if (a.type != Type::Number)
            m_errors.invalid(QStringLiteral("%1() lleva un número como argumento %2").arg(node.name).arg(arg + 1));
        if (!isConstant(a))
            m_errors.beyond(QStringLiteral("el argumento %1 de %2() depende del registro, y con él el largo de la clave")
                                .arg(arg + 1)
                                .arg(node.name));
        const double v = evaluate(a, {}, 0).number;
        if (v != std::floor(v) || v < min || v > max)
            m_errors.invalid(QStringLiteral("el argumento %1 de %2() debe ser un entero de %3 a %4")
                                 .arg(arg + 1)
                                 .arg(node.name)
                                 .arg(min)
                                 .arg(max));
        return int(v);
    }

    void call(Node &node)
    {
        const Signature *signature = nullptr;
        for (const Signature &s : kFunctions) {
            if (node.name == QLatin1String(s.name))
                signature = &s;
        }
        if (!signature)
            m_errors.beyond(QStringLiteral("la función %1() no está entre las que este programa calcula").arg(node.name));
        const int count = int(node.args.size());
        if (count < signature->minArgs || count > signature->maxArgs)
            m_errors.invalid(signature->minArgs == signature->maxArgs
                                 ? QStringLiteral("%1() lleva %2 argumentos").arg(node.name).arg(signature->minArgs)
                                 : QStringLiteral("%1() lleva de %2 a %3 argumentos")
                                       .arg(node.name)
                                       .arg(signature->minArgs)
                                       .arg(signature->maxArgs));
        node.function = signature->function;
        typeCall(node);
    }

    void typeCall(Node &node)
    {
        const QString where = node.name + QStringLiteral("()");
        const int width = node.args.empty() ? 0 : node.args[0]->width;
        node.type = Type::Text;
        switch (node.function) {
        case Function::Trim:
        case Function::Ltrim:
        case Function::Upper:
        case Function::Lower:
            need(node, 0, Type::Text, where);
            node.width = width;
            return;
        case Function::Substr:
            need(node, 0, Type::Text, where);
            node.a = constant(node, 1, 1, std::max(1, width));
            node.b = node.args.size() > 2 ? constant(node, 2, 0, kMaxText) : width - node.a + 1;
            if (node.a > width)
                m_errors.invalid(QStringLiteral("SUBSTR() empieza en %1, fuera del texto de %2 caracteres").arg(node.a).arg(width));
            node.b = std::min(node.b, width - node.a + 1);
            node.width = node.b;
            return;
        case Function::Left:
        case Function::Right:
            need(node, 0, Type::Text, where);
            node.b = std::min(constant(node, 1, 0, kMaxText), width);
            node.width = node.b;
            return;
        case Function::Str:
            need(node, 0, Type::Number, where);
            node.a = node.args.size() > 1 ? constant(node, 1, 1, kMaxText) : 10;
            node.b = node.args.size() > 2 ? constant(node, 2, 0, 18) : 0;
            node.width = node.a;
            return;
        case Function::Val:
            need(node, 0, Type::Text, where);
            node.type = Type::Number;
            return;
        case Function::Dtos:
        case Function::Dtoc:
            need(node, 0, Type::Date, where);
            node.width = 8;
            return;
        case Function::Ctod:
            need(node, 0, Type::Text, where);
            node.type = Type::Date;
            return;
        case Function::Iif:
            need(node, 0, Type::Logical, where);
            if (typeOf(node, 1) != typeOf(node, 2))
                m_errors.invalid(QStringLiteral("IIF() da %1 o %2: deben ser del mismo tipo")
                                     .arg(typeName(typeOf(node, 1)), typeName(typeOf(node, 2))));
            node.type = typeOf(node, 1);
            node.width = std::max(node.args[1]->width, node.args[2]->width);
            return;
        case Function::Space:
            node.a = constant(node, 0, 0, kMaxText);
            node.width = node.a;
            return;
        case Function::Replicate:
            need(node, 0, Type::Text, where);
            node.a = constant(node, 1, 0, kMaxText);
            node.width = width * node.a;
            if (node.width > kMaxText)
                m_errors.invalid(QStringLiteral("REPLICATE() daría más de %1 caracteres").arg(kMaxText));
            return;
        case Function::Recno:
            node.type = Type::Number;
            return;
        case Function::Unknown:
            break;
        }
    }

    const FieldList &m_fields;
    const ExpressionErrors &m_errors;
};

} // namespace

void bind(Node &root, const FieldList &fields, const ExpressionErrors &errors)
{
    Binder(fields, errors).bind(root);
}

} // namespace qal::dbase::expr

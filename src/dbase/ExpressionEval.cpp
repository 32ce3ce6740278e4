// Computing a bound expression over one record, with dBASE's rules for each function and
// operator (SET EXACT OFF, SET CENTURY OFF, the American date format, as dBASE starts).
#include "ExpressionEval.h"

#include "KeyExpression.h"

#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace qal::dbase::expr {

double julianDayOf(QByteArrayView bytes)
{
    if (bytes.size() != 8)
        return 0;
    int parts[3] = {0, 0, 0};
    const int lengths[3] = {4, 2, 2};
    int pos = 0;
    for (int p = 0; p < 3; ++p) {
        for (int i = 0; i < lengths[p]; ++i, ++pos) {
            const char c = bytes[pos];
            if (c < '0' || c > '9')
                return 0;
            parts[p] = parts[p] * 10 + (c - '0');
        }
    }
    const QDate date(parts[0], parts[1], parts[2]);
    return date.isValid() ? double(date.toJulianDay()) : 0;
}

namespace {

// |value| with decimals places, rounded half away from zero on the fifteen significant
// digits a double holds, so that 1.005 rounds as dBASE's decimal arithmetic rounds it.
QByteArray fixedText(double value, int decimals)
{
    const QByteArray sci = QByteArray::number(std::fabs(value), 'e', 14); // d.dddddddddddddde±XX
    QByteArray digits = sci.left(1) + sci.mid(2, 14);
    int point = sci.mid(sci.indexOf('e') + 1).toInt() + 1; // digits before the decimal point
    const int keep = point + decimals;
    if (keep < 0) {
        digits.clear();
        point = -decimals;
    } else {
        if (digits.size() < keep + 1)
            digits = digits.leftJustified(keep + 1, '0');
        const bool up = digits[keep] >= '5';
        digits.truncate(keep);
        if (up) {
            int i = keep - 1;
            while (i >= 0 && digits[i] == '9')
                digits[i--] = '0';
            if (i < 0) {
                digits.prepend('1');
                ++point;
            } else {
                ++digits[i];
            }
        }
    }
    if (point <= 0) {
        digits.prepend(QByteArray(1 - point, '0'));
        point = 1;
    }
    QByteArray text = digits.left(point);
    if (decimals > 0)
        text += '.' + digits.mid(point, decimals).leftJustified(decimals, '0');
    const bool zero = std::all_of(text.begin(), text.end(), [](char c) { return c == '0' || c == '.'; });
    return value < 0 && !zero ? '-' + text : text;
}

} // namespace

QByteArray strOf(double value, int width, int decimals)
{
    if (!std::isfinite(value))
        return QByteArray(width, '*');
    // Decimals give way before the whole part does.
    for (int d = decimals; d >= 0; --d) {
        const QByteArray text = fixedText(value, d);
        if (text.size() <= width)
            return text.rightJustified(width, ' ');
    }
    return QByteArray(width, '*');
}

double valOf(QByteArrayView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    const qsizetype start = i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9')
            ++i;
    }
    bool ok = false;
    const double v = text.sliced(start, i - start).toByteArray().toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0;
}

QByteArray dtocOf(double julianDay)
{
    if (julianDay <= 0)
        return QByteArray("  /  /  ");
    const QDate d = QDate::fromJulianDay(qint64(julianDay));
    const QByteArray text = d.toString(QStringLiteral("MM/dd/yy")).toLatin1();
    return text.size() == 8 ? text : QByteArray("  /  /  ");
}

double ctodOf(QByteArrayView text)
{
    int parts[3] = {0, 0, 0};
    int digits[3] = {0, 0, 0};
    int part = 0;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            if (part > 2 || ++digits[part] > 4)
                return 0;
            parts[part] = parts[part] * 10 + (c - '0');
        } else if (part < 3 && digits[part] > 0) {
            ++part;
        } else if (c != ' ') {
            return 0;
        }
    }
    if (digits[0] == 0 || digits[1] == 0 || digits[2] == 0)
        return 0;
    const int year = digits[2] <= 2 ? 1900 + parts[2] : parts[2];
    const QDate date(year, parts[0], parts[1]);
    return date.isValid() ? double(date.toJulianDay()) : 0;
}

namespace {

Value textValue(QByteArray text)
{
    Value v;
    v.type = Type::Text;
    v.text = std::move(text);
    return v;
}

Value numberValue(double number, Type type = Type::Number)
{
    Value v;
    v.type = type;
    v.number = std::isfinite(number) ? number : 0;
    return v;
}

Value logicalValue(bool logical)
{
    Value v;
    v.type = Type::Logical;
    v.logical = logical;
    return v;
}

Value fieldValue(const Node &node, QByteArrayView record)
{
    const FieldDescriptor &f = node.field;
    QByteArray raw(f.length, ' ');
    const qsizetype available = std::clamp<qsizetype>(record.size() - f.offset, 0, f.length);
    if (available > 0)
        std::memcpy(raw.data(), record.data() + f.offset, size_t(available));
    switch (node.type) {
    case Type::Text:
        return textValue(std::move(raw));
    case Type::Number:
        return numberValue(valOf(raw.trimmed().replace(',', '.')));
    case Type::Date:
        return numberValue(julianDayOf(raw), Type::Date);
    case Type::Logical:
        return logicalValue(raw[0] == 'T' || raw[0] == 't' || raw[0] == 'Y' || raw[0] == 'y');
    }
    return {};
}

QByteArray rightTrimmed(QByteArray text)
{
    qsizetype n = text.size();
    while (n > 0 && text[n - 1] == ' ')
        --n;
    text.truncate(n);
    return text;
}

QByteArray leftTrimmed(const QByteArray &text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n] == ' ')
        ++n;
    return text.mid(n);
}

QByteArray lowerCp1252(QByteArray text)
{
    for (char &c : text) {
        const uchar u = uchar(c);
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            c = char(u + 0x20);
        else if (u == 0x8A || u == 0x8C || u == 0x8E)
            c = char(u + 0x10);
        else if (u == 0x9F)
            c = char(0xFF);
    }
    return text;
}

Value callFunction(const Node &node, QByteArrayView record, std::uint32_t recno)
{
    auto arg = [&](int i) { return evaluate(*node.args[size_t(i)], record, recno); };
    switch (node.function) {
    case Function::Trim:
        return textValue(rightTrimmed(arg(0).text));
    case Function::Ltrim:
        return textValue(leftTrimmed(arg(0).text));
    case Function::Upper:
        return textValue(upperCp1252(arg(0).text));
    case Function::Lower:
        return textValue(lowerCp1252(arg(0).text));
    case Function::Substr:
    case Function::Left:
    case Function::Right: {
        const QByteArray text = arg(0).text;
        const int start = node.function == Function::Right ? int(text.size()) - node.b : node.a - 1;
        return textValue(start < 0 ? text.left(node.b) : text.mid(start, node.b));
    }
    case Function::Str:
        return textValue(strOf(arg(0).number, node.a, node.b));
    case Function::Val:
        return numberValue(valOf(arg(0).text));
    case Function::Dtos: {
        const double day = arg(0).number;
        const QByteArray text = day > 0 ? QDate::fromJulianDay(qint64(day)).toString(QStringLiteral("yyyyMMdd")).toLatin1()
                                        : QByteArray();
        return textValue(text.size() == 8 ? text : QByteArray(8, ' '));
    }
    case Function::Dtoc:
        return textValue(dtocOf(arg(0).number));
    case Function::Ctod:
        return numberValue(ctodOf(arg(0).text), Type::Date);
    case Function::Iif:
        return arg(0).logical ? arg(1) : arg(2);
    case Function::Space:
        return textValue(QByteArray(node.a, ' '));
    case Function::Replicate:
        return textValue(arg(0).text.repeated(node.a));
    case Function::Recno:
        return numberValue(double(recno));
    case Function::Unknown:
        break;
    }
    return {};
}

// Texts compare as dBASE compares them with SET EXACT OFF: over the length of the right
// one, the left padded with blanks if shorter (so "ABC" = "AB" and anything = ""); "=="
// compares the whole texts without their trailing blanks.
int orderTexts(const QByteArray &a, const QByteArray &b)
{
    for (qsizetype i = 0; i < b.size(); ++i) {
        const uchar x = i < a.size() ? uchar(a[i]) : uchar(' ');
        const uchar y = uchar(b[i]);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

template <typename T>
bool ordered(Relation relation, T a, T b);

bool textRelation(Relation relation, const QByteArray &a, const QByteArray &b)
{
    if (relation == Relation::Exact)
        return rightTrimmed(a) == rightTrimmed(b);
    return ordered(relation, orderTexts(a, b), 0);
}

template <typename T>
bool ordered(Relation relation, T a, T b)
{
    switch (relation) {
    case Relation::Equal:
    case Relation::Exact:
        return a == b;
    case Relation::NotEqual:
        return a != b;
    case Relation::Less:
        return a < b;
    case Relation::LessEqual:
        return a <= b;
    case Relation::Greater:
        return a > b;
    case Relation::GreaterEqual:
        return a >= b;
    }
    return false;
}

Value compare(const Node &node, const Value &a, const Value &b)
{
    switch (a.type) {
    case Type::Text:
        return logicalValue(textRelation(node.relation, a.text, b.text));
    case Type::Logical:
        return logicalValue(ordered(node.relation, a.logical, b.logical));
    case Type::Number:
    case Type::Date:
        break;
    }
    return logicalValue(ordered(node.relation, a.number, b.number));
}

// a - b of texts: a's trailing blanks move to the end of the result.
QByteArray joinMovingBlanks(const QByteArray &a, const QByteArray &b)
{
    const QByteArray trimmed = rightTrimmed(a);
    return trimmed + b + QByteArray(a.size() - trimmed.size(), ' ');
}

Value arithmetic(const Node &node, const Value &a, const Value &b)
{
    const double x = a.number;
    const double y = b.number;
    switch (node.op) {
    case Op::Add:
        if (a.type == Type::Text)
            return textValue(a.text + b.text);
        if (node.type == Type::Date) // a date plus days; a blank date stays blank
            return numberValue((a.type == Type::Date ? x : y) <= 0 ? 0 : x + y, Type::Date);
        return numberValue(x + y);
    case Op::Subtract:
        if (a.type == Type::Text)
            return textValue(joinMovingBlanks(a.text, b.text));
        if (node.type == Type::Date)
            return numberValue(x <= 0 ? 0 : x - y, Type::Date);
        return numberValue(x - y);
    case Op::Multiply:
        return numberValue(x * y);
    case Op::Divide:
        return numberValue(y == 0 ? 0 : x / y);
    case Op::Modulo: {
        if (y == 0)
            return numberValue(0);
        double r = std::fmod(x, y);
        if (r != 0 && (r < 0) != (y < 0)) // dBASE's MOD takes the divisor's sign
            r += y;
        return numberValue(r);
    }
    case Op::Power:
        return numberValue(std::pow(x, y));
    default:
        break;
    }
    return {};
}

} // namespace

Value evaluate(const Node &node, QByteArrayView record, std::uint32_t recno)
{
    switch (node.op) {
    case Op::Field:
        return fieldValue(node, record);
    case Op::Literal:
        return node.literal;
    case Op::Call:
        return callFunction(node, record, recno);
    case Op::Negate:
        return numberValue(-evaluate(*node.args[0], record, recno).number);
    case Op::Not:
        return logicalValue(!evaluate(*node.args[0], record, recno).logical);
    case Op::And:
        return logicalValue(evaluate(*node.args[0], record, recno).logical &&
                            evaluate(*node.args[1], record, recno).logical);
    case Op::Or:
        return logicalValue(evaluate(*node.args[0], record, recno).logical ||
                            evaluate(*node.args[1], record, recno).logical);
    case Op::Contains: {
        const QByteArray part = evaluate(*node.args[0], record, recno).text;
        return logicalValue(!part.isEmpty() && evaluate(*node.args[1], record, recno).text.contains(part));
    }
    case Op::Compare:
        return compare(node, evaluate(*node.args[0], record, recno), evaluate(*node.args[1], record, recno));
    default:
        return arithmetic(node, evaluate(*node.args[0], record, recno), evaluate(*node.args[1], record, recno));
    }
}

} // namespace qal::dbase::expr

#include "KeyExpression.h"

#include "DatabaseError.h"
#include "NumericKey.h"

#include <QDate>

#include <cmath>
#include <cstring>
#include <span>
#include <vector>

namespace qal::dbase {

namespace {

constexpr int kMaxCharacterKey = 100;
constexpr int kMaxExpressionText = 220;

enum class ValueType { Text, Number, Date };

struct Value
{
    ValueType type = ValueType::Text;
    QByteArray text;
    double number = 0; // a number, or a date's Julian day (0 when blank)
};

} // namespace

struct KeyExpression::Node
{
    enum class Op { Field, Text, Number, Upper, Dtos, Str, Substr, Right, Concat, Add };
    Op op = Op::Text;
    ValueType type = ValueType::Text;
    int width = 0;      // of a text result
    int field = -1;
    FieldDescriptor descriptor;
    QByteArray text;    // a text literal
    double number = 0;  // a number literal
    int a = 0, b = 0;   // STR length/decimals, SUBSTR start/length, RIGHT count
    std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = KeyExpression::Node;

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

double numberOf(QByteArrayView bytes)
{
    const QByteArray text = bytes.toByteArray().trimmed().replace(',', '.');
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

QByteArray strOf(double value, int width, int decimals)
{
    if (!std::isfinite(value))
        value = 0;
    QByteArray text = QByteArray::number(value, 'f', decimals);
    if (text.startsWith('-') && text.mid(1).count('0') + text.count('.') == text.size() - 1)
        text = text.mid(1); // no "-0"
    if (text.size() > width)
        return QByteArray(width, '*');
    return QByteArray(width - text.size(), ' ') + text;
}

class Parser
{
public:
    Parser(const QString &text, const FieldList &fields) : m_text(text), m_fields(fields) {}

    std::unique_ptr<Node> parse()
    {
        auto node = sum();
        skipSpace();
        if (m_pos < m_text.size())
            fail(QStringLiteral("sobra texto en la posición %1").arg(m_pos + 1));
        return node;
    }

    [[noreturn]] void fail(const QString &why) const
    {
        throw DatabaseError(QStringLiteral("La expresión de clave «%1» no es válida: %2.").arg(m_text, why));
    }

private:
    void skipSpace()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }
    bool accept(QChar c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }
    void expect(QChar c)
    {
        if (!accept(c))
            fail(QStringLiteral("se esperaba «%1»").arg(c));
    }

    std::unique_ptr<Node> sum()
    {
        auto left = term();
        while (accept(u'+')) {
            auto right = term();
            auto node = std::make_unique<Node>();
            if (left->type == ValueType::Text && right->type == ValueType::Text) {
                node->op = Node::Op::Concat;
                node->type = ValueType::Text;
                node->width = left->width + right->width;
            } else if (left->type != ValueType::Text && right->type == ValueType::Number) {
                node->op = Node::Op::Add;
                node->type = left->type;
            } else {
                fail(QStringLiteral("no se pueden sumar valores de tipos distintos"));
            }
            node->args.push_back(std::move(left));
            node->args.push_back(std::move(right));
            left = std::move(node);
        }
        return left;
    }

    int integerArgument()
    {
        auto arg = term();
        if (arg->op != Node::Op::Number || arg->number != std::floor(arg->number))
            fail(QStringLiteral("se esperaba un número entero"));
        return int(arg->number);
    }

    std::unique_ptr<Node> term()
    {
        skipSpace();
        if (m_pos >= m_text.size())
            fail(QStringLiteral("la expresión termina antes de tiempo"));
        const QChar c = m_text[m_pos];
        auto node = std::make_unique<Node>();
        if (c == u'\'' || c == u'"') {
            const qsizetype end = m_text.indexOf(c, m_pos + 1);
            if (end < 0)
                fail(QStringLiteral("falta cerrar un texto"));
            node->op = Node::Op::Text;
            node->type = ValueType::Text;
            node->text = m_text.mid(m_pos + 1, end - m_pos - 1).toLatin1();
            node->width = int(node->text.size());
            m_pos = end + 1;
            return node;
        }
        if (c.isDigit()) {
            qsizetype start = m_pos;
            while (m_pos < m_text.size() && m_text[m_pos].isDigit() && m_pos - start < 9)
                ++m_pos;
            node->op = Node::Op::Number;
            node->type = ValueType::Number;
            node->number = m_text.mid(start, m_pos - start).toInt();
            return node;
        }
        if (!(c.isLetter() || c == u'_'))
            fail(QStringLiteral("carácter inesperado «%1»").arg(c));
        qsizetype start = m_pos;
        while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'_'))
            ++m_pos;
        const QString name = m_text.mid(start, m_pos - start).toUpper();
        if (accept(u'('))
            return function(name);
        return fieldNode(name);
    }

    std::unique_ptr<Node> fieldNode(const QString &name)
    {
        int index = fieldIndex(m_fields, name);
        if (index < 0 && name.size() > 10)
            index = fieldIndex(m_fields, name.left(10));
        if (index < 0)
            fail(QStringLiteral("no existe el campo %1").arg(name));
        const FieldDescriptor &f = m_fields[index];
        if (f.length <= 0 || f.offset < 1 || f.length > 254)
            fail(QStringLiteral("el campo %1 no es válido").arg(name));
        auto node = std::make_unique<Node>();
        node->op = Node::Op::Field;
        node->field = index;
        node->descriptor = f;
        switch (f.type) {
        case 'C':
            node->type = ValueType::Text;
            node->width = f.length;
            break;
        case 'N':
        case 'F':
            node->type = ValueType::Number;
            break;
        case 'D':
            node->type = ValueType::Date;
            break;
        default:
            fail(QStringLiteral("el campo %1 (tipo %2) no puede formar parte de una clave")
                     .arg(name, QChar::fromLatin1(f.type)));
        }
        return node;
    }

    std::unique_ptr<Node> function(const QString &name)
    {
        auto node = std::make_unique<Node>();
        auto need = [&](ValueType type, const std::unique_ptr<Node> &arg) {
            if (arg->type != type)
                fail(QStringLiteral("argumento de tipo incorrecto en %1()").arg(name));
        };
        if (name == u"UPPER") {
            node->op = Node::Op::Upper;
            node->args.push_back(sum());
            need(ValueType::Text, node->args[0]);
            node->type = ValueType::Text;
            node->width = node->args[0]->width;
        } else if (name == u"DTOS") {
            node->op = Node::Op::Dtos;
            node->args.push_back(sum());
            need(ValueType::Date, node->args[0]);
            node->type = ValueType::Text;
            node->width = 8;
        } else if (name == u"STR") {
            node->op = Node::Op::Str;
            node->args.push_back(sum());
            need(ValueType::Number, node->args[0]);
            node->a = 10;
            node->b = 0;
            if (accept(u','))
                node->a = integerArgument();
            if (accept(u','))
                node->b = integerArgument();
            if (node->a < 1 || node->a > kMaxCharacterKey || node->b < 0 || node->b > 15)
                fail(QStringLiteral("longitud o decimales fuera de rango en STR()"));
            node->type = ValueType::Text;
            node->width = node->a;
        } else if (name == u"SUBSTR" || name == u"LEFT" || name == u"RIGHT") {
            node->args.push_back(sum());
            need(ValueType::Text, node->args[0]);
            const int width = node->args[0]->width;
            node->type = ValueType::Text;
            expect(u',');
            if (name == u"SUBSTR") {
                node->op = Node::Op::Substr;
                node->a = integerArgument();
                node->b = width - node->a + 1;
                if (accept(u','))
                    node->b = integerArgument();
            } else {
                node->op = name == u"LEFT" ? Node::Op::Substr : Node::Op::Right;
                node->a = 1;
                node->b = integerArgument();
                if (node->op == Node::Op::Right)
                    node->a = width - node->b + 1;
            }
            if (node->a < 1 || node->a > width || node->b < 1)
                fail(QStringLiteral("posición fuera del texto en %1()").arg(name));
            node->b = std::min(node->b, width - node->a + 1);
            node->width = node->b;
        } else {
            fail(QStringLiteral("función desconocida %1()").arg(name));
        }
        expect(u')');
        return node;
    }

    QString m_text;
    const FieldList &m_fields;
    qsizetype m_pos = 0;
};

Value evaluateNode(const Node &node, QByteArrayView record)
{
    Value v;
    v.type = node.type;
    switch (node.op) {
    case Node::Op::Field: {
        const FieldDescriptor &f = node.descriptor;
        QByteArray raw(f.length, ' ');
        const qsizetype available = std::max<qsizetype>(0, std::min<qsizetype>(f.length, record.size() - f.offset));
        if (available > 0)
            std::memcpy(raw.data(), record.data() + f.offset, size_t(available));
        if (node.type == ValueType::Text)
            v.text = raw;
        else if (node.type == ValueType::Number)
            v.number = numberOf(raw), v.text = raw;
        else
            v.number = julianDayOf(raw);
        break;
    }
    case Node::Op::Text:
        v.text = node.text;
        break;
    case Node::Op::Number:
        v.number = node.number;
        break;
    case Node::Op::Upper:
        v.text = upperCp1252(evaluateNode(*node.args[0], record).text);
        break;
    case Node::Op::Dtos: {
        const double day = evaluateNode(*node.args[0], record).number;
        v.text = day > 0 ? QDate::fromJulianDay(qint64(day)).toString(QStringLiteral("yyyyMMdd")).toLatin1()
                         : QByteArray(8, ' ');
        if (v.text.size() != 8)
            v.text = QByteArray(8, ' ');
        break;
    }
    case Node::Op::Str:
        v.text = strOf(evaluateNode(*node.args[0], record).number, node.a, node.b);
        break;
    case Node::Op::Substr:
    case Node::Op::Right:
        v.text = evaluateNode(*node.args[0], record).text.mid(node.a - 1, node.b);
        break;
    case Node::Op::Concat:
        v.text = evaluateNode(*node.args[0], record).text + evaluateNode(*node.args[1], record).text;
        break;
    case Node::Op::Add: {
        const Value left = evaluateNode(*node.args[0], record);
        const Value right = evaluateNode(*node.args[1], record);
        v.number = left.number + right.number;
        if (node.type == ValueType::Date && left.number <= 0)
            v.number = 0;
        break;
    }
    }
    return v;
}

} // namespace

QByteArray upperCp1252(QByteArrayView text)
{
    QByteArray out = text.toByteArray();
    upperCp1252InPlace(out.data(), out.size());
    return out;
}

void upperCp1252InPlace(char *text, qsizetype n)
{
    for (char &c : std::span(text, size_t(n))) {
        const uchar u = uchar(c);
        if ((u >= 'a' && u <= 'z') || (u >= 0xE0 && u <= 0xFE && u != 0xF7))
            c = char(u - 0x20);
        else if (u == 0x9A || u == 0x9C || u == 0x9E)
            c = char(u - 0x10);
        else if (u == 0xFF)
            c = char(0x9F);
    }
}

KeyExpression::KeyExpression() = default;
KeyExpression::~KeyExpression() = default;
KeyExpression::KeyExpression(KeyExpression &&) noexcept = default;
KeyExpression &KeyExpression::operator=(KeyExpression &&) noexcept = default;

KeyExpression KeyExpression::compile(const QString &text, const FieldList &fields)
{
    Parser parser(text, fields);
    if (text.trimmed().isEmpty())
        parser.fail(QStringLiteral("está vacía"));
    if (text.size() > kMaxExpressionText)
        parser.fail(QStringLiteral("es demasiado larga"));
    KeyExpression e;
    e.m_root = parser.parse();
    switch (e.m_root->type) {
    case ValueType::Text:
        e.m_type = KeyType::Character;
        e.m_length = e.m_root->width;
        if (e.m_length < 1 || e.m_length > kMaxCharacterKey)
            parser.fail(QStringLiteral("la clave mide %1 caracteres (de 1 a %2)").arg(e.m_length).arg(kMaxCharacterKey));
        break;
    case ValueType::Number:
        e.m_type = KeyType::Numeric;
        e.m_length = numeric_key::kLength;
        break;
    case ValueType::Date:
        e.m_type = KeyType::Date;
        e.m_length = date_key::kLength;
        break;
    }
    if (e.m_root->op == Node::Op::Field)
        e.m_field = e.m_root->field;
    e.m_upper = e.m_root->op == Node::Op::Upper;
    return e;
}

QByteArray KeyExpression::evaluate(QByteArrayView record) const
{
    if (!m_root)
        return {};
    QByteArray key(m_length, Qt::Uninitialized);
    evaluateInto(record, key.data());
    return key;
}

const KeyExpression::Node *KeyExpression::bareField() const
{
    if (m_root->op == Node::Op::Field)
        return m_root.get();
    if (m_upper && m_root->args[0]->op == Node::Op::Field)
        return m_root->args[0].get();
    return nullptr;
}

void KeyExpression::evaluateInto(QByteArrayView record, char *key) const
{
    // The keys indexes mostly have, a field or UPPER(field), straight from the record's
    // bytes: an index build makes one for every record.
    const Node *field = bareField();
    if (field && m_type != KeyType::Date) {
        const FieldDescriptor &f = field->descriptor;
        const qsizetype available = std::clamp<qsizetype>(record.size() - f.offset, 0, f.length);
        const QByteArrayView bytes = record.sliced(available > 0 ? f.offset : 0, available);
        if (m_type == KeyType::Numeric) {
            numeric_key::writeFromText(bytes, key); // the field's exact decimal text
            return;
        }
        const qsizetype n = std::min<qsizetype>(available, m_length);
        if (n > 0)
            std::memcpy(key, bytes.data(), size_t(n));
        std::memset(key + n, ' ', size_t(m_length - n));
        if (m_upper)
            upperCp1252InPlace(key, m_length);
        return;
    }
    const Value v = evaluateNode(*m_root, record);
    QByteArray value;
    switch (m_type) {
    case KeyType::Character:
        value = v.text.left(m_length).leftJustified(m_length, ' ');
        break;
    case KeyType::Numeric:
        value = numeric_key::fromDouble(v.number);
        break;
    case KeyType::Date:
        value = date_key::fromJulianDay(v.number);
        break;
    }
    std::memcpy(key, value.constData(), size_t(m_length));
}

} // namespace qal::dbase

#include "KeyExpression.h"

#include "ExpressionCompiler.h"
#include "ExpressionEval.h"
#include "NumericKey.h"

#include <cstring>
#include <span>

namespace qal::dbase {

namespace {

constexpr int kMaxCharacterKey = 100;
constexpr int kMaxExpressionText = 220; // what the tag header holds

std::unique_ptr<expr::Node> compileTree(const QString &text, const FieldList &fields, bool condition)
{
    const expr::ExpressionErrors errors(text, condition);
    if (text.trimmed().isEmpty())
        errors.invalid(QStringLiteral("está vacía"));
    if (text.size() > kMaxExpressionText)
        errors.invalid(QStringLiteral("es demasiado larga"));
    auto root = expr::parse(errors);
    expr::bind(*root, fields, errors);
    return root;
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
    const expr::ExpressionErrors errors(text, false);
    KeyExpression e;
    e.m_root = compileTree(text, fields, false);
    switch (e.m_root->type) {
    case expr::Type::Text:
        e.m_type = KeyType::Character;
        e.m_length = e.m_root->width;
        if (e.m_length < 1 || e.m_length > kMaxCharacterKey)
            errors.invalid(QStringLiteral("la clave mide %1 caracteres (de 1 a %2)").arg(e.m_length).arg(kMaxCharacterKey));
        break;
    case expr::Type::Number:
        e.m_type = KeyType::Numeric;
        e.m_length = numeric_key::kLength;
        break;
    case expr::Type::Date:
        e.m_type = KeyType::Date;
        e.m_length = date_key::kLength;
        break;
    case expr::Type::Logical:
        errors.invalid(QStringLiteral("una clave no puede ser un valor lógico"));
    }
    if (e.m_root->op == expr::Op::Field)
        e.m_field = e.m_root->fieldIndex;
    e.m_upper = e.m_root->op == expr::Op::Call && e.m_root->function == expr::Function::Upper;
    return e;
}

QByteArray KeyExpression::evaluate(QByteArrayView record, std::uint32_t recno) const
{
    if (!m_root)
        return {};
    QByteArray key(m_length, Qt::Uninitialized);
    evaluateInto(record, key.data(), recno);
    return key;
}

const expr::Node *KeyExpression::bareField() const
{
    if (m_root->op == expr::Op::Field)
        return m_root.get();
    if (m_upper && m_root->args[0]->op == expr::Op::Field)
        return m_root->args[0].get();
    return nullptr;
}

void KeyExpression::evaluateInto(QByteArrayView record, char *key, std::uint32_t recno) const
{
    // The keys indexes mostly have, a field or UPPER(field), straight from the record's
    // bytes: an index build makes one for every record.
    const expr::Node *field = bareField();
    if (field && m_type != KeyType::Date) {
        const FieldDescriptor &f = field->field;
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
    const expr::Value v = expr::evaluate(*m_root, record, recno);
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

KeyCondition::KeyCondition() = default;
KeyCondition::~KeyCondition() = default;
KeyCondition::KeyCondition(KeyCondition &&) noexcept = default;
KeyCondition &KeyCondition::operator=(KeyCondition &&) noexcept = default;

KeyCondition KeyCondition::compile(const QString &text, const FieldList &fields)
{
    KeyCondition c;
    c.m_root = compileTree(text, fields, true);
    if (c.m_root->type != expr::Type::Logical)
        expr::ExpressionErrors(text, true).invalid(QStringLiteral("no es una condición (da un valor que no es lógico)"));
    return c;
}

bool KeyCondition::holds(QByteArrayView record, std::uint32_t recno) const
{
    return !m_root || expr::evaluate(*m_root, record, recno).logical;
}

} // namespace qal::dbase

#include "PasswordProtection.h"

#include "core/Cp1252.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <array>

namespace qal {
namespace {

constexpr std::uint16_t kMultiplier = 0x6D4B;
constexpr std::uint16_t kAddend = 0x1F93;

enum class Direction { Protect, Unprotect };

QString scramble(const QString &text, std::uint16_t state, Direction direction)
{
    QByteArray bytes = toCp1252(text);
    for (char &c : bytes) {
        const auto in = static_cast<std::uint8_t>(c);
        const auto out = static_cast<std::uint8_t>(in ^ (state >> 8));
        // The state follows the cipher text in both directions.
        const std::uint8_t cipher = direction == Direction::Protect ? out : in;
        state = static_cast<std::uint16_t>((cipher + state) * kMultiplier + kAddend);
        c = static_cast<char>(out);
    }
    return fromCp1252(bytes);
}

// RC4 over data in place; the key schedule and state are wiped before returning.
void rc4(const QByteArray &key, QByteArray &data)
{
    std::array<std::uint8_t, 256> s {};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = std::uint8_t(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = std::uint8_t(j + s[size_t(i)] + std::uint8_t(key[i % key.size()]));
        std::swap(s[size_t(i)], s[j]);
    }
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (char &c : data) {
        a = std::uint8_t(a + 1);
        b = std::uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        c = char(std::uint8_t(c) ^ s[std::uint8_t(s[a] + s[b])]);
    }
    volatile std::uint8_t *wipe = s.data();
    for (size_t i = 0; i < s.size(); ++i)
        wipe[i] = 0;
    a = b = j = 0;
}

QByteArray proxyKey(const QString &proxyUser)
{
    return QCryptographicHash::hash(toCp1252(proxyUser), QCryptographicHash::Sha1);
}

} // namespace

QString ProtegerClave(const QString &text, std::uint16_t startKey)
{
    return scramble(text, startKey, Direction::Protect);
}

QString DesprotegerClave(const QString &text, std::uint16_t startKey)
{
    return scramble(text, startKey, Direction::Unprotect);
}

QString CifrarClaveProxy(const QString &password, const QString &proxyUser)
{
    QByteArray data = toCp1252(password);
    QByteArray key = proxyKey(proxyUser);
    rc4(key, data);
    key.fill('\0');
    return QString::fromLatin1(data.toBase64());
}

QString DescifrarClaveProxy(const QString &cipherText, const QString &proxyUser)
{
    const auto decoded = QByteArray::fromBase64Encoding(cipherText.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || cipherText.trimmed().isEmpty())
        return {};
    QByteArray data = *decoded;
    QByteArray key = proxyKey(proxyUser);
    rc4(key, data);
    key.fill('\0');
    return fromCp1252(data);
}

QString ComplementarClave(const QString &text)
{
    QByteArray bytes = toCp1252(text);
    for (char &c : bytes)
        c = char(~std::uint8_t(c));
    return fromCp1252(bytes);
}

} // namespace qal

#pragma once

#include <QString>

#include <cstdint>

namespace qal {

// How stored passwords are protected. Offices' existing tables hold values written this
// way, so these must stay bit-for-bit as they are.

// User passwords (usu.C_CLAVE): a byte-stream scrambler with a 16-bit state. Text is taken
// as Windows-1252 bytes; the result has the length of the input.
constexpr std::uint16_t kClaveStartKey = 0xC35B;
QString ProtegerClave(const QString &text, std::uint16_t startKey = kClaveStartKey);
QString DesprotegerClave(const QString &text, std::uint16_t startKey = kClaveStartKey);

// Proxy password (amb.proxy_pass): RC4 keyed with the SHA-1 digest of the proxy user name,
// the cipher text in Base64. Any error (bad Base64, for example) gives an empty result.
QString CifrarClaveProxy(const QString &password, const QString &proxyUser);
QString DescifrarClaveProxy(const QString &cipherText, const QString &proxyUser);

// The POP3 password (amb.pop3PwdE): every byte complemented.
QString ComplementarClave(const QString &text);

} // namespace qal

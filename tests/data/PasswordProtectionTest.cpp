#include "data/PasswordProtection.h"

#include "core/Cp1252.h"

#include <gtest/gtest.h>

using namespace qal;

namespace {
QString fromHex(const char *hex)
{
    return fromCp1252(QByteArray::fromHex(hex));
}
} // namespace

// Known pairs computed independently from the scrambler's definition (start key 0xC35B,
// multiplier 0x6D4B, addend 0x1F93, state fed by the cipher text).
TEST(PasswordProtection, UserPasswordsMatchKnownStoredValues)
{
    EXPECT_EQ(ProtegerClave("admin"), fromHex("a2270833be"));
    EXPECT_EQ(ProtegerClave("clave1"), fromHex("a0059819a328"));
    EXPECT_EQ(ProtegerClave("z9"), fromHex("b92c"));
    EXPECT_EQ(DesprotegerClave(fromHex("a2270833be")), "admin");
    EXPECT_EQ(DesprotegerClave(fromHex("a0059819a328")), "clave1");
}

TEST(PasswordProtection, UserPasswordRoundTripsForAnyBytesAndKey)
{
    QString all;
    for (int b = 0; b < 256; ++b)
        all += fromCp1252(QByteArray(1, char(b)));
    for (std::uint16_t key : {std::uint16_t(0), kClaveStartKey, std::uint16_t(0xFFFF)}) {
        const QString p = ProtegerClave(all, key);
        EXPECT_EQ(p.size(), all.size());
        EXPECT_EQ(DesprotegerClave(p, key), all);
    }
    EXPECT_EQ(ProtegerClave(QString()), QString());
}

// Known pairs: RC4 with SHA-1(user) as key, Base64 text.
TEST(PasswordProtection, ProxyPasswordsMatchKnownStoredValues)
{
    EXPECT_EQ(CifrarClaveProxy("secreto", "proxyuser"), "VN6zZMhICg==");
    EXPECT_EQ(CifrarClaveProxy("clave123", "juan.perez"), "670uoc/h8Wc=");
    EXPECT_EQ(CifrarClaveProxy(QStringLiteral("ñandú"), "usuario"), "5TQjzVw=");
    EXPECT_EQ(DescifrarClaveProxy("670uoc/h8Wc=", "juan.perez"), "clave123");
    EXPECT_EQ(DescifrarClaveProxy("5TQjzVw=", "usuario"), QStringLiteral("ñandú"));
}

TEST(PasswordProtection, UnreadableProxyPasswordGivesEmptyText)
{
    EXPECT_EQ(DescifrarClaveProxy("not base64 !!", "u"), QString());
    EXPECT_EQ(DescifrarClaveProxy("", "u"), QString());
    // another user name does not give the password back
    EXPECT_NE(DescifrarClaveProxy("670uoc/h8Wc=", "otro"), "clave123");
}

TEST(PasswordProtection, Pop3PasswordIsComplemented)
{
    EXPECT_EQ(toCp1252(ComplementarClave("A")), QByteArray("\xBE"));
    EXPECT_EQ(ComplementarClave(ComplementarClave(QStringLiteral("pässwörd"))), QStringLiteral("pässwörd"));
}

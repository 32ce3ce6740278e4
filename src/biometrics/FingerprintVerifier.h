#pragma once

#include <QString>

namespace qal {

// The central office's remote fingerprint verification: one print, WSQ-compressed and in
// Base64, checked against a user name. False when the office could not be reached or
// answered with a fault (described in error); otherwise result holds the office's answer.
class FingerprintVerifier
{
public:
    virtual ~FingerprintVerifier() = default;

    virtual bool VerificarHuella(const QString &appId, const QString &wsqBase64, qint64 &result,
                                 QString &error) = 0;
};

} // namespace qal

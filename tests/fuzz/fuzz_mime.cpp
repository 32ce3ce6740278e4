// A received message on arbitrary bytes: parsing, every header, the body, every part's
// content, the attachment names as they would be saved, and forwarding the raw message.
#include "exchange/AttachmentName.h"
#include "exchange/OutgoingMail.h"
#include "exchange/ReceivedMessage.h"

#include <cstdint>
#include <cstdlib>

using namespace qal::exchange;

namespace {

void checkSafeName(const QString &name)
{
    const QString safe = nombreAdjuntoSeguro(name);
    if (safe.contains(QLatin1Char('/')) || safe.contains(QLatin1Char('\\')) || safe.contains(QLatin1Char(':'))
        || safe == QLatin1String("..") || safe == QLatin1String("."))
        std::abort();
}

void checkCrLf(const MailBytes &bytes)
{
    const char *p = bytes.data();
    for (qint64 i = 0; i < bytes.size(); ++i) {
        if (p[i] == '\n' && (i == 0 || p[i - 1] != '\r'))
            std::abort(); // SMTP would see a bare line feed
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *text = reinterpret_cast<const char *>(data);
    {
        MailBytes bytes;
        bytes.append(text, size);
        auto message = ReceivedMessage::parse(std::move(bytes));
        (void)message->subject();
        (void)message->from();
        (void)message->to();
        (void)message->cc();
        (void)message->receipt();
        (void)message->messageId();
        (void)message->date();
        (void)message->organization();
        if (message->priority() < 1 || message->priority() > 5)
            std::abort();
        (void)message->contentType();
        (void)message->bodyLines();
        for (const MimePartInfo &part : message->parts()) {
            if (part.index < 0 || part.index >= message->parts().size())
                std::abort();
            (void)message->partBytes(part.index);
            checkSafeName(part.filename);
        }
    }
    MailBytes raw;
    raw.append(text, size);
    EncodedMail forwarded;
    QString error;
    if (encodeForward(std::move(raw), QStringLiteral(" (REENVIO)"), QStringLiteral("fwd@example.test"),
                      QStringLiteral("yo@example.test"), &forwarded, &error)) {
        if (forwarded.recipients != QStringList {QStringLiteral("fwd@example.test")})
            std::abort();
        checkCrLf(forwarded.bytes);
    }
    return 0;
}

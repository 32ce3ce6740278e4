#include "MailRequest.h"

#include <gmime/gmime.h>

#include <mutex>

namespace {

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

template<typename T>
struct Unref
{
    T *p;
    ~Unref()
    {
        if (p)
            g_object_unref(p);
    }
};

QByteArray decodedContent(GMimePart *part)
{
    GMimeDataWrapper *content = g_mime_part_get_content(part);
    if (!content)
        return {};
    GByteArray *buffer = g_byte_array_new();
    GMimeStream *out = g_mime_stream_mem_new_with_byte_array(buffer);
    g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(out), FALSE);
    g_mime_data_wrapper_write_to_stream(content, out);
    g_object_unref(out);
    QByteArray bytes(reinterpret_cast<const char *>(buffer->data), static_cast<qsizetype>(buffer->len));
    g_byte_array_free(buffer, TRUE);
    return bytes;
}

void collectPart(GMimeObject *, GMimeObject *part, gpointer data)
{
    if (!GMIME_IS_PART(part))
        return;
    const char *name = g_mime_part_get_filename(GMIME_PART(part));
    if (!name || !*name)
        return;
    auto *request = static_cast<MailRequest *>(data);
    request->attachments.insert(QString::fromUtf8(name), decodedContent(GMIME_PART(part)));
}

} // namespace

bool readMailRequest(const QByteArray &bytes, MailRequest &request, QString &problem)
{
    initialise();
    Unref<GMimeStream> stream {g_mime_stream_mem_new_with_buffer(bytes.constData(), static_cast<size_t>(bytes.size()))};
    Unref<GMimeParser> parser {g_mime_parser_new_with_stream(stream.p)};
    Unref<GMimeMessage> message {g_mime_parser_construct_message(parser.p, nullptr)};
    if (!message.p) {
        problem = QStringLiteral("not a MIME message");
        return false;
    }
    request = {};
    if (const char *subject = g_mime_message_get_subject(message.p))
        request.subject = QString::fromUtf8(subject);
    if (const char *id = g_mime_message_get_message_id(message.p))
        request.messageId = QString::fromUtf8(id);
    InternetAddressList *from = g_mime_message_get_from(message.p);
    if (from && internet_address_list_length(from) > 0) {
        InternetAddress *first = internet_address_list_get_address(from, 0);
        if (INTERNET_ADDRESS_IS_MAILBOX(first))
            request.from = QString::fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(first)));
    }
    g_mime_message_foreach(message.p, collectPart, &request);
    return true;
}

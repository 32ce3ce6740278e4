#include "exchange/ReceivedMessage.h"

#include "exchange/GMimeSupport.h"

#include <QFile>

#include <fcntl.h>

#include <functional>
#include <vector>

namespace qal::exchange {

namespace {

// Deeper nesting than this is not a message anyone sends; its inner parts are ignored.
constexpr int kMaxDepth = 32;

GMimeParserOptions *parserOptions()
{
    ensureGMime();
    static GMimeParserOptions *options = [] {
        GMimeParserOptions *o = g_mime_parser_options_new();
        static const char *fallback[] = {"UTF-8", "windows-1252", nullptr};
        g_mime_parser_options_set_fallback_charsets(o, fallback);
        g_mime_parser_options_set_rfc2047_compliance_mode(o, GMIME_RFC_COMPLIANCE_LOOSE);
        return o;
    }();
    return options;
}

QString mimeTypeOf(GMimeObject *object)
{
    GMimeContentType *type = g_mime_object_get_content_type(object);
    if (!type)
        return QStringLiteral("text/plain");
    GString_ text(g_mime_content_type_get_mime_type(type));
    return fromUtf8(text.get()).toLower();
}

QString addresses(InternetAddressList *list)
{
    if (!list || internet_address_list_length(list) == 0)
        return {};
    GString_ text(internet_address_list_to_string(list, nullptr, FALSE));
    return fromUtf8(text.get());
}

QString firstAddress(InternetAddressList *list)
{
    if (!list)
        return {};
    for (int i = 0; i < internet_address_list_length(list); ++i) {
        InternetAddress *a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(a))
            return fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    }
    return {};
}

bool writeStreamToFile(const QString &path, const std::function<bool(GMimeStream *)> &write, QString *error)
{
    const QString temporary = path + QStringLiteral(".part~");
    GError *gerror = nullptr;
    GPtr<GMimeStream> out(g_mime_stream_fs_open(QFile::encodeName(temporary).constData(),
                                                O_WRONLY | O_CREAT | O_TRUNC, 0644, &gerror));
    if (!out) {
        *error = fromUtf8(gerror ? gerror->message : "no se pudo crear el archivo");
        g_clear_error(&gerror);
        return false;
    }
    const bool written = write(out.get()) && g_mime_stream_flush(out.get()) == 0;
    out.reset();
    if (!written) {
        QFile::remove(temporary);
        *error = QStringLiteral("no se pudo escribir el archivo");
        return false;
    }
    QFile::remove(path);
    if (!QFile::rename(temporary, path)) {
        QFile::remove(temporary);
        *error = QStringLiteral("no se pudo reemplazar el archivo");
        return false;
    }
    return true;
}

} // namespace

struct ReceivedMessage::Impl
{
    GPtr<GMimeMessage> message;
    std::vector<GMimeObject *> leaves; // owned by message
};

ReceivedMessage::ReceivedMessage(std::unique_ptr<Impl> impl)
    : d(std::move(impl))
{
}

ReceivedMessage::~ReceivedMessage() = default;

std::unique_ptr<ReceivedMessage> ReceivedMessage::parse(MailBytes bytes)
{
    GMimeParserOptions *options = parserOptions();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(bytes.release()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    g_mime_parser_set_persist_stream(parser.get(), TRUE);
    auto impl = std::make_unique<Impl>();
    impl->message.reset(g_mime_parser_construct_message(parser.get(), options));
    if (!impl->message)
        impl->message.reset(g_mime_message_new(FALSE));

    std::unique_ptr<ReceivedMessage> result(new ReceivedMessage(std::move(impl)));
    QList<MimePartInfo> &parts = result->m_parts;
    std::vector<GMimeObject *> &leaves = result->d->leaves;
    const std::function<void(GMimeObject *, int)> walk = [&](GMimeObject *object, int depth) {
        if (!object || depth > kMaxDepth)
            return;
        if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart *multipart = GMIME_MULTIPART(object);
            for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
                walk(g_mime_multipart_get_part(multipart, i), depth + 1);
            return;
        }
        MimePartInfo info;
        info.index = static_cast<int>(leaves.size());
        info.contentType = mimeTypeOf(object);
        if (GMIME_IS_PART(object)) {
            GMimePart *part = GMIME_PART(object);
            info.filename = fromUtf8(g_mime_part_get_filename(part));
            info.attachment = !info.filename.isEmpty() || g_mime_part_is_attachment(part);
            info.text = GMIME_IS_TEXT_PART(object) && !info.attachment;
        } else if (GMIME_IS_MESSAGE_PART(object)) {
            info.filename = fromUtf8(g_mime_object_get_content_disposition_parameter(object, "filename"));
            info.attachment = true;
        }
        leaves.push_back(object);
        parts.append(info);
    };
    walk(g_mime_message_get_mime_part(result->d->message.get()), 0);
    return result;
}

QString ReceivedMessage::subject() const
{
    return fromUtf8(g_mime_message_get_subject(d->message.get()));
}

QString ReceivedMessage::from() const
{
    return addresses(g_mime_message_get_from(d->message.get()));
}

QString ReceivedMessage::fromAddress() const
{
    return firstAddress(g_mime_message_get_from(d->message.get()));
}

QString ReceivedMessage::to() const
{
    return addresses(g_mime_message_get_to(d->message.get()));
}

QString ReceivedMessage::cc() const
{
    return addresses(g_mime_message_get_cc(d->message.get()));
}

QString ReceivedMessage::bcc() const
{
    return addresses(g_mime_message_get_bcc(d->message.get()));
}

QString ReceivedMessage::receipt() const
{
    return header("Disposition-Notification-To");
}

QString ReceivedMessage::messageId() const
{
    return fromUtf8(g_mime_message_get_message_id(d->message.get()));
}

QString ReceivedMessage::organization() const
{
    return header("Organization");
}

QDateTime ReceivedMessage::date() const
{
    GDateTime *date = g_mime_message_get_date(d->message.get());
    if (!date)
        return {};
    return QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date));
}

int ReceivedMessage::priority() const
{
    const QString stated = header("X-Priority").trimmed();
    if (!stated.isEmpty() && stated.at(0) >= QLatin1Char('1') && stated.at(0) <= QLatin1Char('5'))
        return stated.at(0).digitValue();
    const QString importance = header("Importance").trimmed().toLower();
    if (importance == QLatin1String("high"))
        return 2;
    if (importance == QLatin1String("low"))
        return 4;
    return 3;
}

QString ReceivedMessage::contentType() const
{
    GMimeObject *part = g_mime_message_get_mime_part(d->message.get());
    return part ? mimeTypeOf(part) : QStringLiteral("text/plain");
}

QString ReceivedMessage::header(const char *name) const
{
    const char *raw = g_mime_object_get_header(GMIME_OBJECT(d->message.get()), name);
    if (!raw) {
        GMimeObject *part = g_mime_message_get_mime_part(d->message.get());
        raw = part ? g_mime_object_get_header(part, name) : nullptr;
    }
    if (!raw)
        return {};
    GString_ decoded(g_mime_utils_header_decode_text(parserOptions(), raw));
    return fromUtf8(decoded.get()).trimmed();
}

QList<MimePartInfo> ReceivedMessage::attachments() const
{
    QList<MimePartInfo> result;
    for (const MimePartInfo &p : m_parts) {
        if (p.attachment)
            result.append(p);
    }
    return result;
}

QStringList ReceivedMessage::bodyLines() const
{
    QStringList lines;
    for (const MimePartInfo &p : m_parts) {
        if (!p.text)
            continue;
        GString_ text(g_mime_text_part_get_text(GMIME_TEXT_PART(d->leaves[static_cast<std::size_t>(p.index)])));
        QString body = fromUtf8(text.get());
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (body.endsWith(QLatin1Char('\n')))
            body.chop(1);
        lines += body.split(QLatin1Char('\n'));
    }
    return lines;
}

namespace {

bool writeDecoded(GMimeObject *object, GMimeStream *out)
{
    if (GMIME_IS_PART(object)) {
        GMimeDataWrapper *content = g_mime_part_get_content(GMIME_PART(object));
        return !content || g_mime_data_wrapper_write_to_stream(content, out) >= 0;
    }
    GMimeMessage *inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
    return !inner || g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, out) >= 0;
}

} // namespace

bool ReceivedMessage::savePart(int index, const QString &path, QString *error) const
{
    if (index < 0 || index >= static_cast<int>(d->leaves.size())) {
        *error = QStringLiteral("el mensaje no tiene la parte %1").arg(index);
        return false;
    }
    GMimeObject *object = d->leaves[static_cast<std::size_t>(index)];
    return writeStreamToFile(path, [object](GMimeStream *out) { return writeDecoded(object, out); }, error);
}

QByteArray ReceivedMessage::partBytes(int index) const
{
    if (index < 0 || index >= static_cast<int>(d->leaves.size()))
        return {};
    GPtr<GMimeStream> out(g_mime_stream_mem_new());
    writeDecoded(d->leaves[static_cast<std::size_t>(index)], out.get());
    GByteArray *bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.get()));
    return QByteArray(reinterpret_cast<const char *>(bytes->data), static_cast<qsizetype>(bytes->len));
}

} // namespace qal::exchange

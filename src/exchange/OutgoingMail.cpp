#include "exchange/OutgoingMail.h"

#include "exchange/GMimeSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSysInfo>

#include <fcntl.h>

namespace qal::exchange {

namespace {

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

// Parses a list of addresses into the message's list of that type; false when a non-empty
// text holds no address.
bool addAddresses(GMimeMessage *message, GMimeAddressType type, const QString &text, QStringList *envelope,
                  QString *error)
{
    const QString clean = singleLine(text).trimmed();
    if (clean.isEmpty())
        return true;
    GPtr<InternetAddressList> parsed(internet_address_list_parse(nullptr, utf8(clean).constData()));
    QStringList found;
    if (parsed) {
        for (int i = 0; i < internet_address_list_length(parsed.get()); ++i) {
            InternetAddress *a = internet_address_list_get_address(parsed.get(), i);
            if (INTERNET_ADDRESS_IS_MAILBOX(a))
                found << fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
            else if (INTERNET_ADDRESS_IS_GROUP(a)) {
                InternetAddressList *members = internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a));
                for (int j = 0; j < internet_address_list_length(members); ++j) {
                    InternetAddress *m = internet_address_list_get_address(members, j);
                    if (INTERNET_ADDRESS_IS_MAILBOX(m))
                        found << fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(m)));
                }
            }
        }
    }
    found.removeAll(QString());
    if (found.isEmpty()) {
        *error = QStringLiteral("dirección no válida: %1").arg(clean);
        return false;
    }
    if (envelope)
        *envelope += found;
    if (message)
        internet_address_list_append(g_mime_message_get_addresses(message, type), parsed.get());
    return true;
}

GMimeObject *textPart(const QString &body)
{
    GMimeTextPart *part = g_mime_text_part_new_with_subtype("plain");
    QString text = body;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    g_mime_text_part_set_text(part, utf8(text).constData());
    bool plainAscii = true;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.size() > 900)
            plainAscii = false;
        for (const QChar c : line)
            plainAscii = plainAscii && c.unicode() < 128;
    }
    g_mime_part_set_content_encoding(GMIME_PART(part),
                                     plainAscii ? GMIME_CONTENT_ENCODING_7BIT : GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    return GMIME_OBJECT(part);
}

GMimeObject *attachmentPart(const QString &path, QString *error)
{
    GError *gerror = nullptr;
    GPtr<GMimeStream> file(g_mime_stream_fs_open(QFile::encodeName(path).constData(), O_RDONLY, 0, &gerror));
    if (!file) {
        *error = QStringLiteral("no se pudo leer el adjunto %1: %2").arg(path, fromUtf8(gerror ? gerror->message : ""));
        g_clear_error(&gerror);
        return nullptr;
    }
    const QStringList type = tipoContenido(path).split(QLatin1Char('/'));
    GMimePart *part = g_mime_part_new_with_type(utf8(type.value(0)).constData(), utf8(type.value(1)).constData());
    GPtr<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(file.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, content.get());
    g_mime_part_set_filename(part, utf8(QFileInfo(path).fileName()).constData());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    return GMIME_OBJECT(part);
}

bool hasBareLineEnd(const MailBytes &bytes)
{
    const char *p = bytes.data();
    const qint64 n = bytes.size();
    for (qint64 i = 0; i < n; ++i) {
        if ((p[i] == '\n' && (i == 0 || p[i - 1] != '\r')) || (p[i] == '\r' && (i + 1 == n || p[i + 1] != '\n')))
            return true;
    }
    return false;
}

// GMime leaves a lone CR or LF of a raw message as it was; on the wire every line ends in
// CR LF, or a server could read the lines differently from us.
void normaliseLineEnds(MailBytes &bytes)
{
    if (!hasBareLineEnd(bytes))
        return;
    MailBytes fixed;
    fixed.reserve(bytes.size() + bytes.size() / 64 + 2);
    const char *p = bytes.data();
    const qint64 n = bytes.size();
    qint64 start = 0;
    for (qint64 i = 0; i < n; ++i) {
        if (p[i] != '\r' && p[i] != '\n')
            continue;
        fixed.append(p + start, static_cast<std::size_t>(i - start));
        fixed.append("\r\n", 2);
        if (p[i] == '\r' && i + 1 < n && p[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    fixed.append(p + start, static_cast<std::size_t>(n - start));
    bytes = std::move(fixed);
}

bool writeMessage(GMimeMessage *message, EncodedMail *out, QString *error)
{
    GPtr<GMimeStream> stream(g_mime_stream_mem_new());
    g_mime_stream_mem_set_owner(GMIME_STREAM_MEM(stream.get()), FALSE);
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message), dosFormat(), stream.get()) < 0) {
        g_byte_array_unref(g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get())));
        *error = QStringLiteral("no se pudo armar el mensaje");
        return false;
    }
    out->bytes = MailBytes::adopt(g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream.get())));
    normaliseLineEnds(out->bytes);
    return true;
}

QString priorityHeader(int priority)
{
    static const char *names[] = {"Highest", "High", "Normal", "Low", "Lowest"};
    const int code = std::clamp(priority, 0, 4);
    return QStringLiteral("%1 (%2)").arg(code + 1).arg(QLatin1String(names[code]));
}

} // namespace

QString singleLine(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n') || c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    return result;
}

QString tipoContenido(const QString &fileName)
{
    static const QHash<QString, QString> types {
        {QStringLiteral("txt"), QStringLiteral("text/plain")},
        {QStringLiteral("htm"), QStringLiteral("text/html")},
        {QStringLiteral("html"), QStringLiteral("text/html")},
        {QStringLiteral("tif"), QStringLiteral("image/tiff")},
        {QStringLiteral("tiff"), QStringLiteral("image/tiff")},
        {QStringLiteral("bmp"), QStringLiteral("image/bmp")},
        {QStringLiteral("jpg"), QStringLiteral("image/jpeg")},
        {QStringLiteral("jpeg"), QStringLiteral("image/jpeg")},
        {QStringLiteral("png"), QStringLiteral("image/png")},
        {QStringLiteral("pdf"), QStringLiteral("application/pdf")},
        {QStringLiteral("zip"), QStringLiteral("application/x-zip-compressed")},
    };
    return types.value(QFileInfo(fileName).suffix().toLower(), QStringLiteral("application/octet-stream"));
}

bool encodeMail(const OutgoingMail &mail, EncodedMail *out, QString *error)
{
    ensureGMime();
    GPtr<GMimeMessage> message(g_mime_message_new(TRUE));
    GMimeMessage *m = message.get();
    QStringList senders;
    if (!addAddresses(m, GMIME_ADDRESS_TYPE_FROM, mail.from, &senders, error))
        return false;
    if (senders.isEmpty()) {
        *error = QStringLiteral("falta el remitente");
        return false;
    }
    out->sender = senders.first();
    out->recipients.clear();
    if (!addAddresses(m, GMIME_ADDRESS_TYPE_TO, mail.to, &out->recipients, error)
        || !addAddresses(m, GMIME_ADDRESS_TYPE_CC, mail.cc, &out->recipients, error)
        || !addAddresses(nullptr, GMIME_ADDRESS_TYPE_BCC, mail.bcc, &out->recipients, error))
        return false;
    if (out->recipients.isEmpty()) {
        *error = QStringLiteral("el mensaje no tiene destinatarios");
        return false;
    }
    g_mime_message_set_subject(m, utf8(singleLine(mail.subject)).constData(), "utf-8");
    GDateTime *now = g_date_time_new_now_local();
    g_mime_message_set_date(m, now);
    g_date_time_unref(now);
    GString_ id(g_mime_utils_generate_message_id(utf8(QSysInfo::machineHostName()).constData()));
    g_mime_message_set_message_id(m, id.get());
    g_mime_object_set_header(GMIME_OBJECT(m), "X-Priority", utf8(priorityHeader(mail.priority)).constData(), nullptr);
    const QString receipt = singleLine(mail.receipt).trimmed();
    if (!receipt.isEmpty())
        g_mime_object_set_header(GMIME_OBJECT(m), "Disposition-Notification-To", utf8(receipt).constData(), "utf-8");

    GPtr<GMimeObject> body(textPart(mail.body));
    if (mail.attachmentPaths.isEmpty()) {
        g_mime_message_set_mime_part(m, body.get());
    } else {
        GPtr<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), body.get());
        for (const QString &path : mail.attachmentPaths) {
            GPtr<GMimeObject> part(attachmentPart(path, error));
            if (!part)
                return false;
            g_mime_multipart_add(mixed.get(), part.get());
        }
        g_mime_message_set_mime_part(m, GMIME_OBJECT(mixed.get()));
    }
    return writeMessage(m, out, error);
}

bool encodeForward(MailBytes raw, const QString &suffix, const QString &address, const QString &fallbackSender,
                   EncodedMail *out, QString *error)
{
    ensureGMime();
    GPtr<GMimeStream> stream(g_mime_stream_mem_new_with_byte_array(raw.release()));
    GPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    if (!message) {
        *error = QStringLiteral("el mensaje no se pudo leer");
        return false;
    }
    GMimeMessage *m = message.get();
    const QString subject = fromUtf8(g_mime_message_get_subject(m));
    g_mime_message_set_subject(m, utf8(singleLine(subject + suffix)).constData(), "utf-8");
    internet_address_list_clear(g_mime_message_get_addresses(m, GMIME_ADDRESS_TYPE_TO));
    internet_address_list_clear(g_mime_message_get_addresses(m, GMIME_ADDRESS_TYPE_CC));
    internet_address_list_clear(g_mime_message_get_addresses(m, GMIME_ADDRESS_TYPE_BCC));
    g_mime_object_remove_header(GMIME_OBJECT(m), "Cc");
    g_mime_object_remove_header(GMIME_OBJECT(m), "Bcc");
    out->recipients.clear();
    if (!addAddresses(m, GMIME_ADDRESS_TYPE_TO, address, &out->recipients, error))
        return false;
    if (out->recipients.isEmpty()) {
        *error = QStringLiteral("falta la dirección de reenvío");
        return false;
    }
    QStringList senders;
    InternetAddressList *from = g_mime_message_get_from(m);
    for (int i = 0; from && i < internet_address_list_length(from) && senders.isEmpty(); ++i) {
        InternetAddress *a = internet_address_list_get_address(from, i);
        if (INTERNET_ADDRESS_IS_MAILBOX(a))
            senders << fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
    }
    senders.removeAll(QString());
    out->sender = senders.isEmpty() ? fallbackSender : senders.first();
    return writeMessage(m, out, error);
}

} // namespace qal::exchange

#pragma once

#include <QByteArray>

#include <cstddef>

using GByteArray = struct _GByteArray;

namespace qal::exchange {

// The bytes of one whole message, received or about to be sent. It lives in a GLib byte
// array so that the MIME parser and writer work on it in place: a 20 MB message is held
// once, not copied between Qt and GMime.
class MailBytes
{
public:
    MailBytes();
    ~MailBytes();
    MailBytes(MailBytes &&other) noexcept;
    MailBytes &operator=(MailBytes &&other) noexcept;
    MailBytes(const MailBytes &) = delete;
    MailBytes &operator=(const MailBytes &) = delete;

    static MailBytes fromByteArray(const QByteArray &bytes);

    void reserve(qint64 size);
    void append(const char *data, std::size_t size);
    void clear();
    const char *data() const;
    qint64 size() const;
    QByteArray toByteArray() const;

    // Hands the array over (to a GMime stream); this object is empty afterwards.
    GByteArray *release();
    // Takes an array over.
    static MailBytes adopt(GByteArray *array);

private:
    GByteArray *m_array;
};

} // namespace qal::exchange

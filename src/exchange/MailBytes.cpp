#include "exchange/MailBytes.h"

#include <glib.h>

#include <utility>

namespace qal::exchange {

MailBytes::MailBytes()
    : m_array(g_byte_array_new())
{
}

MailBytes::~MailBytes()
{
    if (m_array)
        g_byte_array_unref(m_array);
}

MailBytes::MailBytes(MailBytes &&other) noexcept
    : m_array(std::exchange(other.m_array, g_byte_array_new()))
{
}

MailBytes &MailBytes::operator=(MailBytes &&other) noexcept
{
    std::swap(m_array, other.m_array);
    return *this;
}

MailBytes MailBytes::fromByteArray(const QByteArray &bytes)
{
    MailBytes result;
    result.append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return result;
}

void MailBytes::reserve(qint64 size)
{
    if (size > static_cast<qint64>(m_array->len) && size < G_MAXUINT) {
        const guint used = m_array->len;
        g_byte_array_set_size(m_array, static_cast<guint>(size));
        g_byte_array_set_size(m_array, used);
    }
}

void MailBytes::append(const char *data, std::size_t size)
{
    g_byte_array_append(m_array, reinterpret_cast<const guint8 *>(data), static_cast<guint>(size));
}

void MailBytes::clear()
{
    g_byte_array_set_size(m_array, 0);
}

const char *MailBytes::data() const
{
    return reinterpret_cast<const char *>(m_array->data);
}

qint64 MailBytes::size() const
{
    return m_array->len;
}

QByteArray MailBytes::toByteArray() const
{
    return QByteArray(data(), static_cast<qsizetype>(m_array->len));
}

GByteArray *MailBytes::release()
{
    return std::exchange(m_array, g_byte_array_new());
}

MailBytes MailBytes::adopt(GByteArray *array)
{
    MailBytes result;
    g_byte_array_unref(result.m_array);
    result.m_array = array;
    return result;
}

} // namespace qal::exchange

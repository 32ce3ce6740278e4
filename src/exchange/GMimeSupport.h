#pragma once

// GMime's GLib headers define names that Qt's keyword macros clash with; everything that
// includes this file is built with QT_NO_KEYWORDS.
#include <gmime/gmime.h>

#include <QString>

#include <memory>

namespace qal::exchange {

// GMime is initialised once per process, on first use.
void ensureGMime();

struct GObjectUnref
{
    void operator()(gpointer object) const
    {
        if (object)
            g_object_unref(object);
    }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref>;

struct GFree
{
    void operator()(gpointer p) const { g_free(p); }
};
using GString_ = std::unique_ptr<char, GFree>;

inline QString fromUtf8(const char *text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Writes messages with CR LF line ends, as SMTP requires.
GMimeFormatOptions *dosFormat();

} // namespace qal::exchange

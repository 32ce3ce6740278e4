#include "exchange/GMimeSupport.h"

#include <mutex>

namespace qal::exchange {

void ensureGMime()
{
    static std::once_flag once;
    std::call_once(once, [] { g_mime_init(); });
}

GMimeFormatOptions *dosFormat()
{
    ensureGMime();
    static GMimeFormatOptions *options = [] {
        GMimeFormatOptions *o = g_mime_format_options_new();
        g_mime_format_options_set_newline_format(o, GMIME_NEWLINE_FORMAT_DOS);
        return o;
    }();
    return options;
}

} // namespace qal::exchange

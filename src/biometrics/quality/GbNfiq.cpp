#include "GbNfiq.h"
#include "QualityScorer.h"

#include <new>

#define GBNFIQ_EXPORT extern "C" __attribute__((visibility("default")))

GBNFIQ_EXPORT int GBNFIQ_GetVersion(int *major, int *minor, int *revision, int *build)
{
    if (major)
        *major = 1;
    if (minor)
        *minor = 0;
    if (revision)
        *revision = 0;
    if (build)
        *build = 0;
    return 0;
}

GBNFIQ_EXPORT int GBNFIQ_GetImageQuality(const unsigned char *pixels, int width, int height, int *nfiq,
                                         int /*reserved*/)
{
    try {
        const qal::quality::QualityResult r = qal::quality::scoreFingerprint(pixels, width, height);
        if (nfiq)
            *nfiq = r.nfiq;
        return r.code;
    } catch (const std::bad_alloc &) {
        return -3;
    }
}

#pragma once

// Entry points of the quality module libgbnfiq.so, resolved by name at run time.
extern "C" {
// Fills the module's version (major, minor, revision, build); returns 0.
using GbNfiqGetVersionFn = int (*)(int *major, int *minor, int *revision, int *build);
// Scores a top-down 8-bit grey image of width x height bytes. Writes the NFIQ value 1..5
// and returns the result code: 0 scored, 1 empty image, 2 too few minutiae, -3 no memory.
using GbNfiqGetImageQualityFn = int (*)(const unsigned char *pixels, int width, int height, int *nfiq,
                                        int reserved);
}

namespace qal::quality {
inline constexpr const char *GetVersionSymbol = "GBNFIQ_GetVersion";
inline constexpr const char *GetImageQualitySymbol = "GBNFIQ_GetImageQuality";
} // namespace qal::quality

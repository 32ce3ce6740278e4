#pragma once
// Finger images as BMP files, without Qt, for the converter programs (which must start as
// fast as a C program): an uncompressed BMP of 1, 4, 8, 24 or 32 bits read as 8-bit grey,
// and 8-bit grey written in the finger-image layout (14-byte file header "BM", 40-byte
// information header, 256-entry grey palette, pixel data at offset 1078, rows bottom-up
// padded to a multiple of 4 bytes).

#include <cstdint>
#include <string>
#include <vector>

namespace qal::fingerbmp {

struct Image
{
    int width = 0;
    int height = 0;
    int ppi = 0;                      // 0 when the file does not say
    std::vector<std::uint8_t> pixels; // width * height, rows top-down
};

// Colours and palette entries become their luminance, as Qt's qGray gives it. False, with a
// reason, when the bytes are no such BMP or claim more than maxPixels.
bool decode(const std::uint8_t *data, std::size_t size, Image &image, std::string &error);
bool read(const std::string &path, Image &image, std::string &error);

std::vector<std::uint8_t> encode(const Image &image);
// Writes a temporary file beside the target and renames it into place: the target appears
// only when complete.
bool write(const std::string &path, const Image &image, std::string &error);

// Whole file contents; false when it cannot be read or is larger than 1 GiB.
bool readFile(const std::string &path, std::vector<std::uint8_t> &bytes);
bool writeFileAtomically(const std::string &path, const std::uint8_t *data, std::size_t size);

inline constexpr long long maxPixels = 400'000'000LL;

} // namespace qal::fingerbmp

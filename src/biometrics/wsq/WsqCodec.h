#pragma once
// WSQ gray-scale fingerprint image codec, written from the FBI WSQ Gray-scale Fingerprint Image
// Compression Specification (IAFIS-IC-0110, version 3).

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace qal::wsq {

// Any failure to read a WSQ stream or to encode an image. The text says what was wrong.
class WsqError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

struct EncodeOptions
{
    float bitRate = 0.75f;  // target bits per pixel
    int ppi = 500;          // written to the NISTCOM comment; -1 writes none
    std::string comment;    // an extra comment segment when not empty
    // Emit a restart marker after every this many coded symbols of a block (0: none). Our
    // reader handles restart markers wherever they appear; this exists to produce such files.
    int restartInterval = 0;
};

// Encodes a top-down 8-bit grey image (width * height bytes, no row padding).
std::vector<std::uint8_t> encode(const std::uint8_t *pixels, int width, int height,
                                 const EncodeOptions &options = {});

struct DecodedImage
{
    int width = 0;
    int height = 0;
    int ppi = -1;                       // from a NISTCOM comment, -1 when the file states none
    std::vector<std::uint8_t> pixels;   // top-down, width * height bytes
};

struct DecodeLimits
{
    // Refuse frames with more pixels than this before allocating anything for them.
    std::size_t maxPixels = std::size_t(1) << 25;
};

DecodedImage decode(std::span<const std::uint8_t> data, const DecodeLimits &limits = {});

} // namespace qal::wsq

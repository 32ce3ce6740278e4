#pragma once
// A second WSQ decoder, kept apart from the production one on purpose: written directly from
// the formulas of the FBI WSQ standard, in double precision, with a bit-by-bit Huffman decoder,
// a recursive subband tree and the synthesis evaluated on the upsampled, symmetrically
// extended subband signals. It is slow and shares no code with src/biometrics/wsq; the tests
// use it to check that files written by our encoder decode the same on another code path.

#include <cstdint>
#include <string>
#include <vector>

namespace qal::test {

struct IndependentImage
{
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
    std::string error;  // empty on success
};

IndependentImage independentWsqDecode(const std::vector<std::uint8_t> &file);

} // namespace qal::test

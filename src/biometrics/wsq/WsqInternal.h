#pragma once
// Building blocks shared by the WSQ encoder and decoder: markers, the subband layout,
// the wavelet filter bank and the Huffman code tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qal::wsq::detail {

using std::size_t;

enum Marker : std::uint16_t {
    SOI = 0xFFA0,
    EOI = 0xFFA1,
    SOF = 0xFFA2,
    SOB = 0xFFA3,
    DTT = 0xFFA4,
    DQT = 0xFFA5,
    DHT = 0xFFA6,
    DRT = 0xFFA7,
    COM = 0xFFA8,
    RST0 = 0xFFB0,
    RST7 = 0xFFB7,
};

constexpr int kSubbands = 64;       // subbands of the decomposition
constexpr int kCodedSubbands = 60;  // 60..63 are never transmitted
constexpr int kSplits = 20;         // two-dimensional splits that produce them
// First subband of each of the three blocks of the standard's encoder.
constexpr std::array<int, 4> kBlockStart = {0, 19, 52, 60};

struct Rect
{
    int x = 0, y = 0, w = 0, h = 0;
};

// One 2-D analysis step: the region is split in x, then in y. An inverted direction stores the
// high-pass half first (left or top).
struct Split
{
    Rect r;
    bool invX = false;
    bool invY = false;
};

struct Layout
{
    std::array<Split, kSplits> splits;  // in analysis order (parents before children)
    std::array<Rect, kSubbands> bands;  // 60..63 are empty
};

Layout makeLayout(int width, int height);

// Odd-length whole-sample-symmetric analysis filters, stored in full.
struct Filters
{
    std::vector<float> lo;
    std::vector<float> hi;
};
const Filters &standardFilters();

// In-place forward transform of a width x height float image laid out by `layout`.
void analyse(float *image, int width, int height, const Layout &layout, const Filters &f);
// In-place inverse transform.
void synthesise(float *image, int width, int height, const Layout &layout, const Filters &f);

// Huffman code table as carried by a DHT segment.
struct HuffmanTable
{
    std::array<std::uint8_t, 16> bits{};  // number of codes of length 1..16
    std::vector<std::uint8_t> values;     // symbols in code order
};

// Encoder side: code lengths limited to 16 bits, never an all-ones code.
HuffmanTable buildHuffmanTable(const std::array<std::uint32_t, 256> &counts);

struct HuffmanCodes
{
    std::array<std::uint16_t, 256> code{};
    std::array<std::uint8_t, 256> length{};  // 0: symbol has no code
};
HuffmanCodes assignCodes(const HuffmanTable &table);

// Symbols of the coefficient alphabet.
constexpr int kMaxZeroRunSymbol = 100;
constexpr int kPos8 = 101, kNeg8 = 102, kPos16 = 103, kNeg16 = 104, kRun8 = 105, kRun16 = 106;
constexpr int kCoefficientBias = 180;       // symbols 107..254 carry value - 180
constexpr int kMinDirect = -73, kMaxDirect = 74;

} // namespace qal::wsq::detail

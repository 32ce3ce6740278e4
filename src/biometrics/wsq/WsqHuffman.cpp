// Huffman code construction for the encoder: code lengths from symbol counts, limited to
// 16 bits, with the all-ones code of each length kept free (the same procedure as JPEG's
// Annex K, which the WSQ standard adopts for its tables).

#include "biometrics/wsq/WsqInternal.h"

namespace qal::wsq::detail {

HuffmanTable buildHuffmanTable(const std::array<std::uint32_t, 256> &counts)
{
    constexpr int kSymbols = 257;  // 256 is a reserved symbol that claims the all-ones code
    std::array<std::uint64_t, kSymbols> freq{};
    std::array<int, kSymbols> codeSize{};
    std::array<int, kSymbols> others;
    others.fill(-1);
    bool any = false;
    for (int i = 0; i < 256; ++i) {
        freq[size_t(i)] = counts[size_t(i)];
        any = any || counts[size_t(i)] != 0;
    }
    if (!any)
        freq[1] = 1;  // an empty block still gets a usable table
    freq[256] = 1;

    for (;;) {
        // the two least frequent entries; on ties the higher symbol is taken first
        int c1 = -1, c2 = -1;
        for (int i = 0; i < kSymbols; ++i)
            if (freq[size_t(i)] && (c1 < 0 || freq[size_t(i)] <= freq[size_t(c1)]))
                c1 = i;
        for (int i = 0; i < kSymbols; ++i)
            if (i != c1 && freq[size_t(i)] && (c2 < 0 || freq[size_t(i)] <= freq[size_t(c2)]))
                c2 = i;
        if (c2 < 0)
            break;
        freq[size_t(c1)] += freq[size_t(c2)];
        freq[size_t(c2)] = 0;
        ++codeSize[size_t(c1)];
        while (others[size_t(c1)] >= 0) {
            c1 = others[size_t(c1)];
            ++codeSize[size_t(c1)];
        }
        others[size_t(c1)] = c2;
        ++codeSize[size_t(c2)];
        while (others[size_t(c2)] >= 0) {
            c2 = others[size_t(c2)];
            ++codeSize[size_t(c2)];
        }
    }

    std::array<int, 64> bits{};
    for (int i = 0; i < kSymbols; ++i)
        if (codeSize[size_t(i)])
            ++bits[size_t(codeSize[size_t(i)])];
    // limit lengths to 16 bits
    for (int i = 63; i > 16; --i) {
        while (bits[size_t(i)] > 0) {
            int j = i - 2;
            while (bits[size_t(j)] == 0)
                --j;
            bits[size_t(i)] -= 2;
            ++bits[size_t(i - 1)];
            bits[size_t(j + 1)] += 2;
            --bits[size_t(j)];
        }
    }
    // drop the reserved symbol: it holds one of the longest codes
    int longest = 16;
    while (longest > 0 && bits[size_t(longest)] == 0)
        --longest;
    if (longest > 0)
        --bits[size_t(longest)];

    HuffmanTable table;
    for (int len = 1; len <= 16; ++len)
        table.bits[size_t(len - 1)] = std::uint8_t(bits[size_t(len)]);
    for (int len = 1; len <= 63; ++len)
        for (int s = 0; s < 256; ++s)
            if (codeSize[size_t(s)] == len)
                table.values.push_back(std::uint8_t(s));
    // Lengths were reassigned in bulk above: the symbols keep their order of increasing
    // length, so the canonical assignment below gives the shortest codes to the most frequent.
    size_t total = 0;
    for (auto b : table.bits)
        total += b;
    table.values.resize(total);
    return table;
}

HuffmanCodes assignCodes(const HuffmanTable &table)
{
    HuffmanCodes codes;
    unsigned code = 0;
    size_t k = 0;
    for (int len = 1; len <= 16; ++len) {
        for (int i = 0; i < table.bits[size_t(len - 1)] && k < table.values.size(); ++i, ++k) {
            codes.code[table.values[k]] = std::uint16_t(code++);
            codes.length[table.values[k]] = std::uint8_t(len);
        }
        code <<= 1;
    }
    return codes;
}

} // namespace qal::wsq::detail

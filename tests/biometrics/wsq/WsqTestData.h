#pragma once
// Fixtures of the WSQ tests: tests/fixtures/wsq (reference vectors) and tests/fixtures/fingers.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qal::test::wsq {

inline std::filesystem::path dataDir() { return std::filesystem::path(QAL_TEST_DATA) / "wsq"; }
inline std::filesystem::path fingerDir() { return std::filesystem::path(QAL_TEST_DATA) / "fingers" / "bmp"; }

inline std::vector<std::uint8_t> readBytes(const std::filesystem::path &p)
{
    std::ifstream f(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(f), {}};
}

struct Grey
{
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};

// Binary PGM as the reference decoder writes it.
inline Grey readPgm(const std::filesystem::path &p)
{
    const auto d = readBytes(p);
    Grey g;
    int maxValue = 0, used = 0;
    std::string head(d.begin(), d.begin() + std::ptrdiff_t(std::min<size_t>(d.size(), 64)));
    if (std::sscanf(head.c_str(), "P5 %d %d %d%n", &g.width, &g.height, &maxValue, &used) != 3)
        return {};
    g.pixels.assign(d.begin() + used + 1, d.end());
    if (g.pixels.size() != size_t(g.width) * size_t(g.height))
        return {};
    return g;
}

struct Agreement
{
    double identical = 0;  // fraction of identical pixels
    int maxDiff = 0;
};

inline Agreement compare(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    Agreement r;
    if (a.size() != b.size() || a.empty())
        return {0.0, 256};
    size_t same = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d = std::abs(int(a[i]) - int(b[i]));
        same += d == 0;
        r.maxDiff = std::max(r.maxDiff, d);
    }
    r.identical = double(same) / double(a.size());
    return r;
}

inline double psnr(const std::vector<std::uint8_t> &a, const std::vector<std::uint8_t> &b)
{
    double se = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const double d = double(a[i]) - double(b[i]);
        se += d * d;
    }
    return se == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 * double(a.size()) / se);
}

// Rows of a CSV file split at commas (no quoted commas in the columns we read).
inline std::vector<std::vector<std::string>> readCsv(const std::filesystem::path &p)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream f(p);
    std::string line;
    std::getline(f, line);  // header
    while (std::getline(f, line)) {
        std::vector<std::string> cells;
        size_t at = 0;
        for (;;) {
            const size_t comma = line.find(',', at);
            cells.push_back(line.substr(at, comma - at));
            if (comma == std::string::npos)
                break;
            at = comma + 1;
        }
        rows.push_back(cells);
    }
    return rows;
}

} // namespace qal::test::wsq

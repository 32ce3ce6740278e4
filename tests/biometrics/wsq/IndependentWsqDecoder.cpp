#include "IndependentWsqDecoder.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <stdexcept>

namespace qal::test {

namespace {

struct Box
{
    int x, y, w, h;
};

// The decomposition as a tree: a node is either a subband (leaf) or a split into four
// children in the order top-left, top-right, bottom-left, bottom-right. Numbering the leaves
// depth first gives the standard's subband numbers 0..63.
struct Node
{
    std::vector<Node> kids;  // empty: leaf
    Box box{};
    bool invX = false, invY = false;
};

Node leaf() { return {}; }
Node split(Node a, Node b, Node c, Node d) { return Node{{a, b, c, d}}; }
Node split4() { return split(leaf(), leaf(), leaf(), leaf()); }
Node split16() { return split(split4(), split4(), split4(), split4()); }

Node standardTree()
{
    const Node low = split(split(split4(), leaf(), leaf(), leaf()), split4(), split4(), split4());
    const Node level1 = split(low, split16(), split16(), leaf());
    return split(level1, split4(), split4(), leaf());
}

// Lays the tree over a w x h image. A child on the right (bottom) of a split is inverted in
// x (y); an inverted direction puts the shorter half first when the length is odd.
void place(Node &n, Box b, bool invX, bool invY)
{
    n.box = b;
    n.invX = invX;
    n.invY = invY;
    if (n.kids.empty())
        return;
    const int wa = invX ? b.w / 2 : (b.w + 1) / 2, ha = invY ? b.h / 2 : (b.h + 1) / 2;
    place(n.kids[0], {b.x, b.y, wa, ha}, false, false);
    place(n.kids[1], {b.x + wa, b.y, b.w - wa, ha}, true, false);
    place(n.kids[2], {b.x, b.y + ha, wa, b.h - ha}, false, true);
    place(n.kids[3], {b.x + wa, b.y + ha, b.w - wa, b.h - ha}, true, true);
}

void leaves(const Node &n, std::vector<Box> &out)
{
    if (n.kids.empty())
        out.push_back(n.box);
    for (const Node &k : n.kids)
        leaves(k, out);
}

int mirror(int i, int n)  // whole-sample symmetric extension of n samples
{
    if (n == 1)
        return 0;
    const int period = 2 * (n - 1);
    i %= period;
    if (i < 0)
        i += period;
    return i < n ? i : period - i;
}

// Inverse of one 1-D analysis step on a line of n values, given low-pass a and high-pass b.
std::vector<double> synthesise1d(const std::vector<double> &line, bool inverted,
                                 const std::vector<double> &lo, const std::vector<double> &hi)
{
    const int n = int(line.size());
    const int nl = (n + 1) / 2, nh = n / 2;
    std::vector<double> upLow(size_t(n), 0.0), upHigh(size_t(n), 0.0);
    for (int k = 0; k < nl; ++k)
        upLow[size_t(2 * k)] = line[size_t(inverted ? nh + k : k)];
    for (int k = 0; k < nh; ++k)
        upHigh[size_t(2 * k + 1)] = line[size_t(inverted ? k : nl + k)];
    const int lc = int(lo.size()) / 2, hc = int(hi.size()) / 2;
    std::vector<double> out(size_t(n), 0.0);
    for (int i = 0; i < n; ++i) {
        double v = 0.0;
        // synthesis low-pass: the high-pass analysis filter modulated by (-1)^m
        for (int m = -hc; m <= hc; ++m)
            v += ((m & 1) ? -1.0 : 1.0) * hi[size_t(m + hc)] * upLow[size_t(mirror(i - m, n))];
        // synthesis high-pass: the low-pass analysis filter modulated by (-1)^m
        for (int m = -lc; m <= lc; ++m)
            v += ((m & 1) ? -1.0 : 1.0) * lo[size_t(m + lc)] * upHigh[size_t(mirror(i - m, n))];
        out[size_t(i)] = v;
    }
    return out;
}

void synthesiseTree(const Node &n, std::vector<double> &img, int width,
                    const std::vector<double> &lo, const std::vector<double> &hi)
{
    if (n.kids.empty())
        return;
    for (const Node &k : n.kids)
        synthesiseTree(k, img, width, lo, hi);
    const Box b = n.box;
    if (b.w < 1 || b.h < 1)
        return;
    for (int x = 0; x < b.w; ++x) {
        std::vector<double> col(size_t(b.h));
        for (int y = 0; y < b.h; ++y)
            col[size_t(y)] = img[size_t(b.y + y) * width + b.x + x];
        col = synthesise1d(col, n.invY, lo, hi);
        for (int y = 0; y < b.h; ++y)
            img[size_t(b.y + y) * width + b.x + x] = col[size_t(y)];
    }
    for (int y = 0; y < b.h; ++y) {
        std::vector<double> row(img.begin() + std::ptrdiff_t(size_t(b.y + y) * width + b.x),
                                img.begin() + std::ptrdiff_t(size_t(b.y + y) * width + b.x + b.w));
        row = synthesise1d(row, n.invX, lo, hi);
        std::copy(row.begin(), row.end(), img.begin() + std::ptrdiff_t(size_t(b.y + y) * width + b.x));
    }
}

struct Bytes
{
    const std::vector<std::uint8_t> &d;
    size_t p = 0;
    unsigned byte()
    {
        if (p >= d.size())
            throw std::runtime_error("short file");
        return d[p++];
    }
    unsigned word() { unsigned h = byte(); return h * 256 + byte(); }
};

double tenth(unsigned e, double v) { return v / std::pow(10.0, double(e)); }

} // namespace

IndependentImage independentWsqDecode(const std::vector<std::uint8_t> &file)
{
    IndependentImage out;
    try {
        Bytes in{file};
        if (in.word() != 0xFFA0)
            throw std::runtime_error("no SOI");
        int width = 0, height = 0;
        double shift = 0, scale = 1, centre = 0;
        std::vector<double> lo, hi, bin(64, 0.0), zero(64, 0.0);
        std::map<int, std::map<std::pair<int, int>, int>> tables;  // id -> (length, code) -> symbol
        std::vector<long> coefs;
        for (;;) {
            const unsigned m = in.word();
            if (m == 0xFFA1)
                break;
            const size_t start = in.p;
            const unsigned len = in.word();
            if (m == 0xFFA2) {
                in.byte(), in.byte();
                height = int(in.word());
                width = int(in.word());
                unsigned e = in.byte();
                shift = tenth(e, in.word());
                e = in.byte();
                scale = tenth(e, in.word());
            } else if (m == 0xFFA4) {
                const unsigned nl = in.byte(), nh = in.byte();
                for (auto [n, f] : {std::pair{nl, &lo}, std::pair{nh, &hi}}) {
                    f->assign(n, 0.0);
                    for (unsigned i = 0; i <= n / 2; ++i) {
                        const unsigned sign = in.byte(), e = in.byte();
                        const unsigned long v = (unsigned long)in.word() << 16 | in.word();
                        (*f)[n / 2 + i] = (*f)[n / 2 - i] = (sign ? -1.0 : 1.0) * tenth(e, double(v));
                    }
                }
            } else if (m == 0xFFA5) {
                unsigned e = in.byte();
                centre = tenth(e, in.word());
                for (int k = 0; k < 64; ++k) {
                    e = in.byte();
                    bin[size_t(k)] = tenth(e, in.word());
                    e = in.byte();
                    zero[size_t(k)] = tenth(e, in.word());
                }
            } else if (m == 0xFFA6) {
                while (in.p < start + len) {
                    const int id = int(in.byte());
                    int counts[16];
                    for (int &c : counts)
                        c = int(in.byte());
                    auto &t = tables[id];
                    t.clear();
                    int code = 0;
                    for (int l = 1; l <= 16; ++l) {
                        for (int i = 0; i < counts[l - 1]; ++i)
                            t[{l, code++}] = int(in.byte());
                        code <<= 1;
                    }
                }
            } else if (m == 0xFFA3) {
                const auto &t = tables.at(int(in.byte()));
                // entropy-coded bits up to the next marker, one bit at a time
                std::vector<int> bits;
                for (;;) {
                    if (in.p >= file.size())
                        throw std::runtime_error("no end of block");
                    const unsigned b = file[in.p];
                    if (b == 0xFF) {
                        const unsigned next = in.p + 1 < file.size() ? file[in.p + 1] : 0x100;
                        if (next >= 0xB0 && next <= 0xB7) {  // restart: byte boundary
                            in.p += 2;
                            bits.push_back(-1);
                            continue;
                        }
                        if (next != 0x00)
                            break;
                        ++in.p;
                    }
                    ++in.p;
                    for (int i = 7; i >= 0; --i)
                        bits.push_back(int(b >> i) & 1);
                }
                size_t at = 0;
                auto readBits = [&](int n) {
                    long v = 0;
                    for (int i = 0; i < n; ++i) {
                        if (at >= bits.size() || bits[at] < 0)
                            throw std::runtime_error("value cut");
                        v = v * 2 + bits[at++];
                    }
                    return v;
                };
                while (at < bits.size()) {
                    if (bits[at] < 0) {
                        ++at;
                        continue;
                    }
                    int code = 0, l = 0, sym = -1;
                    size_t probe = at;
                    while (l < 16 && probe < bits.size() && bits[probe] >= 0) {
                        code = code * 2 + bits[probe++];
                        ++l;
                        if (auto it = t.find({l, code}); it != t.end()) {
                            sym = it->second;
                            break;
                        }
                    }
                    if (sym < 0) {  // only the padding of the last byte is left
                        while (at < bits.size() && bits[at] == 1)
                            ++at;
                        if (at < bits.size() && bits[at] >= 0)
                            throw std::runtime_error("bad code");
                        continue;
                    }
                    at = probe;
                    if (sym >= 1 && sym <= 100)
                        coefs.insert(coefs.end(), size_t(sym), 0);
                    else if (sym == 101 || sym == 103)
                        coefs.push_back(readBits(sym == 101 ? 8 : 16));
                    else if (sym == 102 || sym == 104)
                        coefs.push_back(-readBits(sym == 102 ? 8 : 16));
                    else if (sym == 105 || sym == 106)
                        coefs.insert(coefs.end(), size_t(readBits(sym == 105 ? 8 : 16)), 0);
                    else if (sym > 106 && sym < 255)
                        coefs.push_back(sym - 180);
                    else
                        throw std::runtime_error("bad symbol");
                }
                continue;  // the marker that ended the block is read next
            }
            in.p = start + len;
        }

        Node tree = standardTree();
        place(tree, {0, 0, width, height}, false, false);
        std::vector<Box> bands;
        leaves(tree, bands);
        std::vector<double> img(size_t(width) * height, 0.0);
        size_t next = 0;
        for (int k = 0; k < 60; ++k) {
            if (bin[size_t(k)] == 0.0)
                continue;
            const Box b = bands[size_t(k)];
            for (int y = 0; y < b.h; ++y)
                for (int x = 0; x < b.w; ++x) {
                    const double q = next < coefs.size() ? double(coefs[next]) : 0.0;
                    ++next;
                    double v = 0.0;
                    if (q > 0)
                        v = bin[size_t(k)] * (q - centre) + zero[size_t(k)] / 2;
                    else if (q < 0)
                        v = bin[size_t(k)] * (q + centre) - zero[size_t(k)] / 2;
                    img[size_t(b.y + y) * width + b.x + x] = v;
                }
        }
        synthesiseTree(tree, img, width, lo, hi);
        out.width = width;
        out.height = height;
        out.pixels.resize(img.size());
        for (size_t i = 0; i < img.size(); ++i)
            out.pixels[i] = std::uint8_t(std::clamp(std::floor(img[i] * scale + shift + 0.5), 0.0, 255.0));
    } catch (const std::exception &e) {
        out.error = e.what();
    }
    return out;
}

} // namespace qal::test

// WSQ encoder: mean/scale normalisation, 64-subband wavelet decomposition, scalar quantisation
// with bin widths from the subband variances for a target bit rate (the standard's encoder
// guidelines), and Huffman coding of three blocks.

#include "biometrics/wsq/WsqCodec.h"
#include "biometrics/wsq/WsqInternal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qal::wsq {

using namespace detail;

namespace {

class ByteWriter
{
public:
    void u8(unsigned v) { out.push_back(std::uint8_t(v)); }
    void u16(unsigned v) { u8(v >> 8), u8(v & 0xFF); }
    void u32(std::uint32_t v) { u16(v >> 16), u16(v & 0xFFFF); }
    std::vector<std::uint8_t> out;
};

// A positive value as an integer scaled by 10^-exponent, with as many digits as fit below
// `limit` (the representation decoders read back).
struct Scaled
{
    unsigned exponent = 0;
    std::uint64_t value = 0;
    double decoded() const { return double(value) / std::pow(10.0, double(exponent)); }
};

Scaled scaled(double v, double limit)
{
    Scaled s;
    if (!(v > 0.0) || !std::isfinite(v))
        return s;
    double t = v;
    unsigned e = 0;
    while (e < 255 && std::round(t * 10.0) <= limit) {
        t *= 10.0;
        ++e;
    }
    s.exponent = e;
    s.value = std::uint64_t(std::min(std::round(t), limit));
    return s;
}

class BitWriter
{
public:
    explicit BitWriter(std::vector<std::uint8_t> &out) : out_(out) {}
    void put(std::uint32_t bits, int count)
    {
        acc_ = (acc_ << count) | (bits & ((1u << count) - 1u));
        n_ += count;
        while (n_ >= 8) {
            n_ -= 8;
            byte(std::uint8_t(acc_ >> n_));
        }
    }
    // Pads the last byte with ones.
    void flush()
    {
        if (n_ > 0)
            put((1u << (8 - n_)) - 1u, 8 - n_);
        acc_ = 0;
    }
    void marker(std::uint16_t m)
    {
        flush();
        out_.push_back(std::uint8_t(m >> 8));
        out_.push_back(std::uint8_t(m & 0xFF));
    }

private:
    void byte(std::uint8_t b)
    {
        out_.push_back(b);
        if (b == 0xFF)
            out_.push_back(0x00);
    }
    std::vector<std::uint8_t> &out_;
    std::uint64_t acc_ = 0;
    int n_ = 0;
};

// Turns a block's quantised coefficients into (symbol, extra bits, extra count) and hands
// them to `emit`.
template <typename Emit>
void symbolsOf(const std::vector<int> &coefs, Emit &&emit)
{
    std::uint32_t run = 0;
    auto flushRun = [&] {
        while (run > 0) {
            const std::uint32_t r = std::min<std::uint32_t>(run, 0xFFFF);
            if (r <= kMaxZeroRunSymbol)
                emit(int(r), 0u, 0);
            else if (r <= 0xFF)
                emit(kRun8, r, 8);
            else
                emit(kRun16, r, 16);
            run -= r;
        }
    };
    for (int v : coefs) {
        if (v == 0) {
            ++run;
            continue;
        }
        flushRun();
        if (v >= kMinDirect && v <= kMaxDirect)
            emit(v + kCoefficientBias, 0u, 0);
        else if (v > 0)
            v <= 0xFF ? emit(kPos8, unsigned(v), 8) : emit(kPos16, unsigned(v), 16);
        else
            -v <= 0xFF ? emit(kNeg8, unsigned(-v), 8) : emit(kNeg16, unsigned(-v), 16);
    }
    flushRun();
}

void writeTable(ByteWriter &w, int id, const HuffmanTable &t)
{
    w.u16(DHT);
    w.u16(unsigned(2 + 1 + 16 + t.values.size()));
    w.u8(unsigned(id));
    for (auto b : t.bits)
        w.u8(b);
    for (auto v : t.values)
        w.u8(v);
}

double subbandVariance(const float *img, int width, const Rect &r, bool central)
{
    int x0 = r.x, y0 = r.y, w = r.w, h = r.h;
    if (central) {  // the central part of the subband, as the standard's encoder samples it
        x0 += r.w / 8;
        y0 += (9 * r.h) / 32;
        w = (3 * r.w) / 4;
        h = (7 * r.h) / 16;
    }
    const double n = double(w) * double(h);
    if (n < 2.0)
        return 0.0;
    double sum = 0.0, ssq = 0.0;
    for (int y = 0; y < h; ++y) {
        const float *p = img + size_t(y0 + y) * width + x0;
        for (int x = 0; x < w; ++x) {
            sum += p[x];
            ssq += double(p[x]) * p[x];
        }
    }
    return (ssq - sum * sum / n) / (n - 1.0);
}

} // namespace

std::vector<std::uint8_t> encode(const std::uint8_t *pixels, int width, int height,
                                 const EncodeOptions &options)
{
    if (!pixels || width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF)
        throw WsqError("invalid image size for WSQ");
    if (!(options.bitRate > 0.0f) || options.bitRate > 64.0f)
        throw WsqError("invalid WSQ bit rate");
    const size_t count = size_t(width) * size_t(height);

    // Shift to zero mean and scale into [-128, 128], with the values as the file states them.
    double sum = 0.0;
    int lo = 255, hi = 0;
    for (size_t i = 0; i < count; ++i) {
        sum += pixels[i];
        lo = std::min<int>(lo, pixels[i]);
        hi = std::max<int>(hi, pixels[i]);
    }
    const double mean = sum / double(count);
    double range = std::max(mean - lo, hi - mean) / 128.0;
    if (!(range > 0.0))
        range = 1.0;
    const Scaled shiftField = scaled(mean, 65535.0), scaleField = scaled(range, 65535.0);
    const float shift = float(shiftField.decoded()), scale = float(scaleField.decoded());

    std::vector<float> img(count);
    for (size_t i = 0; i < count; ++i)
        img[i] = (float(pixels[i]) - shift) / scale;

    const Layout layout = makeLayout(width, height);
    const Filters &filters = standardFilters();
    analyse(img.data(), width, height, layout, filters);

    // Subband variances: over the central part, or over the whole subbands for images whose
    // lowest subbands carry little energy.
    std::array<double, kCodedSubbands> var{};
    double lowSum = 0.0;
    for (int k = 0; k < 4; ++k)
        lowSum += (var[size_t(k)] = subbandVariance(img.data(), width, layout.bands[size_t(k)], true));
    const bool whole = lowSum < 20000.0;
    for (int k = whole ? 0 : 4; k < kCodedSubbands; ++k)
        var[size_t(k)] = subbandVariance(img.data(), width, layout.bands[size_t(k)], !whole);

    // Relative bin widths, then the scale q that meets the bit rate. Subbands that would get
    // no bits at that q leave the rate budget and q is found again; every subband with a
    // variance above the threshold is still coded with the final q.
    std::array<double, kCodedSubbands> rel{}, weight{};
    std::array<bool, kCodedSubbands> coded{}, budgeted{};
    for (int k = 0; k < kCodedSubbands; ++k) {
        double a = 1.0;
        switch (k) {
        case 52: case 56: a = 1.32; break;
        case 54: case 57: a = 1.42; break;
        case 53: case 55: case 58: case 59: a = 1.08; break;
        default: break;
        }
        weight[size_t(k)] = k < 4 ? 1.0 / 1024.0 : (k < 51 ? 1.0 / 256.0 : 1.0 / 16.0);
        coded[size_t(k)] = var[size_t(k)] >= 1.01;
        if (coded[size_t(k)])
            rel[size_t(k)] = k < 4 ? 1.0 : 10.0 / (a * std::log(var[size_t(k)]));
    }
    budgeted = coded;
    double q = 1.0;
    for (;;) {
        double s = 0.0, logP = 0.0;
        for (int k = 0; k < kCodedSubbands; ++k)
            if (budgeted[size_t(k)]) {
                s += weight[size_t(k)];
                logP += weight[size_t(k)] * std::log(std::sqrt(var[size_t(k)]) / rel[size_t(k)]);
            }
        if (s <= 0.0)
            break;
        q = std::pow(2.0, double(options.bitRate) / s - 1.0) / 2.5 / std::exp(logP / s);
        bool dropped = false;
        for (int k = 0; k < kCodedSubbands; ++k)
            if (budgeted[size_t(k)] && rel[size_t(k)] / q >= 5.0 * std::sqrt(var[size_t(k)])) {
                budgeted[size_t(k)] = false;
                dropped = true;
            }
        if (!dropped)
            break;
    }
    std::array<Scaled, kSubbands> binField{}, zeroField{};
    for (int k = 0; k < kCodedSubbands; ++k)
        if (coded[size_t(k)]) {
            binField[size_t(k)] = scaled(rel[size_t(k)] / q, 65535.0);
            zeroField[size_t(k)] = scaled(1.2 * rel[size_t(k)] / q, 65535.0);
            if (binField[size_t(k)].value == 0)
                zeroField[size_t(k)] = {};
        }

    // Quantise into the three blocks.
    std::array<std::vector<int>, 3> blocks;
    for (int b = 0; b < 3; ++b) {
        size_t n = 0;
        for (int k = kBlockStart[size_t(b)]; k < kBlockStart[size_t(b + 1)]; ++k)
            if (binField[size_t(k)].value)
                n += size_t(layout.bands[size_t(k)].w) * size_t(layout.bands[size_t(k)].h);
        blocks[size_t(b)].reserve(n);
        for (int k = kBlockStart[size_t(b)]; k < kBlockStart[size_t(b + 1)]; ++k) {
            if (!binField[size_t(k)].value)
                continue;
            const float binW = float(binField[size_t(k)].decoded());
            const float halfZ = float(zeroField[size_t(k)].decoded() / 2.0);
            const Rect &r = layout.bands[size_t(k)];
            for (int y = 0; y < r.h; ++y) {
                const float *p = img.data() + size_t(r.y + y) * width + r.x;
                for (int x = 0; x < r.w; ++x) {
                    const float c = p[x];
                    int v = 0;
                    if (c > halfZ)
                        v = int(std::min((c - halfZ) / binW + 1.0f, 65535.0f));
                    else if (c < -halfZ)
                        v = -int(std::min((-c - halfZ) / binW + 1.0f, 65535.0f));
                    blocks[size_t(b)].push_back(v);
                }
            }
        }
    }

    // Huffman tables: one for the first block, one shared by the other two.
    std::array<std::array<std::uint32_t, 256>, 2> counts{};
    for (int b = 0; b < 3; ++b) {
        auto &c = counts[b == 0 ? 0 : 1];
        symbolsOf(blocks[size_t(b)], [&](int sym, unsigned, int) { ++c[size_t(sym)]; });
    }
    const std::array<HuffmanTable, 2> tables = {buildHuffmanTable(counts[0]), buildHuffmanTable(counts[1])};
    const std::array<HuffmanCodes, 2> codes = {assignCodes(tables[0]), assignCodes(tables[1])};

    ByteWriter w;
    w.out.reserve(count / 8 + 2048);
    w.u16(SOI);
    auto comment = [&](const std::string &text) {
        const size_t n = std::min<size_t>(text.size(), 0xFFFF - 2);
        w.u16(COM);
        w.u16(unsigned(n + 2));
        w.out.insert(w.out.end(), text.begin(), text.begin() + std::ptrdiff_t(n));
    };
    if (options.ppi >= 0) {
        char buf[256];
        std::snprintf(buf, sizeof buf,
                      "NIST_COM 9\nPIX_WIDTH %d\nPIX_HEIGHT %d\nPIX_DEPTH 8\nPPI %d\nLOSSY 1\n"
                      "COLORSPACE GRAY\nCOMPRESSION WSQ\nWSQ_BITRATE %f",
                      width, height, options.ppi, double(options.bitRate));
        comment(buf);
    }
    if (!options.comment.empty())
        comment(options.comment);

    // transform table: each filter from its centre outwards
    w.u16(DTT);
    w.u16(unsigned(4 + 6 * (filters.lo.size() / 2 + 1 + filters.hi.size() / 2 + 1)));
    w.u8(unsigned(filters.lo.size()));
    w.u8(unsigned(filters.hi.size()));
    for (const auto *f : {&filters.lo, &filters.hi})
        for (size_t i = f->size() / 2; i < f->size(); ++i) {
            const double v = (*f)[i];
            const Scaled s = scaled(std::fabs(v), 4294967295.0);
            w.u8(v < 0 ? 1 : 0);
            w.u8(s.exponent);
            w.u32(std::uint32_t(s.value));
        }

    w.u16(DQT);
    w.u16(2 + 3 + 6 * kSubbands);
    w.u8(2);
    w.u16(44);  // bin centre 0.44
    for (int k = 0; k < kSubbands; ++k) {
        w.u8(binField[size_t(k)].exponent);
        w.u16(unsigned(binField[size_t(k)].value));
        w.u8(zeroField[size_t(k)].exponent);
        w.u16(unsigned(zeroField[size_t(k)].value));
    }

    w.u16(SOF);
    w.u16(17);
    w.u8(0);    // black
    w.u8(255);  // white
    w.u16(unsigned(height));
    w.u16(unsigned(width));
    w.u8(shiftField.exponent);
    w.u16(unsigned(shiftField.value));
    w.u8(scaleField.exponent);
    w.u16(unsigned(scaleField.value));
    w.u8(2);    // encoder number
    w.u16(0);   // software implementation number

    if (options.restartInterval > 0) {
        w.u16(DRT);
        w.u16(4);
        w.u16(unsigned(std::min(options.restartInterval, 0xFFFF)));
    }

    for (int b = 0; b < 3; ++b) {
        const int t = b == 0 ? 0 : 1;
        if (b < 2)
            writeTable(w, t, tables[size_t(t)]);
        w.u16(SOB);
        w.u16(3);
        w.u8(unsigned(t));
        BitWriter bits(w.out);
        int sinceRestart = 0, restart = 0;
        symbolsOf(blocks[size_t(b)], [&](int sym, unsigned extra, int extraBits) {
            if (options.restartInterval > 0 && sinceRestart == options.restartInterval) {
                bits.marker(std::uint16_t(RST0 + (restart++ & 7)));
                sinceRestart = 0;
            }
            bits.put(codes[size_t(t)].code[size_t(sym)], codes[size_t(t)].length[size_t(sym)]);
            if (extraBits)
                bits.put(extra, extraBits);
            ++sinceRestart;
        });
        bits.flush();
    }
    w.u16(EOI);
    return std::move(w.out);
}

} // namespace qal::wsq

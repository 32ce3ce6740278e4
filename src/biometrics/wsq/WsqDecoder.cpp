// WSQ decoder: reads the marker segments in any order the standard allows (tables may come
// anywhere before the block that needs them, comments anywhere, restart markers inside the
// coded data), then dequantises and runs the inverse transform.
//
// Nothing is allocated from a size a header states before that size has been checked
// against the caller's limit; every read is bounds-checked.

#include "biometrics/wsq/WsqCodec.h"
#include "biometrics/wsq/WsqInternal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <string_view>

namespace qal::wsq {

using namespace detail;

namespace {

// Far longer than any filter bank in use (9 and 7 taps); keeps hostile tables from making
// the transform arbitrarily slow.
constexpr unsigned kMaxFilterLength = 63;

[[noreturn]] void fail(const char *what)
{
    throw WsqError(what);
}

class Reader
{
public:
    explicit Reader(std::span<const std::uint8_t> d) : d_(d) {}
    size_t pos() const { return pos_; }
    void seek(size_t p) { pos_ = p; }
    size_t left() const { return d_.size() - pos_; }
    unsigned u8()
    {
        if (left() < 1)
            fail("WSQ data ends early");
        return d_[pos_++];
    }
    unsigned u16()
    {
        const unsigned hi = u8();
        return (hi << 8) | u8();
    }
    std::uint32_t u32()
    {
        const std::uint32_t hi = u16();
        return (hi << 16) | u16();
    }
    std::span<const std::uint8_t> data() const { return d_; }

private:
    std::span<const std::uint8_t> d_;
    size_t pos_ = 0;
};

double unscale(unsigned exponent, double value)
{
    return value / std::pow(10.0, double(exponent));
}

struct Frame
{
    int width = 0, height = 0;
    float shift = 0, scale = 1;
};

struct Quantisation
{
    float binCentre = 0;
    std::array<float, kSubbands> bin{}, zero{};
};

class DecodeTable
{
public:
    void build(const std::array<std::uint8_t, 16> &bits, std::vector<std::uint8_t> values)
    {
        values_ = std::move(values);
        lut_.fill(0);
        int code = 0, k = 0;
        for (int len = 1; len <= 16; ++len) {
            const int n = bits[size_t(len - 1)];
            if (code + n > (1 << len))  // more codes of this length than there is room for
                fail("invalid WSQ Huffman table");
            valptr_[size_t(len)] = k;
            mincode_[size_t(len)] = code;
            maxcode_[size_t(len)] = n ? code + n - 1 : -1;
            for (int i = 0; i < n && len <= kLutBits; ++i) {
                const int c = code + i;
                const int first = c << (kLutBits - len), last = (c + 1) << (kLutBits - len);
                for (int e = first; e < last; ++e)
                    lut_[size_t(e)] = std::uint16_t((len << 8) | values_[size_t(k + i)]);
            }
            code += n;
            k += n;
            code <<= 1;
        }
        defined_ = true;
    }
    bool defined() const { return defined_; }

    // Decodes one symbol from the top of `peek` (16 bits); returns the code length, 0 when no
    // code matches.
    int decode(unsigned peek, int &symbol) const
    {
        const std::uint16_t e = lut_[peek >> (16 - kLutBits)];
        if (e) {
            symbol = e & 0xFF;
            return e >> 8;
        }
        for (int len = kLutBits + 1; len <= 16; ++len) {
            const int c = int(peek >> (16 - len));
            if (c <= maxcode_[size_t(len)]) {
                if (c < mincode_[size_t(len)])
                    return 0;
                symbol = values_[size_t(valptr_[size_t(len)] + c - mincode_[size_t(len)])];
                return len;
            }
        }
        return 0;
    }

private:
    static constexpr int kLutBits = 9;
    bool defined_ = false;
    std::array<int, 17> maxcode_{}, mincode_{}, valptr_{};
    std::vector<std::uint8_t> values_;
    std::array<std::uint16_t, 1 << kLutBits> lut_{};
};

// Bits of the entropy-coded data after an SOB: removes the stuffed zero bytes and stops at
// the first marker. Restart markers are stepped over on request.
class BitReader
{
public:
    BitReader(std::span<const std::uint8_t> d, size_t pos) : d_(d), pos_(pos) {}

    void fill()
    {
        while (n_ <= 56 && !atMarker_) {
            if (pos_ >= d_.size()) {
                atMarker_ = true;
                break;
            }
            const std::uint8_t b = d_[pos_];
            if (b == 0xFF) {
                if (pos_ + 1 >= d_.size() || d_[pos_ + 1] != 0x00) {
                    atMarker_ = true;
                    break;
                }
                pos_ += 2;
            } else {
                ++pos_;
            }
            acc_ |= std::uint64_t(b) << (56 - n_);
            n_ += 8;
        }
    }
    int available() const { return n_; }
    bool atMarker() const { return atMarker_; }
    // Next 16 bits, padded with ones past the available ones.
    unsigned peek16() const
    {
        std::uint64_t a = acc_;
        if (n_ < 16)
            a |= ~std::uint64_t(0) >> n_;
        return unsigned(a >> 48);
    }
    unsigned take(int n)
    {
        const unsigned v = unsigned(acc_ >> (64 - n));
        acc_ <<= n;
        n_ -= n;
        return v;
    }
    // At a restart marker: step over it and start on a byte boundary.
    bool restart()
    {
        if (!atMarker_ || pos_ + 1 >= d_.size() || d_[pos_] != 0xFF)
            return false;
        const unsigned m = 0xFF00u | d_[pos_ + 1];
        if (m < RST0 || m > RST7)
            return false;
        pos_ += 2;
        acc_ = 0;
        n_ = 0;
        atMarker_ = false;
        return true;
    }
    size_t pos() const { return pos_; }

private:
    std::span<const std::uint8_t> d_;
    size_t pos_;
    std::uint64_t acc_ = 0;
    int n_ = 0;
    bool atMarker_ = false;
};

class Decoder
{
public:
    Decoder(std::span<const std::uint8_t> data, const DecodeLimits &limits) : r_(data), limits_(limits) {}

    DecodedImage run()
    {
        if (r_.left() < 2 || r_.u16() != SOI)
            fail("not a WSQ file (no SOI marker)");
        for (;;) {
            const unsigned m = r_.u16();
            if (m == EOI)
                break;
            if (m >= RST0 && m <= RST7)
                continue;  // a restart marker after the last coded byte of a block
            if (m == SOI || (m >> 8) != 0xFF)
                fail("invalid WSQ marker");
            const unsigned len = r_.u16();
            if (len < 2 || len - 2 > r_.left())
                fail("WSQ segment runs past the end of the data");
            const size_t end = r_.pos() + len - 2;
            switch (m) {
            case SOF: readFrame(); break;
            case SOB: readBlock(end); break;
            case DTT: readTransform(end); break;
            case DQT: readQuantisation(); break;
            case DHT: readHuffman(end); break;
            case DRT: break;  // restart markers are recognised wherever they occur
            case COM: readComment(end); break;
            default: fail("unknown WSQ marker");
            }
            if (m != SOB) {
                if (r_.pos() > end)
                    fail("WSQ segment longer than its stated length");
                r_.seek(end);
            }
        }
        if (!frame_)
            fail("WSQ file has no frame header");
        if (!quant_)
            fail("WSQ file has no quantisation table");
        if (!filters_)
            fail("WSQ file has no transform table");
        return reconstruct();
    }

private:
    void readFrame()
    {
        if (frame_)
            fail("WSQ file has two frame headers");
        Frame f;
        r_.u8();  // black
        r_.u8();  // white
        f.height = int(r_.u16());
        f.width = int(r_.u16());
        const unsigned em = r_.u8();
        const unsigned mv = r_.u16();
        const unsigned er = r_.u8();
        const unsigned rv = r_.u16();
        f.shift = float(unscale(em, mv));
        f.scale = float(unscale(er, rv));
        if (f.width < 1 || f.height < 1)
            fail("WSQ frame has no pixels");
        if (size_t(f.width) * size_t(f.height) > limits_.maxPixels)
            fail("WSQ image too large");
        frame_ = f;
    }

    void readTransform(size_t end)
    {
        const unsigned nlo = r_.u8(), nhi = r_.u8();
        if (nlo % 2 == 0 || nhi % 2 == 0)
            fail("unsupported WSQ transform table (even-length filters)");
        if (nlo > kMaxFilterLength || nhi > kMaxFilterLength)
            fail("unsupported WSQ transform table (filters too long)");
        Filters f;
        for (auto [n, out] : {std::pair{nlo, &f.lo}, std::pair{nhi, &f.hi}}) {
            out->assign(n, 0.0f);
            const unsigned c = n / 2;
            for (unsigned i = 0; i <= c; ++i) {
                if (r_.pos() + 6 > end)
                    fail("WSQ transform table too short");
                const unsigned sign = r_.u8(), exponent = r_.u8();
                const std::uint32_t v = r_.u32();
                float value = float(unscale(exponent, v));
                if (sign)
                    value = -value;
                (*out)[c + i] = (*out)[c - i] = value;
            }
        }
        filters_ = std::move(f);
    }

    void readQuantisation()
    {
        Quantisation q;
        const unsigned ec = r_.u8();
        q.binCentre = float(unscale(ec, r_.u16()));
        for (int k = 0; k < kSubbands; ++k) {
            const unsigned eq = r_.u8();
            q.bin[size_t(k)] = float(unscale(eq, r_.u16()));
            const unsigned ez = r_.u8();
            q.zero[size_t(k)] = float(unscale(ez, r_.u16()));
        }
        quant_ = q;
    }

    void readHuffman(size_t end)
    {
        while (r_.pos() < end) {
            const unsigned id = r_.u8();
            if (id >= tables_.size())
                fail("invalid WSQ Huffman table number");
            std::array<std::uint8_t, 16> bits{};
            size_t total = 0;
            for (auto &b : bits)
                total += (b = std::uint8_t(r_.u8()));
            if (total > 256 || r_.pos() + total > end)
                fail("invalid WSQ Huffman table");
            std::vector<std::uint8_t> values(total);
            for (auto &v : values)
                v = std::uint8_t(r_.u8());
            tables_[id].build(bits, std::move(values));
        }
    }

    void readComment(size_t end)
    {
        const auto d = r_.data().subspan(r_.pos(), end - r_.pos());
        const std::string_view text(reinterpret_cast<const char *>(d.data()), d.size());
        if (text.rfind("NIST_COM", 0) != 0)
            return;
        size_t at = 0;
        while (at < text.size()) {
            size_t nl = text.find('\n', at);
            if (nl == std::string_view::npos)
                nl = text.size();
            const std::string_view line = text.substr(at, nl - at);
            if (line.rfind("PPI ", 0) == 0) {
                int v = 0;
                bool digits = line.size() > 4;
                for (char c : line.substr(4)) {
                    if (c < '0' || c > '9' || v > 100000) {
                        digits = false;
                        break;
                    }
                    v = v * 10 + (c - '0');
                }
                if (digits)
                    ppi_ = v;
            }
            at = nl + 1;
        }
    }

    void readBlock(size_t end)
    {
        if (!frame_)
            fail("WSQ block before the frame header");
        if (end < r_.pos() + 1)
            fail("WSQ block header too short");
        const unsigned id = r_.u8();
        if (id >= tables_.size() || !tables_[id].defined())
            fail("WSQ block uses an undefined Huffman table");
        const DecodeTable &table = tables_[id];
        r_.seek(end);  // the coded data follows the header, whatever length it states
        const size_t capacity = size_t(frame_->width) * size_t(frame_->height);
        BitReader bits(r_.data(), r_.pos());
        auto append = [&](int value, size_t repeat) {
            if (repeat > capacity - coefs_.size())
                fail("WSQ coefficient data longer than the image");
            if (coefs_.capacity() == 0)
                coefs_.reserve(std::min<size_t>(capacity, r_.data().size() * 4 + 4096));
            coefs_.insert(coefs_.end(), repeat, value);
        };
        for (;;) {
            bits.fill();
            int symbol = 0;
            const int len = bits.available() ? table.decode(bits.peek16(), symbol) : 0;
            if (len == 0 || len > bits.available()) {
                if (!bits.atMarker() || (len == 0 && bits.available() >= 16))
                    fail("invalid WSQ Huffman code");
                if (bits.restart())
                    continue;
                break;  // padding before the next marker: the block is complete
            }
            bits.take(len);
            auto extra = [&](int n) {
                if (bits.available() < n)
                    fail("WSQ coded data ends inside a value");
                return bits.take(n);
            };
            if (symbol >= 1 && symbol <= kMaxZeroRunSymbol)
                append(0, size_t(symbol));
            else if (symbol > kRun16 && symbol < 0xFF)
                append(symbol - kCoefficientBias, 1);
            else if (symbol == kPos8)
                append(int(extra(8)), 1);
            else if (symbol == kNeg8)
                append(-int(extra(8)), 1);
            else if (symbol == kPos16)
                append(int(extra(16)), 1);
            else if (symbol == kNeg16)
                append(-int(extra(16)), 1);
            else if (symbol == kRun8)
                append(0, extra(8));
            else if (symbol == kRun16)
                append(0, extra(16));
            else
                fail("invalid WSQ coefficient symbol");
        }
        r_.seek(bits.pos());
    }

    DecodedImage reconstruct()
    {
        const Frame &f = *frame_;
        const Quantisation &q = *quant_;
        const Layout layout = makeLayout(f.width, f.height);
        std::vector<float> img(size_t(f.width) * size_t(f.height), 0.0f);
        size_t next = 0;
        for (int k = 0; k < kCodedSubbands; ++k) {
            const float bin = q.bin[size_t(k)];
            if (bin == 0.0f)
                continue;
            const float halfZero = q.zero[size_t(k)] / 2.0f;
            const Rect &r = layout.bands[size_t(k)];
            for (int y = 0; y < r.h; ++y) {
                float *p = img.data() + size_t(r.y + y) * f.width + r.x;
                for (int x = 0; x < r.w; ++x, ++next) {
                    const int v = next < coefs_.size() ? coefs_[next] : 0;
                    if (v > 0)
                        p[x] = bin * (float(v) - q.binCentre) + halfZero;
                    else if (v < 0)
                        p[x] = bin * (float(v) + q.binCentre) - halfZero;
                }
            }
        }
        if (next < coefs_.size())
            fail("WSQ coefficient data longer than the image");
        synthesise(img.data(), f.width, f.height, layout, *filters_);

        DecodedImage out;
        out.width = f.width;
        out.height = f.height;
        out.ppi = ppi_;
        out.pixels.resize(img.size());
        for (size_t i = 0; i < img.size(); ++i) {
            const float v = img[i] * f.scale + f.shift + 0.5f;
            // hostile tables can make values infinite or NaN: those become black
            out.pixels[i] = v >= 0.0f ? (v > 255.0f ? 255 : std::uint8_t(v)) : 0;
        }
        return out;
    }

    Reader r_;
    DecodeLimits limits_;
    std::optional<Frame> frame_;
    std::optional<Quantisation> quant_;
    std::optional<Filters> filters_;
    std::array<DecodeTable, 8> tables_;
    std::vector<int> coefs_;
    int ppi_ = -1;
};

} // namespace

DecodedImage decode(std::span<const std::uint8_t> data, const DecodeLimits &limits)
{
    return Decoder(data, limits).run();
}

} // namespace qal::wsq

// Subband layout and the two-channel filter bank of the FBI WSQ standard.
//
// Each split filters a region along x and then along y with the 9/7 biorthogonal pair, using
// whole-sample symmetric extension of the signal. Low-pass outputs sit on the even samples and
// high-pass outputs on the odd ones; a low-pass band of an odd length gets the extra sample.
// Regions to the right (bottom) of their parent's split are "inverted" in x (y): their own
// split stores the high-pass half first, which also puts the shorter half first.

#include "biometrics/wsq/WsqInternal.h"

#include <algorithm>
#include <utility>

namespace qal::wsq::detail {

namespace {

std::pair<int, int> halves(int len, bool inverted)
{
    const int big = (len + 1) / 2, small = len / 2;
    return inverted ? std::pair{small, big} : std::pair{big, small};
}

std::array<Split, 4> quadrants(const Split &s)
{
    const auto [fx, sx] = halves(s.r.w, s.invX);
    const auto [fy, sy] = halves(s.r.h, s.invY);
    const int x = s.r.x, y = s.r.y;
    return {Split{{x, y, fx, fy}, false, false}, Split{{x + fx, y, sx, fy}, true, false},
            Split{{x, y + fy, fx, sy}, false, true}, Split{{x + fx, y + fy, sx, sy}, true, true}};
}

// Index into a symmetrically extended sequence of n samples. `wholeLeft`: mirrored about
// sample 0 (else about -1/2); `wholeRight`: about sample n-1 (else about n-1/2).
int reflect(int i, int n, bool wholeLeft, bool wholeRight)
{
    if (n == 1 && wholeLeft && wholeRight)
        return 0;
    while (i < 0 || i >= n) {
        if (i < 0)
            i = wholeLeft ? -i : -1 - i;
        if (i >= n)
            i = wholeRight ? 2 * (n - 1) - i : 2 * n - 1 - i;
    }
    return i;
}

struct Tap
{
    int offset;
    float coef;
};

// Synthesis taps for the even and the odd output samples: output 2j (2j+1) is the sum over the
// low taps of coef * L[j + offset] plus the sum over the high taps of coef * H[j + offset].
struct SynthesisTaps
{
    std::vector<Tap> lowEven, highEven, lowOdd, highOdd;
    int margin = 0;
};

SynthesisTaps synthesisTaps(const Filters &f)
{
    // Synthesis low-pass g0[m] = (-1)^m hi[m + hc], high-pass g1[m] = (-1)^m lo[m + lc];
    // x[n] = sum_k L[k] g0[n - 2k] + sum_k H[k] g1[n - 2k - 1].
    SynthesisTaps t;
    const int lc = int(f.lo.size()) / 2, hc = int(f.hi.size()) / 2;
    auto sign = [](int m) { return (m % 2 == 0) ? 1.0f : -1.0f; };
    for (int m = -hc; m <= hc; ++m) {
        const float g0 = sign(m) * f.hi[m + hc];
        if (m % 2 == 0)
            t.lowEven.push_back({-m / 2, g0});        // n = 2j: k = j - m/2
        else
            t.lowOdd.push_back({-(m - 1) / 2, g0});   // n = 2j+1: k = j - (m-1)/2
    }
    for (int m = -lc; m <= lc; ++m) {
        const float g1 = sign(m) * f.lo[m + lc];
        if (m % 2 != 0)
            t.highEven.push_back({-(m + 1) / 2, g1}); // n = 2j: k = j - (m+1)/2
        else
            t.highOdd.push_back({-m / 2, g1});        // n = 2j+1: k = j - m/2
    }
    t.margin = std::max(lc, hc) / 2 + 2;
    return t;
}

// Extension rules of the two bands of a signal of length n (see the header comment).
bool lowWholeRight(int n) { return n % 2 == 1; }
bool highWholeRight(int n) { return n % 2 == 0; }

// out[x] = sum over t of coef[t] * rows[t][x], for x < width. The one loop the transform
// spends its time in; written so that the compiler vectorises it.
void combine(float *__restrict out, const float *const *rows, const float *coef, int taps, int width)
{
    int t = 0;
    if (taps >= 2) {
        const float *__restrict a = rows[0], *__restrict b = rows[1];
        const float ca = coef[0], cb = coef[1];
        for (int x = 0; x < width; ++x)
            out[x] = a[x] * ca + b[x] * cb;
        t = 2;
    } else if (taps == 1) {
        const float *__restrict a = rows[0];
        for (int x = 0; x < width; ++x)
            out[x] = a[x] * coef[0];
        t = 1;
    } else {
        std::fill_n(out, width, 0.0f);
    }
    for (; t + 1 < taps; t += 2) {
        const float *__restrict a = rows[t], *__restrict b = rows[t + 1];
        const float ca = coef[t], cb = coef[t + 1];
        for (int x = 0; x < width; ++x)
            out[x] += a[x] * ca + b[x] * cb;
    }
    if (t < taps) {
        const float *__restrict a = rows[t];
        const float ca = coef[t];
        for (int x = 0; x < width; ++x)
            out[x] += a[x] * ca;
    }
}

// The filter bank runs down the columns of a block of `width` columns and `n` rows (row
// stride `stride`), so that each step works on whole rows at once; filtering along x
// transposes the region first.
class Transform
{
public:
    Transform(float *image, int width, const Filters &f) : img_(image), width_(width), f_(f), taps_(synthesisTaps(f))
    {
        for (const Tap &t : taps_.lowEven)
            evenCoef_.push_back(t.coef);
        for (const Tap &t : taps_.highEven)
            evenCoef_.push_back(t.coef);
        for (const Tap &t : taps_.lowOdd)
            oddCoef_.push_back(t.coef);
        for (const Tap &t : taps_.highOdd)
            oddCoef_.push_back(t.coef);
    }

    void analyseRows(const Rect &r, bool inv)
    {
        if (r.w < 1 || r.h < 1)
            return;
        transposeIn(r);
        analyseColumns(trans_.data(), r.h, r.h, r.w, inv);
        transposeOut(r);
    }
    void analyseColumns(const Rect &r, bool inv)
    {
        if (r.w < 1 || r.h < 1)
            return;
        analyseColumns(img_ + size_t(r.y) * width_ + r.x, width_, r.w, r.h, inv);
    }
    void synthesiseRows(const Rect &r, bool inv)
    {
        if (r.w < 1 || r.h < 1)
            return;
        transposeIn(r);
        synthesiseColumns(trans_.data(), r.h, r.h, r.w, inv);
        transposeOut(r);
    }
    void synthesiseColumns(const Rect &r, bool inv)
    {
        if (r.w < 1 || r.h < 1)
            return;
        synthesiseColumns(img_ + size_t(r.y) * width_ + r.x, width_, r.w, r.h, inv);
    }

private:
    void analyseColumns(float *base, int stride, int width, int n, bool inv)
    {
        const int lc = int(f_.lo.size()) / 2, hc = int(f_.hi.size()) / 2;
        const int llen = (n + 1) / 2, hlen = n / 2;
        tmp_.resize(size_t(width) * n);
        rows_.resize(std::max(f_.lo.size(), f_.hi.size()));
        auto row = [&](int i) { return base + size_t(reflect(i, n, true, true)) * stride; };
        for (int k = 0; k < llen; ++k) {
            for (size_t i = 0; i < f_.lo.size(); ++i)
                rows_[i] = row(2 * k - lc + int(i));
            combine(tmp_.data() + size_t((inv ? hlen : 0) + k) * width, rows_.data(), f_.lo.data(),
                    int(f_.lo.size()), width);
        }
        for (int k = 0; k < hlen; ++k) {
            for (size_t i = 0; i < f_.hi.size(); ++i)
                rows_[i] = row(2 * k + 1 - hc + int(i));
            combine(tmp_.data() + size_t((inv ? 0 : llen) + k) * width, rows_.data(), f_.hi.data(),
                    int(f_.hi.size()), width);
        }
        copyBack(base, stride, width, n);
    }

    void synthesiseColumns(float *base, int stride, int width, int n, bool inv)
    {
        const int llen = (n + 1) / 2, hlen = n / 2;
        const int loFirst = inv ? hlen : 0, hiFirst = inv ? 0 : llen;
        tmp_.resize(size_t(width) * n);
        rows_.resize(std::max(evenCoef_.size(), oddCoef_.size()));
        auto lowRow = [&](int k) {
            return base + size_t(loFirst + reflect(k, llen, true, lowWholeRight(n))) * stride;
        };
        auto highRow = [&](int k) {
            return base + size_t(hiFirst + reflect(k, hlen, false, highWholeRight(n))) * stride;
        };
        auto output = [&](int row, int j, const std::vector<Tap> &low, const std::vector<Tap> &high,
                          const std::vector<float> &coef) {
            size_t t = 0;
            for (const Tap &tap : low)
                rows_[t++] = lowRow(j + tap.offset);
            if (hlen)  // a single sample has no high-pass band
                for (const Tap &tap : high)
                    rows_[t++] = highRow(j + tap.offset);
            combine(tmp_.data() + size_t(row) * width, rows_.data(), coef.data(), int(t), width);
        };
        for (int j = 0; 2 * j < n; ++j) {
            output(2 * j, j, taps_.lowEven, taps_.highEven, evenCoef_);
            if (2 * j + 1 < n)
                output(2 * j + 1, j, taps_.lowOdd, taps_.highOdd, oddCoef_);
        }
        copyBack(base, stride, width, n);
    }

    void copyBack(float *base, int stride, int width, int n)
    {
        for (int row = 0; row < n; ++row)
            std::copy_n(tmp_.data() + size_t(row) * width, width, base + size_t(row) * stride);
    }

    // trans_ holds the region with x and y exchanged: r.w rows of r.h values.
    void transposeIn(const Rect &r)
    {
        trans_.resize(size_t(r.w) * r.h);
        for (int y = 0; y < r.h; ++y) {
            const float *src = img_ + size_t(r.y + y) * width_ + r.x;
            for (int x = 0; x < r.w; ++x)
                trans_[size_t(x) * r.h + y] = src[x];
        }
    }
    void transposeOut(const Rect &r)
    {
        for (int y = 0; y < r.h; ++y) {
            float *dst = img_ + size_t(r.y + y) * width_ + r.x;
            for (int x = 0; x < r.w; ++x)
                dst[x] = trans_[size_t(x) * r.h + y];
        }
    }

    float *img_;
    int width_;
    const Filters &f_;
    SynthesisTaps taps_;
    std::vector<float> evenCoef_, oddCoef_;
    std::vector<float> tmp_, trans_;
    std::vector<const float *> rows_;
};

} // namespace

Layout makeLayout(int width, int height)
{
    Layout l;
    auto &s = l.splits;
    s[0] = Split{{0, 0, width, height}, false, false};
    const auto q0 = quadrants(s[0]);
    s[1] = q0[0], s[2] = q0[1], s[3] = q0[2];  // q0[3] holds subbands 60..63, never coded
    const auto q1 = quadrants(s[1]);
    s[14] = q1[0], s[4] = q1[1], s[5] = q1[2];
    l.bands[51] = q1[3].r;
    const auto q4 = quadrants(s[4]);
    const auto q5 = quadrants(s[5]);
    const auto q14 = quadrants(s[14]);
    for (int i = 0; i < 4; ++i) {
        s[6 + i] = q4[size_t(i)];
        s[10 + i] = q5[size_t(i)];
        s[15 + i] = q14[size_t(i)];
    }
    auto bandsOf = [&](const Split &split, int first) {
        const auto q = quadrants(split);
        for (int i = 0; i < 4; ++i)
            l.bands[size_t(first + i)] = q[size_t(i)].r;
    };
    bandsOf(s[2], 52);
    bandsOf(s[3], 56);
    for (int i = 0; i < 4; ++i) {
        bandsOf(s[size_t(6 + i)], 19 + 4 * i);
        bandsOf(s[size_t(10 + i)], 35 + 4 * i);
    }
    const auto q15 = quadrants(s[15]);
    s[19] = q15[0];
    l.bands[4] = q15[1].r, l.bands[5] = q15[2].r, l.bands[6] = q15[3].r;
    bandsOf(s[16], 7);
    bandsOf(s[17], 11);
    bandsOf(s[18], 15);
    bandsOf(s[19], 0);
    return l;
}

const Filters &standardFilters()
{
    // The 9/7 biorthogonal analysis pair of the standard's encoder.
    static const Filters f{
        {0.037828455506995f, -0.023849465019380f, -0.110624404418423f, 0.377402855612654f,
         0.852698679009403f, 0.377402855612654f, -0.110624404418423f, -0.023849465019380f,
         0.037828455506995f},
        {0.064538882628938f, -0.040689417609558f, -0.418092273222212f, 0.788485616405664f,
         -0.418092273222212f, -0.040689417609558f, 0.064538882628938f}};
    return f;
}

void analyse(float *image, int width, int /*height*/, const Layout &layout, const Filters &f)
{
    Transform t(image, width, f);
    for (const Split &s : layout.splits) {
        t.analyseRows(s.r, s.invX);
        t.analyseColumns(s.r, s.invY);
    }
}

void synthesise(float *image, int width, int /*height*/, const Layout &layout, const Filters &f)
{
    Transform t(image, width, f);
    for (auto it = layout.splits.rbegin(); it != layout.splits.rend(); ++it) {
        t.synthesiseColumns(it->r, it->invY);
        t.synthesiseRows(it->r, it->invX);
    }
}

} // namespace qal::wsq::detail

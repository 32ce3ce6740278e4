// The encoder against the reference encoder's sizes and quality, on a second decoder, and on
// images of every awkward size; the transform and Huffman building blocks on their own.

#include "IndependentWsqDecoder.h"
#include "WsqTestData.h"

#include "biometrics/wsq/WsqCodec.h"
#include "biometrics/wsq/WsqInternal.h"
#include "imaging/BmpFile.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

using namespace qal;
using namespace qal::test::wsq;
namespace fs = std::filesystem;

namespace {

Grey finger(const std::string &bmpName)
{
    const GreyImage img = BmpFile::readGrey(QString::fromStdString((fingerDir() / bmpName).string()));
    return {img.width(), img.height(), img.pixels()};
}

Grey synthetic(int w, int h, unsigned seed)
{
    Grey g{w, h, std::vector<std::uint8_t>(size_t(w) * size_t(h))};
    std::mt19937 rng(seed);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)  // ridges plus noise
            g.pixels[size_t(y) * w + x] =
                std::uint8_t(std::clamp(128.0 + 90.0 * std::sin(x * 0.7 + y * 0.3) + double(rng() % 40) - 20.0, 0.0, 255.0));
    return g;
}

} // namespace

TEST(WsqEncoder, MatchesTheReferenceEncoderInSizeAndQuality)
{
    int images = 0;
    for (const auto &row : readCsv(dataDir() / "reference.csv")) {
        const std::string &name = row[0];
        if (!fs::exists(fingerDir() / name))
            continue;  // 1000 ppi images are not among the copied fingers
        SCOPED_TRACE(name);
        const Grey src = finger(name);
        ASSERT_EQ(src.width, std::stoi(row[1]));
        ASSERT_EQ(src.height, std::stoi(row[2]));
        const auto file = wsq::encode(src.pixels.data(), src.width, src.height);
        const double refBytes = std::stod(row[4]), refPsnr = std::stod(row[5]);
        EXPECT_NEAR(double(file.size()), refBytes, 0.05 * refBytes);
        EXPECT_GE(psnr(src.pixels, wsq::decode(file).pixels), refPsnr - 0.2);
        ++images;
    }
    EXPECT_GE(images, 20);
}

TEST(WsqEncoder, OurFilesDecodeAlikeOnAnIndependentDecoder)
{
    // The independent decoder first proves itself on the reference encoder's files...
    for (const char *name : {"nist_tip_wsq", "safis_probe"}) {
        const Grey ref = readPgm(dataDir() / "decoded" / (std::string(name) + ".pgm"));
        const auto img = test::independentWsqDecode(readBytes(dataDir() / "encoded" / (std::string(name) + ".wsq")));
        ASSERT_EQ(img.error, "");
        const auto a = compare(img.pixels, ref.pixels);
        EXPECT_GE(a.identical, 0.999) << name;
        EXPECT_LE(a.maxDiff, 1) << name;
    }
    // ...then reads ours, including odd sizes and restart markers.
    struct Case { Grey img; wsq::EncodeOptions options; };
    std::vector<Case> cases = {{finger("nist_piv_07_l_index_jpegl.bmp"), {}},
                               {finger("nbis_valid1.7_r3_jpeg388.bmp"), {}},
                               {synthetic(131, 77, 1), {}}};
    cases.push_back({synthetic(64, 45, 2), {}});
    cases.back().options.restartInterval = 9;
    cases.back().options.bitRate = 2.25f;
    for (const auto &c : cases) {
        const auto file = wsq::encode(c.img.pixels.data(), c.img.width, c.img.height, c.options);
        const auto theirs = test::independentWsqDecode(file);
        ASSERT_EQ(theirs.error, "");
        ASSERT_EQ(theirs.width, c.img.width);
        ASSERT_EQ(theirs.height, c.img.height);
        const auto a = compare(theirs.pixels, wsq::decode(file).pixels);
        EXPECT_GE(a.identical, 0.999) << c.img.width << "x" << c.img.height;
        EXPECT_LE(a.maxDiff, 1);
    }
}

TEST(WsqEncoder, HandlesEveryImageSize)
{
    for (auto [w, h] : {std::pair{1, 1}, {1, 9}, {9, 1}, {2, 2}, {3, 5}, {5, 3}, {17, 9}, {31, 33}, {64, 64}, {100, 3}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const Grey src = synthetic(w, h, unsigned(w * 100 + h));
        const auto img = wsq::decode(wsq::encode(src.pixels.data(), w, h));
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        if (w * h >= 1000) {
            EXPECT_GT(psnr(src.pixels, img.pixels), 20.0);
        }
    }
    const std::vector<std::uint8_t> flat(40 * 30, 173);
    EXPECT_EQ(wsq::decode(wsq::encode(flat.data(), 40, 30)).pixels, flat);
    EXPECT_THROW(wsq::encode(flat.data(), 0, 30), wsq::WsqError);
    EXPECT_THROW(wsq::encode(flat.data(), 70000, 1), wsq::WsqError);
    EXPECT_THROW(wsq::encode(nullptr, 40, 30), wsq::WsqError);
}

TEST(WsqEncoder, BitRateTradesSizeForQuality)
{
    const Grey src = finger("safis_probe.bmp");
    size_t lastSize = 0;
    double lastPsnr = 0;
    for (float rate : {0.35f, 0.75f, 1.5f, 3.0f}) {
        wsq::EncodeOptions o;
        o.bitRate = rate;
        const auto file = wsq::encode(src.pixels.data(), src.width, src.height, o);
        const double q = psnr(src.pixels, wsq::decode(file).pixels);
        EXPECT_GT(file.size(), lastSize) << rate;
        EXPECT_GT(q, lastPsnr) << rate;
        // the rate model keeps the size near the target
        EXPECT_NEAR(double(file.size()) * 8.0 / (src.width * src.height), rate, 0.35 * rate) << rate;
        lastSize = file.size();
        lastPsnr = q;
    }
}

TEST(WsqTransform, LayoutTilesTheImage)
{
    for (auto [w, h] : {std::pair{500, 500}, {545, 497}, {13, 7}, {1, 1}}) {
        const auto layout = wsq::detail::makeLayout(w, h);
        std::vector<int> cover(size_t(w) * h, 0);
        auto mark = [&](const wsq::detail::Rect &r) {
            for (int y = r.y; y < r.y + r.h; ++y)
                for (int x = r.x; x < r.x + r.w; ++x)
                    ++cover[size_t(y) * w + x];
        };
        for (int k = 0; k < wsq::detail::kCodedSubbands; ++k)
            mark(layout.bands[size_t(k)]);
        // what subbands 60..63 would hold: the bottom-right quadrant of the first split
        const auto &first = layout.splits[1].r;
        mark({first.w, first.h, w - first.w, h - first.h});
        EXPECT_TRUE(std::all_of(cover.begin(), cover.end(), [](int c) { return c == 1; })) << w << "x" << h;
    }
    // 500 x 500: subbands 0..3 are 16 x 16 (the lowest band rounds up), 51..59 are 125 x 125
    const auto l = wsq::detail::makeLayout(500, 500);
    EXPECT_EQ(l.bands[0].w, 16);
    EXPECT_EQ(l.bands[3].w, 16);
    EXPECT_EQ(l.bands[51].w, 125);
    EXPECT_EQ(l.bands[59].x, 125);
    EXPECT_EQ(l.bands[59].y, 375);
}

TEST(WsqTransform, SynthesisInvertsAnalysis)
{
    for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {7, 5}, {64, 64}, {97, 61}}) {
        std::vector<float> img(size_t(w) * h), orig;
        std::mt19937 rng(unsigned(w * h));
        for (auto &v : img)
            v = float(int(rng() % 256) - 128);
        orig = img;
        const auto layout = wsq::detail::makeLayout(w, h);
        const auto &f = wsq::detail::standardFilters();
        wsq::detail::analyse(img.data(), w, h, layout, f);
        // the first split's bottom-right quadrant is not coded; keep it to test the inverse
        wsq::detail::synthesise(img.data(), w, h, layout, f);
        float worst = 0;
        for (size_t i = 0; i < img.size(); ++i)
            worst = std::max(worst, std::fabs(img[i] - orig[i]));
        EXPECT_LT(worst, 0.01f) << w << "x" << h;
    }
}

TEST(WsqHuffman, CodesAreLimitedPrefixFreeAndNeverAllOnes)
{
    std::array<std::uint32_t, 256> skewed{}, single{}, none{};
    std::uint32_t a = 1, b = 1;
    for (int i = 0; i < 40; ++i) {  // Fibonacci counts want codes far longer than 16 bits
        skewed[size_t(i + 1)] = a;
        const std::uint32_t next = std::min<std::uint64_t>(std::uint64_t(a) + b, 1u << 30);
        a = b;
        b = next;
    }
    single[180] = 1000;
    for (const auto &counts : {skewed, single, none}) {
        const auto table = wsq::detail::buildHuffmanTable(counts);
        const auto codes = wsq::detail::assignCodes(table);
        std::set<std::string> words;
        for (int s = 0; s < 256; ++s) {
            if (counts[size_t(s)]) {
                ASSERT_GT(codes.length[size_t(s)], 0) << s;
            }
            if (!codes.length[size_t(s)])
                continue;
            ASSERT_LE(codes.length[size_t(s)], 16);
            std::string w;
            for (int i = codes.length[size_t(s)] - 1; i >= 0; --i)
                w += (codes.code[size_t(s)] >> i) & 1 ? '1' : '0';
            EXPECT_NE(w, std::string(w.size(), '1'));
            words.insert(w);
        }
        for (const auto &x : words)
            for (const auto &y : words)
                if (x != y) {
                    EXPECT_NE(y.rfind(x, 0), 0u) << x << " prefixes " << y;
                }
    }
}

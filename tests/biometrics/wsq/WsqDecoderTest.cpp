// The decoder against the reference vectors, in every marker arrangement the standard allows,
// and on damaged and hostile input.

#include "WsqTestData.h"

#include "biometrics/wsq/WsqCodec.h"

#include <gtest/gtest.h>

#include <random>

using namespace qal;
using namespace qal::test::wsq;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> wsqFiles(const fs::path &dir)
{
    std::vector<fs::path> out;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().extension() == ".wsq")
            out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

// A file cut into its marker segments; a block segment carries its coded data.
struct Segment
{
    unsigned marker;
    std::vector<std::uint8_t> bytes;
};

std::vector<Segment> segments(const std::vector<std::uint8_t> &d)
{
    std::vector<Segment> out;
    size_t p = 2;
    while (p + 1 < d.size()) {
        const unsigned m = unsigned(d[p]) << 8 | d[p + 1];
        if (m == 0xFFA1)
            break;
        size_t end = p + 2 + (size_t(d[p + 2]) << 8 | d[p + 3]);
        if (m == 0xFFA3)
            while (!(d[end] == 0xFF && d[end + 1] != 0 && (d[end + 1] < 0xB0 || d[end + 1] > 0xB7)))
                ++end;
        out.push_back({m, {d.begin() + std::ptrdiff_t(p), d.begin() + std::ptrdiff_t(end)}});
        p = end;
    }
    return out;
}

std::vector<std::uint8_t> assemble(const std::vector<Segment> &segs)
{
    std::vector<std::uint8_t> out{0xFF, 0xA0};
    for (const auto &s : segs)
        out.insert(out.end(), s.bytes.begin(), s.bytes.end());
    out.push_back(0xFF);
    out.push_back(0xA1);
    return out;
}

Segment comment(const std::string &text)
{
    Segment s{0xFFA8, {0xFF, 0xA8, 0, std::uint8_t(text.size() + 2)}};
    s.bytes.insert(s.bytes.end(), text.begin(), text.end());
    return s;
}

bool decodesOrFailsCleanly(const std::vector<std::uint8_t> &d, wsq::DecodeLimits limits = {})
{
    try {
        const auto img = wsq::decode(d, limits);
        return img.pixels.size() == size_t(img.width) * size_t(img.height);
    } catch (const wsq::WsqError &) {
        return true;
    }
}

size_t findMarker(const std::vector<std::uint8_t> &d, unsigned marker)
{
    for (size_t i = 0; i + 1 < d.size(); ++i)
        if (d[i] == 0xFF && d[i + 1] == (marker & 0xFF))
            return i;
    return d.size();
}

const fs::path kTip = dataDir() / "encoded" / "nist_tip_wsq.wsq";

} // namespace

TEST(WsqDecoder, ReproducesTheReferenceDecoderOnEveryVector)
{
    int files = 0;
    for (const char *set : {"encoded", "external"}) {
        for (const auto &path : wsqFiles(dataDir() / set)) {
            SCOPED_TRACE(path.string());
            const fs::path pgm = std::string(set) == "encoded"
                                     ? dataDir() / "decoded" / path.filename().replace_extension(".pgm")
                                     : fs::path(path).replace_extension(".pgm");
            const Grey ref = readPgm(pgm);
            ASSERT_GT(ref.width, 0);
            const auto img = wsq::decode(readBytes(path));
            ASSERT_EQ(img.width, ref.width);
            ASSERT_EQ(img.height, ref.height);
            const auto a = compare(img.pixels, ref.pixels);
            EXPECT_GE(a.identical, 0.999);
            EXPECT_LE(a.maxDiff, 1);
            ++files;
        }
    }
    EXPECT_GE(files, 12);
}

TEST(WsqDecoder, ReadsThePpiOfTheNistComment)
{
    EXPECT_EQ(wsq::decode(readBytes(dataDir() / "encoded" / "nbis_sivv_card0003_05_1000ppi.wsq")).ppi, 1000);
    EXPECT_EQ(wsq::decode(readBytes(kTip)).ppi, 500);
    // a file without comments states no resolution
    EXPECT_EQ(wsq::decode(readBytes(dataDir() / "external" / "nbis_valid1.8_r3_slap_wsq.wsq")).ppi, -1);
}

TEST(WsqDecoder, AcceptsTablesAndCommentsInAnyOrder)
{
    const auto original = readBytes(kTip);
    const auto expected = wsq::decode(original).pixels;
    const auto segs = segments(original);
    std::vector<Segment> tables, blocks, frame;
    std::vector<std::uint8_t> allHuffman{0xFF, 0xA6, 0, 0};
    for (const auto &s : segs) {
        if (s.marker == 0xFFA6)
            allHuffman.insert(allHuffman.end(), s.bytes.begin() + 4, s.bytes.end());
        else if (s.marker == 0xFFA3)
            blocks.push_back(s);
        else if (s.marker == 0xFFA2)
            frame.push_back(s);
        else if (s.marker != 0xFFA8)
            tables.push_back(s);
    }
    ASSERT_EQ(blocks.size(), 3u);
    ASSERT_EQ(tables.size(), 2u);  // transform and quantisation tables
    allHuffman[2] = std::uint8_t((allHuffman.size() - 2) >> 8);
    allHuffman[3] = std::uint8_t((allHuffman.size() - 2) & 0xFF);

    // frame first, both Huffman tables in one segment, the other tables after them,
    // comments and a restart interval between the blocks
    std::vector<Segment> reordered = {frame[0], comment("first"), Segment{0xFFA6, allHuffman},
                                      tables[1], comment(""), tables[0]};
    reordered.push_back({0xFFA7, {0xFF, 0xA7, 0, 4, 0, 0}});
    for (const auto &b : blocks) {
        reordered.push_back(b);
        reordered.push_back(comment("between blocks"));
    }
    EXPECT_EQ(wsq::decode(assemble(reordered)).pixels, expected);

    // tables redefined later: the block uses the table defined before it
    std::vector<Segment> redefined = segs;
    auto bogus = Segment{0xFFA6, {0xFF, 0xA6, 0, 20, 0, 1}};
    bogus.bytes.resize(4 + 17, 0);
    bogus.bytes.push_back(7);  // table 0: a single one-bit code for symbol 7
    bogus.bytes[3] = std::uint8_t(bogus.bytes.size() - 2);
    redefined.push_back(bogus);
    EXPECT_EQ(wsq::decode(assemble(redefined)).pixels, expected);
}

TEST(WsqDecoder, StepsOverRestartMarkers)
{
    std::vector<std::uint8_t> pixels(97 * 61);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint8_t((i * 7 + (i / 97) * 13) % 251);
    wsq::EncodeOptions plain, restarts;
    restarts.restartInterval = 5;
    const auto a = wsq::encode(pixels.data(), 97, 61, plain);
    const auto b = wsq::encode(pixels.data(), 97, 61, restarts);
    int markers = 0;
    for (size_t i = 0; i + 1 < b.size(); ++i)
        markers += b[i] == 0xFF && b[i + 1] >= 0xB0 && b[i + 1] <= 0xB7;
    ASSERT_GT(markers, 20);
    EXPECT_EQ(wsq::decode(b).pixels, wsq::decode(a).pixels);
}

TEST(WsqDecoder, RefusesStructurallyBrokenFiles)
{
    const auto good = readBytes(kTip);
    auto without = [&](unsigned marker) {
        std::vector<Segment> segs;
        for (const auto &s : segments(good))
            if (s.marker != marker)
                segs.push_back(s);
        return assemble(segs);
    };
    auto fails = [](const std::vector<std::uint8_t> &d, const char *what) {
        try {
            wsq::decode(d);
            ADD_FAILURE() << "decoded: " << what;
        } catch (const wsq::WsqError &e) {
            EXPECT_FALSE(std::string(e.what()).empty());
        }
    };
    fails({}, "empty");
    fails({'B', 'M', 0, 0}, "a BMP");
    fails(without(0xFFA2), "no frame header");
    fails(without(0xFFA4), "no transform table");
    fails(without(0xFFA5), "no quantisation table");
    fails(without(0xFFA6), "no Huffman table");
    auto noEnd = good;
    noEnd.resize(noEnd.size() - 2);
    fails(noEnd, "no EOI");

    auto evenFilter = good;
    const size_t dtt = findMarker(evenFilter, 0xFFA4);
    ASSERT_LT(dtt, good.size());
    evenFilter[dtt + 4] = 8;
    fails(evenFilter, "even-length filter");

    auto badTable = good;  // more codes of length 1 than there can be
    const size_t dht = findMarker(badTable, 0xFFA6);
    badTable[dht + 5] = 3;
    fails(badTable, "over-full Huffman table");
}

TEST(WsqDecoder, RefusesHugeFramesBeforeAllocating)
{
    auto d = readBytes(kTip);
    const size_t sof = findMarker(d, 0xFFA2);
    ASSERT_LT(sof, d.size());
    for (size_t i : {sof + 6, sof + 7, sof + 8, sof + 9})
        d[i] = 0xFF;  // 65535 x 65535
    try {
        wsq::decode(d);
        FAIL() << "decoded a 4 gigapixel frame";
    } catch (const wsq::WsqError &e) {
        EXPECT_STREQ(e.what(), "WSQ image too large");
    }
    wsq::DecodeLimits small;
    small.maxPixels = 1000;
    EXPECT_THROW(wsq::decode(readBytes(kTip), small), wsq::WsqError);
}

TEST(WsqDecoder, SurvivesTruncationAndCorruption)
{
    const auto good = readBytes(dataDir() / "encoded" / "nbis_valid1.7_r3_jpeg388.wsq");
    // every cut inside the headers, then every 61st byte of the coded data
    for (size_t n = 0; n < good.size(); n += n < 1200 ? 1 : 61) {
        const std::vector<std::uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        EXPECT_THROW(wsq::decode(cut), wsq::WsqError) << n;
    }
    std::mt19937 rng(8);
    for (int round = 0; round < 150; ++round) {
        auto d = good;
        const int flips = 1 + int(rng() % 4);
        for (int i = 0; i < flips; ++i)
            d[rng() % d.size()] = std::uint8_t(rng());
        EXPECT_TRUE(decodesOrFailsCleanly(d)) << round;
    }
}

TEST(WsqDecoder, FuzzFindingsStayFixed)
{
    int files = 0;
    for (const fs::path &dir : {fs::path(QAL_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / "fuzz_wsq",
                               dataDir() / "fuzz-findings"}) {
        if (!fs::exists(dir))
            continue;
        for (const auto &e : fs::directory_iterator(dir)) {
            wsq::DecodeLimits limits;
            limits.maxPixels = 1 << 22;
            EXPECT_TRUE(decodesOrFailsCleanly(readBytes(e.path()), limits)) << e.path();
            ++files;
        }
    }
    EXPECT_GT(files, 0);
}

#include "imaging/Deskew.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace qal {

namespace {

// Halves the image keeping dark pixels: each output pixel is the darkest of its 2 x 2.
GreyImage darkHalf(const GreyImage &in)
{
    GreyImage out((in.width() + 1) / 2, (in.height() + 1) / 2, in.resolution());
    for (int y = 0; y < out.height(); ++y) {
        const std::uint8_t *r0 = in.row(2 * y);
        const std::uint8_t *r1 = in.row(std::min(2 * y + 1, in.height() - 1));
        std::uint8_t *dst = out.row(y);
        for (int x = 0; x < out.width(); ++x) {
            const int x0 = 2 * x, x1 = std::min(2 * x + 1, in.width() - 1);
            dst[x] = std::min({r0[x0], r0[x1], r1[x0], r1[x1]});
        }
    }
    return out;
}

// Otsu's threshold of the grey histogram.
int otsu(const GreyImage &image)
{
    std::array<double, 256> hist {};
    for (std::uint8_t v : image.pixels())
        hist[v] += 1;
    const double total = double(image.pixels().size());
    double sumAll = 0;
    for (int i = 0; i < 256; ++i)
        sumAll += i * hist[size_t(i)];
    double weightB = 0, sumB = 0, best = -1;
    int threshold = 128;
    for (int t = 0; t < 256; ++t) {
        weightB += hist[size_t(t)];
        if (weightB == 0)
            continue;
        const double weightF = total - weightB;
        if (weightF == 0)
            break;
        sumB += t * hist[size_t(t)];
        const double meanB = sumB / weightB, meanF = (sumAll - sumB) / weightF;
        const double between = weightB * weightF * (meanB - meanF) * (meanB - meanF);
        if (between > best) {
            best = between;
            threshold = t;
        }
    }
    return threshold;
}

struct Point
{
    float x, y;
};

// Dark pixels whose lower neighbour is light: the bottoms of characters and rules, which
// line up along the text lines.
std::vector<Point> edgePoints(const GreyImage &image, int threshold)
{
    std::vector<Point> points;
    const float cx = image.width() / 2.0f, cy = image.height() / 2.0f;
    for (int y = 0; y + 1 < image.height(); ++y) {
        const std::uint8_t *row = image.row(y);
        const std::uint8_t *below = image.row(y + 1);
        for (int x = 0; x < image.width(); ++x)
            if (row[x] <= threshold && below[x] > threshold)
                points.push_back({x - cx, y - cy});
    }
    return points;
}

// Sharpness of the projection of the points across lines at `degrees`: the sum of squared
// differences between neighbouring bins, largest when lines fall into single bins.
double sharpness(const std::vector<Point> &points, double degrees, int binsHalf, std::vector<int> &bins)
{
    const double a = degrees * std::numbers::pi / 180.0;
    const float c = float(std::cos(a)), s = float(std::sin(a));
    std::fill(bins.begin(), bins.end(), 0);
    for (const Point &p : points) {
        const int bin = int(std::lround(p.y * c - p.x * s)) + binsHalf;
        if (bin >= 0 && bin < int(bins.size()))
            ++bins[size_t(bin)];
    }
    double score = 0;
    for (size_t i = 1; i < bins.size(); ++i) {
        const double d = bins[i] - bins[i - 1];
        score += d * d;
    }
    return score;
}

double bestAngle(const std::vector<Point> &points, double from, double to, double step, int binsHalf)
{
    std::vector<int> bins(size_t(2 * binsHalf + 1));
    double best = 0, bestScore = -1;
    const int steps = int(std::lround((to - from) / step));
    for (int i = 0; i <= steps; ++i) {
        const double angle = from + i * step;
        const double score = sharpness(points, angle, binsHalf, bins);
        // on equal scores prefer the angle nearer to level
        if (score > bestScore || (score == bestScore && std::abs(angle) < std::abs(best))) {
            bestScore = score;
            best = angle;
        }
    }
    return best;
}

} // namespace

double detectSkew(const GreyImage &page, const SkewSearch &search)
{
    if (page.isNull() || page.width() < 8 || page.height() < 8)
        return 0;
    const double half = std::clamp(search.rangeDegrees, 0.0, 180.0) / 2.0;
    const double resolution = std::max(search.resolution, 0.01);

    // Work on copies of at most 900 and 1800 pixels: coarse then fine.
    GreyImage fine = page;
    while (fine.width() > 1800 || fine.height() > 1800)
        fine = darkHalf(fine);
    GreyImage coarse = fine;
    while (coarse.width() > 900 || coarse.height() > 900)
        coarse = darkHalf(coarse);

    const int threshold = otsu(fine);
    const std::vector<Point> finePoints = edgePoints(fine, threshold);
    const std::vector<Point> coarsePoints = edgePoints(coarse, threshold);
    if (finePoints.size() < 16 || coarsePoints.size() < 16)
        return 0;

    const auto binsHalfFor = [](const GreyImage &image) {
        return int(std::ceil(std::hypot(image.width(), image.height()) / 2.0)) + 2;
    };
    const double coarseStep = std::max(resolution, 0.5);
    const double coarseBest = bestAngle(coarsePoints, -half, half, coarseStep, binsHalfFor(coarse));
    const double from = std::max(-half, coarseBest - 2 * coarseStep);
    const double to = std::min(half, coarseBest + 2 * coarseStep);
    const double best = bestAngle(finePoints, from, to, resolution, binsHalfFor(fine));
    return std::round(best / resolution) * resolution;
}

double detectSkew(const QImage &page, const SkewSearch &search)
{
    return detectSkew(GreyImage::fromQImage(page), search);
}

} // namespace qal

#include "RidgeWaves.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace qal::quality {
namespace {

// The waves are measured on the image halved each way (2 x 2 means): the shortest wave,
// 6 pixels, is still 3 samples long, and there is a quarter of the work.
constexpr int Cell = 4;
constexpr int Window = 12;
constexpr int Directions = 16;
constexpr int FirstWave = 1, LastWave = 4; // cycles across the window
constexpr int FirstRidgeWave = 2; // the longest wave (one cycle) is shading, not ridges
constexpr int Waves = LastWave - FirstWave + 1;
constexpr int Frequencies = Directions * Waves;

} // namespace

std::vector<RidgeWave> ridgeWaves(const std::uint8_t *fullPixels, int fullWidth, int fullHeight)
{
    const int width = (fullWidth + 1) / 2, height = (fullHeight + 1) / 2;
    std::vector<std::uint8_t> half(std::size_t(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int x0 = 2 * x, y0 = 2 * y, x1 = std::min(x0 + 1, fullWidth - 1), y1 = std::min(y0 + 1, fullHeight - 1);
            const std::uint8_t *a = fullPixels + std::size_t(y0) * fullWidth, *b = fullPixels + std::size_t(y1) * fullWidth;
            half[std::size_t(y) * width + x] = std::uint8_t((a[x0] + a[x1] + b[x0] + b[x1] + 2) / 4);
        }
    const std::uint8_t *pixels = half.data();
    const int cellsX = (width + Cell - 1) / Cell, cellsY = (height + Cell - 1) / Cell;
    const std::size_t cells = std::size_t(cellsX) * cellsY;

    // The frequency vectors: across the ridges of direction d, k cycles per window.
    float fx[Frequencies], fy[Frequencies];
    for (int d = 0; d < Directions; ++d)
        for (int k = 0; k < Waves; ++k) {
            const double phi = M_PI * d / Directions, w = 2 * M_PI * (FirstWave + k) / Window;
            fx[d * Waves + k] = float(w * std::cos(phi));
            fy[d * Waves + k] = float(w * std::sin(phi));
        }

    // Per frequency, the cosine and sine of the x part of the phase along a row (by the
    // angle-sum recurrence, in double precision: a few hundred steps lose nothing). Kept
    // column by column, the frequencies of one x side by side: the sums below run over the
    // frequencies in the innermost loop, which the compiler turns into vector operations.
    std::vector<float> cosX(std::size_t(Frequencies) * width), sinX(cosX.size());
    for (int f = 0; f < Frequencies; ++f) {
        const double cd = std::cos(double(fx[f])), sd = std::sin(double(fx[f]));
        double c = 1, s = 0;
        for (int x = 0; x < width; ++x) {
            cosX[std::size_t(x) * Frequencies + f] = float(c);
            sinX[std::size_t(x) * Frequencies + f] = float(s);
            const double next = c * cd - s * sd;
            s = s * cd + c * sd;
            c = next;
        }
    }

    // Per cell: sum of p e^(-i w.(x, y)) for every frequency, and of p and p^2.
    std::vector<std::complex<double>> wave(cells * Frequencies);
    std::vector<double> grey(cells, 0.0), grey2(cells, 0.0);
    std::vector<std::complex<float>> rowCells(std::size_t(cellsX) * Frequencies);
    for (int cy = 0; cy < cellsY; ++cy) {
        std::fill(rowCells.begin(), rowCells.end(), std::complex<float>());
        for (int y = cy * Cell; y < std::min(height, (cy + 1) * Cell); ++y) {
            const std::uint8_t *p = pixels + std::size_t(y) * width;
            for (int x = 0; x < width; ++x) {
                grey[std::size_t(cy) * cellsX + x / Cell] += p[x];
                grey2[std::size_t(cy) * cellsX + x / Cell] += double(p[x]) * p[x];
            }
            float cb[Frequencies], sb[Frequencies];
            for (int f = 0; f < Frequencies; ++f) {
                cb[f] = std::cos(fy[f] * float(y));
                sb[f] = std::sin(fy[f] * float(y));
            }
            for (int x0 = 0, cx = 0; x0 < width; x0 += Cell, ++cx) {
                float sr[Frequencies] = {}, si[Frequencies] = {};
                for (int x = x0; x < std::min(width, x0 + Cell); ++x) {
                    const float v = float(p[x]);
                    const float *c = &cosX[std::size_t(x) * Frequencies], *s = &sinX[std::size_t(x) * Frequencies];
                    for (int f = 0; f < Frequencies; ++f) {
                        sr[f] += v * c[f];
                        si[f] += v * s[f];
                    }
                }
                // p (cos a - i sin a)(cos b - i sin b)
                std::complex<float> *out = &rowCells[std::size_t(cx) * Frequencies];
                for (int f = 0; f < Frequencies; ++f)
                    out[f] += std::complex<float>(sr[f] * cb[f] - si[f] * sb[f], -(si[f] * cb[f] + sr[f] * sb[f]));
            }
        }
        for (int cx = 0; cx < cellsX; ++cx)
            for (int f = 0; f < Frequencies; ++f)
                wave[(std::size_t(cy) * cellsX + cx) * Frequencies + f] = rowCells[std::size_t(cx) * Frequencies + f];
    }

    // Per cell column and row, per frequency: sum of e^(-i w x) (e^(-i w y)) over its pixels;
    // their products are the wave sums of a constant cell, to take the window's mean out.
    std::vector<std::complex<double>> unitX(std::size_t(cellsX) * Frequencies), unitY(std::size_t(cellsY) * Frequencies);
    for (int f = 0; f < Frequencies; ++f) {
        for (int x = 0; x < width; ++x)
            unitX[std::size_t(x / Cell) * Frequencies + f] += std::complex<double>(cosX[std::size_t(x) * Frequencies + f], -sinX[std::size_t(x) * Frequencies + f]);
        const double cd = std::cos(double(fy[f])), sd = std::sin(double(fy[f]));
        double c = 1, s = 0;
        for (int y = 0; y < height; ++y) {
            unitY[std::size_t(y / Cell) * Frequencies + f] += std::complex<double>(c, -s);
            const double next = c * cd - s * sd;
            s = s * cd + c * sd;
            c = next;
        }
    }

    std::vector<RidgeWave> result(cells);
    std::complex<double> sum[Frequencies], unit[Frequencies];
    for (int by = 0; by < cellsY; ++by) {
        for (int bx = 0; bx < cellsX; ++bx) {
            const int x0 = std::max(0, bx - 1), x1 = std::min(cellsX - 1, bx + 1);
            const int y0 = std::max(0, by - 1), y1 = std::min(cellsY - 1, by + 1);
            std::fill(std::begin(sum), std::end(sum), std::complex<double>());
            double s = 0, s2 = 0;
            for (int cy = y0; cy <= y1; ++cy)
                for (int cx = x0; cx <= x1; ++cx) {
                    const std::size_t c = std::size_t(cy) * cellsX + cx;
                    s += grey[c];
                    s2 += grey2[c];
                    for (int f = 0; f < Frequencies; ++f)
                        sum[f] += wave[c * Frequencies + f];
                }
            // a constant window's wave sum separates: its columns' sum times its rows' sum
            for (int f = 0; f < Frequencies; ++f) {
                std::complex<double> ux, uy;
                for (int cx = x0; cx <= x1; ++cx)
                    ux += unitX[std::size_t(cx) * Frequencies + f];
                for (int cy = y0; cy <= y1; ++cy)
                    uy += unitY[std::size_t(cy) * Frequencies + f];
                unit[f] = ux * uy;
            }
            const double n = double(std::min(width, (x1 + 1) * Cell) - x0 * Cell)
                * double(std::min(height, (y1 + 1) * Cell) - y0 * Cell);
            const double mean = s / n, variance = std::max(0.0, s2 / n - mean * mean);
            double power[Directions] = {}, total = 0, best = 0;
            double periodTotal[Waves] = {}, strongest = 0;
            int strongestPeriod = 0;
            for (int d = 0; d < Directions; ++d) {
                for (int k = 0; k < Waves; ++k) {
                    const int f = d * Waves + k;
                    const double re = sum[f].real() - mean * unit[f].real(), im = sum[f].imag() - mean * unit[f].imag();
                    const double p = re * re + im * im;
                    if (FirstWave + k >= FirstRidgeWave)
                        power[d] += p;
                    periodTotal[k] += p;
                    if (p > strongest) {
                        strongest = p;
                        strongestPeriod = k;
                    }
                }
                total += power[d];
                best = std::max(best, power[d]);
            }
            // a flat window only holds rounding noise
            if (variance > 0.25 && total > 0) {
                RidgeWave &r = result[std::size_t(by) * cellsX + bx];
                r.anisotropy = float(best * Directions / total);
                r.amplitude = float(std::sqrt(strongest) / n);
                r.peak = float(strongest * Directions / periodTotal[strongestPeriod]);
            }
        }
    }
    return result;
}

} // namespace qal::quality

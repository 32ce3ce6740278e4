#include "QualityScorer.h"

#include "Minutiae.h"
#include "QualityMap.h"

namespace qal::quality {

QualityResult scoreFingerprint(const std::uint8_t *pixels, int width, int height,
                               const QualityParameters &parameters)
{
    constexpr int MinSide = 32;
    constexpr int MinMinutiae = 6;
    QualityResult result;
    result.nfiq = 5;
    QualityFeatures &f = result.features;
    if (!pixels || width < MinSide || height < MinSide) {
        result.code = 1;
        return result;
    }

    const QualityMap map = buildQualityMap(pixels, width, height, parameters);
    f.blocks = map.width * map.height;
    f.foreground = map.foreground();
    if (f.foreground == 0) {
        result.code = 1;
        return result;
    }
    int byLevel[5] = {};
    for (std::uint8_t level : map.level)
        ++byLevel[level];
    for (int k = 0; k < 4; ++k)
        f.zone[k] = double(byLevel[k + 1]) / f.foreground;

    const std::vector<Minutia> minutiae = detectMinutiae(pixels, width, height, map, parameters);
    f.minutiae = int(minutiae.size());
    static constexpr double Levels[5] = {0.5, 0.6, 0.7, 0.8, 0.9};
    for (const Minutia &m : minutiae)
        for (int k = 0; k < 5; ++k)
            f.minutiaeAbove[k] += m.reliability > Levels[k];
    if (f.minutiae < MinMinutiae) {
        result.code = 2;
        return result;
    }

    NfiqFeatures v {double(f.foreground), double(f.minutiae)};
    for (int k = 0; k < 5; ++k)
        v[std::size_t(2 + k)] = f.minutiaeAbove[k];
    for (int k = 0; k < 4; ++k)
        v[std::size_t(7 + k)] = f.zone[k];
    const NfiqClass c = classifyStageFeatures(v);
    f.activation = c.activation;
    result.nfiq = c.nfiq;
    result.code = 0;
    return result;
}

} // namespace qal::quality

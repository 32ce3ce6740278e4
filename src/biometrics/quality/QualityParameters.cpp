#include "QualityParameters.h"

namespace qal::quality {

bool setParameter(QualityParameters &parameters, std::string_view name, double value)
{
    struct Named
    {
        std::string_view name;
        double QualityParameters::*field;
    };
    static constexpr Named Fields[] = {
        {"smoothing", &QualityParameters::smoothing},
        {"minContrast", &QualityParameters::minContrast},
        {"minCoherence", &QualityParameters::minCoherence},
        {"flowCoherence", &QualityParameters::flowCoherence},
        {"minValidNeighbours", &QualityParameters::minValidNeighbours},
        {"fillNeighbours", &QualityParameters::fillNeighbours},
        {"maxCurvature", &QualityParameters::maxCurvature},
        {"flowAnisotropy", &QualityParameters::flowAnisotropy},
        {"weakFlowLevel", &QualityParameters::weakFlowLevel},
        {"nearUnclearLevel", &QualityParameters::nearUnclearLevel},
        {"minWaveAmplitude", &QualityParameters::minWaveAmplitude},
        {"minWavePeak", &QualityParameters::minWavePeak},
        {"ring1", &QualityParameters::ring1},
        {"ring2", &QualityParameters::ring2},
        {"ring3", &QualityParameters::ring3},
        {"imageEdgeIsBackground", &QualityParameters::imageEdgeIsBackground},
        {"ridgeSmoothing", &QualityParameters::ridgeSmoothing},
        {"ridgeReach", &QualityParameters::ridgeReach},
        {"minSpacing", &QualityParameters::minSpacing},
        {"borderMargin", &QualityParameters::borderMargin},
    };
    for (const Named &f : Fields) {
        if (f.name == name) {
            parameters.*f.field = value;
            return true;
        }
    }
    return false;
}

} // namespace qal::quality

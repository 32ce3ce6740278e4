#pragma once

#include <array>

namespace qal::quality {

// The eleven measures the NFIQ value is read from, in this order:
//  0 foreground blocks (8 x 8 blocks of quality level 1 and more)
//  1 minutiae detected
//  2..6 minutiae of reliability above 0.5, 0.6, 0.7, 0.8 and 0.9
//  7..10 share of the foreground blocks of quality level 1, 2, 3 and 4
using NfiqFeatures = std::array<double, 11>;

struct NfiqClass
{
    int nfiq = 5;                     // 1 best .. 5 worst
    std::array<double, 5> activation {}; // one per value, 0..1 (they need not sum to 1)
};

// A two-layer perceptron (11 inputs normalised, logistic hidden and output units) whose
// largest output gives the value. classifyNfiq is fitted to NFIQ 1's network: fed NFIQ 1's
// own features, it gives NFIQ 1's value. classifyStageFeatures is the one the scorer uses:
// fitted to give NFIQ 1's outputs when fed the features of this scorer's stages, which
// differ from NFIQ 1's in ways the first network does not forgive.
NfiqClass classifyNfiq(const NfiqFeatures &features);
NfiqClass classifyStageFeatures(const NfiqFeatures &features);

} // namespace qal::quality

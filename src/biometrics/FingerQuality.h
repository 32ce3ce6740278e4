#pragma once

#include <QString>

#include <array>
#include <cstdint>

namespace qal {

// Result codes of quality scoring.
enum QualityCode : std::int32_t {
    QualityScored = 0,
    QualityEmptyImage = 1,
    QualityFewMinutiae = 2,
    QualityNoLibrary = -1,
    QualityNoImage = -2,
    QualityNoMemory = -3,
};

// The quality of one finger: NFIQ 1 (best) .. 5 (worst), 0 when not scored, and the
// result code of the scoring.
struct QualityRecord
{
    std::int32_t nfiq = 0;
    std::int32_t code = QualityNoImage;
};

using TenQualityRecords = std::array<QualityRecord, 10>;

// NFIQ average of a set in which no finger was scored.
inline constexpr int NoPrintsAverage = 9;

QString FingerName(int number);          // 1..10; "Desconocido" otherwise
QString NfiqText(int nfiq);
QString QualityCodeText(int code);
QString FingerQualityText(int code, int nfiq);
// Truncated mean of the fingers whose code is 0; 9 when there is none.
int AverageNfiq(const TenQualityRecords &records);
// "2 (Muy buena)"
QString AverageNfiqText(int average);

} // namespace qal

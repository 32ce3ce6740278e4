#include "biometrics/FingerQuality.h"

#include <gtest/gtest.h>

using namespace qal;

namespace {

TenQualityRecords records(std::initializer_list<QualityRecord> scored)
{
    TenQualityRecords r {};
    std::size_t i = 0;
    for (const QualityRecord &q : scored)
        r[i++] = q;
    return r;
}

} // namespace

TEST(FingerQuality, NamesFollowFingerNumbering)
{
    EXPECT_EQ(FingerName(1), QStringLiteral("Pulgar Derecho"));
    EXPECT_EQ(FingerName(5), QString::fromUtf8("Meñique Derecho"));
    EXPECT_EQ(FingerName(6), QStringLiteral("Pulgar Izquierdo"));
    EXPECT_EQ(FingerName(10), QString::fromUtf8("Meñique Izquierdo"));
    EXPECT_EQ(FingerName(0), QStringLiteral("Desconocido"));
    EXPECT_EQ(FingerName(11), QStringLiteral("Desconocido"));
}

TEST(FingerQuality, TextOfAFingerNamesTheCodeOnlyWhenThereIsOne)
{
    EXPECT_EQ(FingerQualityText(0, 3), QStringLiteral("3 (Buena)"));
    EXPECT_EQ(FingerQualityText(QualityNoImage, 0),
              QStringLiteral("0 (Error: falta huella!, Falta cargar la imagen)"));
    EXPECT_EQ(FingerQualityText(QualityEmptyImage, 5), QString::fromUtf8("5 (Mala, Imagen vacía)"));
    EXPECT_EQ(FingerQualityText(QualityNoLibrary, 0),
              QStringLiteral("0 (Error: falta huella!, ERROR: Falta GBNFIQ.DLL)"));
    // values outside the table have no text
    EXPECT_EQ(FingerQualityText(0, 7), QStringLiteral("7 ()"));
    EXPECT_EQ(NfiqText(-1), QString());
    EXPECT_EQ(QualityCodeText(3), QString());
}

TEST(FingerQuality, AverageTakesOnlyScoredFingersAndTruncates)
{
    EXPECT_EQ(AverageNfiq(records({{1, 0}, {2, 0}, {2, 0}, {3, 0}, {5, 0}})), 2);
    // unscored fingers (code != 0) are left out, whatever their value
    EXPECT_EQ(AverageNfiq(records({{5, 2}, {1, 0}, {4, QualityNoLibrary}, {2, 0}})), 1);
    EXPECT_EQ(AverageNfiq(TenQualityRecords {}), NoPrintsAverage);
    EXPECT_EQ(AverageNfiqText(AverageNfiq(TenQualityRecords {})), QStringLiteral("9 (Error: No hay impresiones)"));
    EXPECT_EQ(AverageNfiqText(2), QStringLiteral("2 (Muy buena)"));
}

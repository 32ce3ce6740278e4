#include "biometrics/forms/TFCalidad.h"

#include <QPlainTextEdit>

#include <gtest/gtest.h>

using namespace qal;

TEST(TFCalidad, ListsEveryFingerAndPutsTheAverageOnTheSecondLine)
{
    TenQualityRecords records {};
    records[0] = {1, 0};
    records[1] = {2, 0};
    records[2] = {2, 0};
    records[3] = {3, 0};
    records[4] = {5, 0};
    records[6] = {5, QualityFewMinutiae};
    TFCalidad window;
    EXPECT_EQ(window.ShowQuality(QStringLiteral("Calidad de la huella"), records), 2);
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.isModal());
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Calidad de la huella"));
    EXPECT_EQ(window.statusText(), QStringLiteral("Listo!"));
    EXPECT_EQ(window.progress(), 10);
    EXPECT_TRUE(window.findChild<QPlainTextEdit *>(QStringLiteral("mmCalidad"))->isReadOnly());

    const QStringList expected {
        QStringLiteral("Calidad de la huella"),
        QStringLiteral("Promedio = 2 (Muy buena)"),
        QStringLiteral("Pulgar Derecho = 1 (Excelente)"),
        QStringLiteral("Indice Derecho = 2 (Muy buena)"),
        QStringLiteral("Medio Derecho = 2 (Muy buena)"),
        QStringLiteral("Anular Derecho = 3 (Buena)"),
        QString::fromUtf8("Meñique Derecho = 5 (Mala)"),
        QStringLiteral("Pulgar Izquierdo = 0 (Error: falta huella!, Falta cargar la imagen)"),
        QStringLiteral("Indice Izquierdo = 5 (Mala, Faltan minucias)"),
        QStringLiteral("Medio Izquierdo = 0 (Error: falta huella!, Falta cargar la imagen)"),
        QStringLiteral("Anular Izquierdo = 0 (Error: falta huella!, Falta cargar la imagen)"),
        QString::fromUtf8("Meñique Izquierdo = 0 (Error: falta huella!, Falta cargar la imagen)"),
    };
    EXPECT_EQ(window.memoText().split(QLatin1Char('\n')), expected);

    // shown again over a set with nothing scored: replaced, not appended
    EXPECT_EQ(window.ShowQuality(QStringLiteral("Otra"), TenQualityRecords {}), NoPrintsAverage);
    const QStringList lines = window.memoText().split(QLatin1Char('\n'));
    EXPECT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[1], QStringLiteral("Promedio = 9 (Error: No hay impresiones)"));
}

// Printed documents to PDF: the official letter and the ten-print card at the size the
// card template has (500 ppi), as the print preview and "--pdf" draw them.
#include "biometrics/TenPrintCard.h"
#include "reports/ReportFonts.h"
#include "reports/TrpFicha.h"
#include "reports/TrpOficio.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

using namespace qal::reports;

TrpOficio letter()
{
    TrpOficio r;
    DatosOficio &d = r.datos;
    d.lugarYFecha = QStringLiteral("ROSARIO, 05 de enero de 2026");
    d.organismo = QStringLiteral("FISCALÍA DE INSTRUCCIÓN Nº 3");
    d.secretaria = QStringLiteral("SECRETARÍA Nº 2");
    d.domicilio = QStringLiteral("AV. SANTA FE 1200");
    d.localidad = d.provincia = QStringLiteral("ROSARIO");
    d.delito = QStringLiteral("ROBO");
    d.apellidos = QStringLiteral("GOMEZ PEREYRA");
    d.apellidosSupuestos = QStringLiteral(" o  GOMES o  GOMEZ PERALTA");
    d.nombres = QStringLiteral("JUAN CARLOS");
    d.nombresSupuestos = QStringLiteral(" o  JUAN o  JUAN CARLOS");
    d.fechaNacimiento = QStringLiteral("17/05/1980");
    d.documento = QStringLiteral("28123456");
    return r;
}

void BM_LetterToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    const TrpOficio r = letter();
    const QString file = dir.filePath(QStringLiteral("oficio.pdf"));
    for (auto _ : state) {
        if (!WriteReportPdf(r, file))
            state.SkipWithError("no PDF");
    }
}
BENCHMARK(BM_LetterToPdf)->Unit(benchmark::kMillisecond);

void BM_TenPrintCardToPdf(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString card = dir.filePath(QStringLiteral("fmodelo.bmp"));
    TrpFicha r;
    QString error;
    if (!qal::WriteCardTemplate(card) || !r.SetImagen(card, &error)) {
        state.SkipWithError("no card template");
        return;
    }
    r.SetTitulo(QStringLiteral("Ped:15 Reg:3"));
    state.counters["card_px"] = double(r.image().width()) * r.image().height();
    const QString file = dir.filePath(QStringLiteral("ficha.pdf"));
    for (auto _ : state) {
        if (!WriteReportPdf(r, file))
            state.SkipWithError("no PDF");
    }
}
BENCHMARK(BM_TenPrintCardToPdf)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    LoadReportFonts();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// The entry of the benchmarks that need a Qt application: file and table code uses Qt's
// program-wide state, the conversions run external programs through an event loop, and setting
// up a program folder draws the card template (fonts need a QGuiApplication).
#include <QGuiApplication>

#include <benchmark/benchmark.h>

int main(int argc, char **argv)
{
    // no display (a server, the test suite): draw off screen
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

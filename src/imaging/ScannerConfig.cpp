#include "imaging/ScannerConfig.h"

#include "core/IniFile.h"

#include <algorithm>
#include <cmath>

namespace qal {

namespace {

const QString kSection = QStringLiteral("Config");

} // namespace

ScannerConfig ScannerConfig::card()
{
    return ScannerConfig {};
}

ScannerConfig ScannerConfig::document()
{
    ScannerConfig c;
    c.abajo = 297;
    return c;
}

ScannerConfig ScannerConfig::bounded() const
{
    ScannerConfig c = *this;
    c.dpi = std::clamp(int(std::lround(dpi / 50.0)) * 50, 100, 500);
    for (int *edge : {&c.izquierda, &c.derecha, &c.arriba, &c.abajo})
        *edge = std::clamp(*edge, 0, 500);
    c.brillo = std::clamp(brillo, -1000, 1000);
    c.contraste = std::clamp(contraste, -1000, 1000);
    c.tipoImagen = ScanPixelType(std::clamp(int(tipoImagen), 0, 3));
    c.uiMode = ScannerUiMode(std::clamp(int(uiMode), 0, 4));
    c.rotarGrados = ((rotarGrados % 360) + 360) % 360;
    return c;
}

ScannerConfig ScannerConfig::load(const QString &iniFile, const ScannerConfig &defaults)
{
    const IniFile ini(iniFile);
    ScannerConfig c = defaults;
    c.dpi = ini.readInteger(kSection, QStringLiteral("DPI"), defaults.dpi);
    c.izquierda = ini.readInteger(kSection, QStringLiteral("Izquierda"), defaults.izquierda);
    c.derecha = ini.readInteger(kSection, QStringLiteral("Derecha"), defaults.derecha);
    c.arriba = ini.readInteger(kSection, QStringLiteral("Arriba"), defaults.arriba);
    c.abajo = ini.readInteger(kSection, QStringLiteral("Abajo"), defaults.abajo);
    c.brillo = ini.readInteger(kSection, QStringLiteral("Brillo"), defaults.brillo);
    c.contraste = ini.readInteger(kSection, QStringLiteral("Contraste"), defaults.contraste);
    c.tipoImagen = ScanPixelType(ini.readInteger(kSection, QStringLiteral("TipoImagen"), int(defaults.tipoImagen)));
    c.uiMode = ScannerUiMode(ini.readInteger(kSection, QStringLiteral("UIMode"), int(defaults.uiMode)));
    c.rotarGrados = ini.readInteger(kSection, QStringLiteral("RotarGrados"), defaults.rotarGrados);
    c.dispositivo = ini.readString(kSection, QStringLiteral("Dispositivo"), defaults.dispositivo);
    return c.bounded();
}

bool ScannerConfig::save(const QString &iniFile) const
{
    IniFile ini(iniFile);
    const QList<QPair<const char *, int>> numbers {
        {"DPI", dpi},       {"Izquierda", izquierda},         {"Derecha", derecha},
        {"Arriba", arriba}, {"Abajo", abajo},                 {"Brillo", brillo},
        {"Contraste", contraste}, {"TipoImagen", int(tipoImagen)}, {"UIMode", int(uiMode)},
        {"RotarGrados", rotarGrados},
    };
    bool ok = true;
    for (const auto &[key, value] : numbers)
        ok = ini.writeString(kSection, QString::fromLatin1(key), QString::number(value)) && ok;
    return ini.writeString(kSection, QStringLiteral("Dispositivo"), dispositivo) && ok;
}

ScanSettings ScannerConfig::scanSettings(int pages, bool showInterface) const
{
    ScanSettings s;
    s.dpi = dpi;
    // the edges are kept in order whatever was typed
    s.leftMm = std::min(izquierda, derecha);
    s.rightMm = std::max(izquierda, derecha);
    s.topMm = std::min(arriba, abajo);
    s.bottomMm = std::max(arriba, abajo);
    s.brightness = brillo;
    s.contrast = contraste;
    s.pixelType = tipoImagen;
    s.pages = std::max(1, pages);
    s.feeder = usesFeeder();
    s.showInterface = showsInterface() || showInterface;
    return s;
}

} // namespace qal

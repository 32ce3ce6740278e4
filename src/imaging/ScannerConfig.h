#pragma once

#include "imaging/Scanner.h"

#include <QString>

namespace qal {

// How the user interface and feeder are chosen ("UIMode").
enum class ScannerUiMode {
    None = 0,          // "Ninguno"
    ShowInterface = 1, // "Mostrar Interface de Usuario"
    HideInterface = 2, // "Ocultar Interface de Usuario"
    FeederShow = 3,    // "Usar ADF + Mostrar Interface de Usuario"
    FeederHide = 4,    // "Usar ADF + Ocultar Interface de Usuario"
};

// The scanner settings that the scanning windows keep in an INI file with one section
// [Config] ("Huella.INI" for cards, "Docu.INI" for documents, "ImageLib.INI" for the
// dialog itself). Distances are millimetres from the top-left corner of the glass.
struct ScannerConfig
{
    int dpi = 300;
    int izquierda = 0;
    int derecha = 210;
    int arriba = 0;
    int abajo = 110;
    int brillo = 0;
    int contraste = 0;
    ScanPixelType tipoImagen = ScanPixelType::Gray;
    ScannerUiMode uiMode = ScannerUiMode::HideInterface;
    int rotarGrados = 0;
    QString dispositivo; // the SANE device chosen; empty for the first one found

    // Defaults of a card scan (210 x 110 mm, which passes the card rules at 300 dpi) and
    // of a document scan (an A4 page, which passes the document rules).
    static ScannerConfig card();
    static ScannerConfig document();

    // Reads the file's [Config] section; missing keys keep the defaults given, values
    // outside the dialog's ranges are brought inside them.
    static ScannerConfig load(const QString &iniFile, const ScannerConfig &defaults = card());
    bool save(const QString &iniFile) const;

    // The values within the dialog's ranges: DPI 100..500 in steps of 50, edges 0..500,
    // brightness and contrast -1000..1000, rotation 0..359.
    ScannerConfig bounded() const;

    bool usesFeeder() const { return uiMode == ScannerUiMode::FeederShow || uiMode == ScannerUiMode::FeederHide; }
    bool showsInterface() const { return uiMode == ScannerUiMode::ShowInterface || uiMode == ScannerUiMode::FeederShow; }

    ScanSettings scanSettings(int pages, bool showInterface) const;

    friend bool operator==(const ScannerConfig &, const ScannerConfig &) = default;
};

} // namespace qal

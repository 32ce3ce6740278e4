#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace qal {

// The live-scan folder and the external capture programs described in it.
//
// "LiveScan.INI" of the program folder, section [Config]: PathLiveScan (the live-scan
// folder; "C:\LiveScanIB\" by default, which is the folder LiveScanIB of the program folder
// here, as is any Windows drive path) and LiveScanIni (the description file chosen).
// Every "*.INI" of the live-scan folder whose [Config] Titulo is not empty describes one set
// of programs: ExeLiveScan (takes all ten prints into dedo1.bmp .. dedo10.bmp of the
// folder), ExeCaptura (one print into huella.bmp), ExeConfig (the device's set-up).
struct ExternalCapturePrograms
{
    QString archivo; // the description's file name
    QString titulo;
    QString exeLiveScan;
    QString exeCaptura;
    QString exeConfig;
};

namespace livescan {

inline const QString iniFile = QStringLiteral("LiveScan.INI");
inline const QString defaultPath = QStringLiteral("C:\\LiveScanIB\\");

// The PathLiveScan text as stored, and the folder it names (absolute, with a final "/").
QString pathSetting();
QString folder();
QString folderOf(const QString &pathSetting);
QString chosenDescription();
bool save(const QString &pathSetting, const QString &description);

// The descriptions of a folder, in the order the folder listing gives them.
QList<ExternalCapturePrograms> descriptionsIn(const QString &folder);
// The chosen set (empty names when none is chosen or its file is gone).
ExternalCapturePrograms chosen();

// The path of a program of the live-scan folder, and how a missing one is reported:
// "Error: no existe el programa "<path>"".
QString programPath(const QString &exe);
QString missingProgramText(const QString &path);
bool programExists(const QString &path);

// Files the programs write into the live-scan folder.
QString fingerOutput(int finger); // dedo<N>.bmp
QString singleOutput();           // huella.bmp

} // namespace livescan
} // namespace qal

// The demo program folder scans with SANE's virtual test scanner: its configuration in
// the folder's "sane" subfolder (scripts/run points SANE_CONFIG_DIR there) and scanner
// settings that choose it.
#include "DemoScanner.h"

#include "imaging/SaneTestDevice.h"
#include "imaging/ScannerConfig.h"

#include <QDir>

namespace qal {

bool addDemoScanner(const QString &folder)
{
    const QDir dir(folder);
    if (!writeSaneTestConfig(dir.filePath(QStringLiteral("sane"))))
        return false;
    ScannerConfig card = ScannerConfig::card();
    card.dispositivo = QString::fromLatin1(kSaneTestDevice);
    ScannerConfig document = ScannerConfig::document();
    document.dispositivo = card.dispositivo;
    document.uiMode = ScannerUiMode::FeederHide; // a document batch comes from the feeder
    return card.save(dir.filePath(QStringLiteral("Huella.INI"))) && card.save(dir.filePath(QStringLiteral("ImageLib.INI")))
           && document.save(dir.filePath(QStringLiteral("Docu.INI")));
}

} // namespace qal

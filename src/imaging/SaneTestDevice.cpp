#include "imaging/SaneTestDevice.h"

#include <QDir>
#include <QSaveFile>

namespace qal {

namespace {

bool writeText(const QString &path, const QByteArray &text, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit())
        return true;
    if (error)
        *error = QStringLiteral("No se puede escribir %1").arg(path);
    return false;
}

} // namespace

bool writeSaneTestConfig(const QString &folder, QString *error)
{
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("No se puede crear %1").arg(folder);
        return false;
    }
    // The backend's own defaults, with a larger glass and a picture worth looking at.
    const QByteArray testConf = "number_of_devices 2\n"
                                "mode Gray\n"
                                "depth 8\n"
                                "hand-scanner false\n"
                                "three-pass false\n"
                                "three-pass-order RGB\n"
                                "resolution_min 1.0\n"
                                "resolution_max 1200.0\n"
                                "resolution_quant 1.0\n"
                                "resolution 300.0\n"
                                "test-picture \"Grid\"\n"
                                "invert-endianess false\n"
                                "read-limit false\n"
                                "read-limit-size 1\n"
                                "read-delay false\n"
                                "read-delay-duration 1000\n"
                                "read-status-code \"Default\"\n"
                                "fuzzy-parameters false\n"
                                "ppl-loss 0\n"
                                "non-blocking false\n"
                                "select-fd false\n"
                                "enable-test-options false\n"
                                "geometry_min 0.0\n"
                                "geometry_max 300.0\n"
                                "geometry_quant 1.0\n"
                                "tl_x 0.0\n"
                                "tl_y 0.0\n"
                                "br_x 210.0\n"
                                "br_y 297.0\n";
    const QDir dir(folder);
    return writeText(dir.filePath(QStringLiteral("dll.conf")), "test\n", error)
           && writeText(dir.filePath(QStringLiteral("test.conf")), testConf, error);
}

} // namespace qal

#include "RequestFiles.h"

#include "core/ProgramFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qal {

QString ArchivoPedido(const QString &prefijo, const QVariant &cPed, const QVariant &cReg)
{
    if (cPed.isNull() || cReg.isNull())
        return {};
    // whole numbers, as the numeric fields read them
    const auto whole = [](const QVariant &v) { return QString::number(static_cast<qlonglong>(v.toDouble())); };
    return prefijo + whole(cPed) + QLatin1Char('.') + whole(cReg);
}

bool ExisteArchivo(const QString &name)
{
    return !name.isEmpty() && QFileInfo(ProgramFolder::resolve(name)).isFile();
}

void BorrarArchivo(const QString &name)
{
    if (ExisteArchivo(name))
        QFile::remove(ProgramFolder::resolve(name));
}

void BorrarArchivos(const QStringList &names)
{
    for (const QString &name : names)
        BorrarArchivo(name);
}

void BorrarArchivosTrabajo()
{
    BorrarArchivos({archivos::editTif, archivos::editZip, archivos::docuTif});
}

bool ReemplazarArchivo(const QString &source, const QString &target)
{
    if (target.isEmpty() || !ExisteArchivo(source))
        return false;
    QFile in(ProgramFolder::resolve(source));
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(ProgramFolder::resolve(target));
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            break;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            break;
        }
    }
    return out.commit();
}

bool EscribirArchivo(const QString &target, const QByteArray &data)
{
    if (target.isEmpty())
        return false;
    QSaveFile out(ProgramFolder::resolve(target));
    if (!out.open(QIODevice::WriteOnly))
        return false;
    if (out.write(data) != data.size())
        out.cancelWriting();
    return out.commit();
}

} // namespace qal

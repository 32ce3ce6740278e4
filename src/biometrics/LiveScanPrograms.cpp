#include "biometrics/LiveScanPrograms.h"

#include "core/IniFile.h"
#include "core/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace qal::livescan {

namespace {

const QString kConfig = QStringLiteral("Config");

IniFile liveScanIni()
{
    return IniFile(ProgramFolder::resolve(iniFile));
}

} // namespace

QString pathSetting()
{
    return liveScanIni().readString(kConfig, QStringLiteral("PathLiveScan"), defaultPath);
}

QString folderOf(const QString &setting)
{
    QString path = setting.trimmed();
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    // a Windows drive path names the same folder under the program folder
    static const QRegularExpression drive(QStringLiteral("^[A-Za-z]:/*"));
    path.remove(drive);
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    QString absolute = QDir::isAbsolutePath(path) ? path
                                                  : ProgramFolder::resolve(path.isEmpty() ? QStringLiteral(".") : path);
    absolute = QDir::cleanPath(absolute);
    if (!absolute.endsWith(QLatin1Char('/')))
        absolute += QLatin1Char('/');
    return absolute;
}

QString folder()
{
    return folderOf(pathSetting());
}

QString chosenDescription()
{
    return liveScanIni().readString(kConfig, QStringLiteral("LiveScanIni"));
}

bool save(const QString &setting, const QString &description)
{
    IniFile ini = liveScanIni();
    return ini.writeString(kConfig, QStringLiteral("PathLiveScan"), setting)
           && ini.writeString(kConfig, QStringLiteral("LiveScanIni"), description);
}

QList<ExternalCapturePrograms> descriptionsIn(const QString &dir)
{
    QList<ExternalCapturePrograms> out;
    const QDir d(dir);
    const QStringList files = d.entryList(QDir::Files, QDir::Unsorted);
    for (const QString &name : files) {
        if (!name.endsWith(QLatin1String(".ini"), Qt::CaseInsensitive))
            continue;
        const IniFile ini(d.filePath(name));
        ExternalCapturePrograms p;
        p.archivo = name;
        p.titulo = ini.readString(kConfig, QStringLiteral("Titulo"));
        if (p.titulo.isEmpty())
            continue;
        p.exeLiveScan = ini.readString(kConfig, QStringLiteral("ExeLiveScan"));
        p.exeCaptura = ini.readString(kConfig, QStringLiteral("ExeCaptura"));
        p.exeConfig = ini.readString(kConfig, QStringLiteral("ExeConfig"));
        out.append(p);
    }
    return out;
}

ExternalCapturePrograms chosen()
{
    const QString name = chosenDescription();
    if (!name.isEmpty()) {
        for (const ExternalCapturePrograms &p : descriptionsIn(folder()))
            if (p.archivo.compare(name, Qt::CaseInsensitive) == 0)
                return p;
    }
    return {};
}

QString programPath(const QString &exe)
{
    QString name = exe.trimmed();
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return ProgramFolder::resolveIn(folder(), name);
}

QString missingProgramText(const QString &path)
{
    return QStringLiteral("Error: no existe el programa \"%1\"").arg(path);
}

bool programExists(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile();
}

QString fingerOutput(int finger)
{
    return ProgramFolder::resolveIn(folder(), QStringLiteral("dedo%1.bmp").arg(finger));
}

QString singleOutput()
{
    return ProgramFolder::resolveIn(folder(), QStringLiteral("huella.bmp"));
}

} // namespace qal::livescan

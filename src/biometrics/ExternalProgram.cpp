#include "ExternalProgram.h"

#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace qal {

bool RunAndWait(const QString &program, const QString &arguments, ShowState show)
{
    return RunAndWait(program, QProcess::splitCommand(arguments), show);
}

bool RunDetached(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    return process.startDetached();
}

bool RunAndWait(const QString &program, const QStringList &arguments, ShowState)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);

    QEventLoop loop;
    bool failedToStart = false;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            failedToStart = true;
            loop.quit();
        }
    });
    process.start();
    if (!process.waitForStarted(-1) || failedToStart)
        return false;
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return true;
}

QString Bmp2WsqProgram()
{
    return ProgramFolder::resolve(QStringLiteral("bmp2wsq"));
}

QString Wsq2BmpProgram()
{
    return ProgramFolder::resolve(QStringLiteral("wsq2bmp"));
}

bool ConvertBmpToWsq(const QString &sourceName, const QString &target, QString &message)
{
    const QString source = sourceName.trimmed();
    if (source.isEmpty() || !QFileInfo(ProgramFolder::resolve(source)).isFile()) {
        message = QStringLiteral("ERROR: No existe archivo origen");
        return false;
    }
    const QString targetPath = ProgramFolder::resolve(target);
    QFile::remove(targetPath);
    RunAndWait(Bmp2WsqProgram(), source + QLatin1Char(' ') + target, ShowState::Hidden);
    if (QFileInfo::exists(ProgramFolder::resolve(target)))
        return true;
    message = QStringLiteral("ERROR: No se pudo generar ") + target;
    return false;
}

bool ConvertWsqToBmp(const QString &sourceName, const QString &target, QString &message)
{
    const QString source = sourceName.trimmed();
    const QString sourcePath = ProgramFolder::resolve(source);
    if (source.isEmpty() || !QFileInfo(sourcePath).isFile()) {
        message = QStringLiteral("ERROR: No existe archivo origen");
        return false;
    }
    if (!source.endsWith(QLatin1String(".wsq"), Qt::CaseSensitive)) {
        message = QString::fromUtf8("ERROR: El archivo origen debe tener extensión wsq");
        return false;
    }
    QFile::remove(ProgramFolder::resolve(target));
    RunAndWait(Wsq2BmpProgram(), source + QLatin1Char(' ') + target, ShowState::Hidden);
    if (!QFileInfo::exists(ProgramFolder::resolve(target))) {
        message = QStringLiteral("No se pudo convertir el archivo: ") + source;
        return false;
    }
    if (!QFile::remove(sourcePath)) {
        message = QStringLiteral("No se pudo eliminar archivo origen: ") + source;
        return false;
    }
    return true;
}

} // namespace qal

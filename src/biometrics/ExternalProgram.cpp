#include "ExternalProgram.h"

#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <memory>

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
    QList<BmpToWsq> batch {{sourceName, target}};
    ConvertBmpsToWsq(batch, 1);
    message = batch[0].message;
    return batch[0].ok;
}

void ConvertBmpsToWsq(QList<BmpToWsq> &batch, int parallel, const std::function<void(int)> &starting)
{
    parallel = std::max(1, parallel);
    const QString program = Bmp2WsqProgram();
    const QString folder = QFileInfo(program).absolutePath();
    QEventLoop loop;
    qsizetype next = 0;
    int running = 0;
    // One converter process per conversion; each ends by finishing or by failing to start.
    const auto ended = [&batch](qsizetype i) {
        BmpToWsq &c = batch[i];
        c.ok = QFileInfo::exists(ProgramFolder::resolve(c.target));
        if (!c.ok)
            c.message = QStringLiteral("ERROR: No se pudo generar ") + c.target;
    };
    std::function<void()> startMore = [&] {
        while (running < parallel && next < batch.size()) {
            const qsizetype i = next++;
            BmpToWsq &c = batch[i];
            const QString source = c.source.trimmed();
            if (source.isEmpty() || !QFileInfo(ProgramFolder::resolve(source)).isFile()) {
                c.ok = false;
                c.message = QStringLiteral("ERROR: No existe archivo origen");
                continue;
            }
            QFile::remove(ProgramFolder::resolve(c.target));
            if (starting)
                starting(static_cast<int>(i));
            auto *process = new QProcess(&loop);
            process->setProgram(program);
            process->setArguments(QProcess::splitCommand(source + QLatin1Char(' ') + c.target));
            process->setWorkingDirectory(folder);
            process->setProcessChannelMode(QProcess::ForwardedChannels);
            auto done = std::make_shared<bool>(false);
            const auto finish = [&, i, process, done] {
                if (*done)
                    return;
                *done = true;
                --running;
                ended(i);
                process->deleteLater();
                startMore();
                if (running == 0 && next >= batch.size())
                    loop.quit();
            };
            QObject::connect(process, &QProcess::finished, &loop, finish);
            QObject::connect(process, &QProcess::errorOccurred, &loop, [finish](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    finish();
            });
            ++running;
            process->start();
        }
    };
    startMore();
    if (running > 0)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
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

#include "Command.h"

#include <QMap>

#include <cstdio>

namespace {
QMap<QString, Command> &registry()
{
    static QMap<QString, Command> commands;
    return commands;
}
} // namespace

void Commands::add(Command command)
{
    registry().insert(command.name, std::move(command));
}

const Command *Commands::find(const QString &name)
{
    const auto it = registry().constFind(name);
    return it == registry().constEnd() ? nullptr : &*it;
}

QList<Command> Commands::all()
{
    return registry().values();
}

void printOut(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

void printErr(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

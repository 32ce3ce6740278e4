#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// One command of qal-admin. A command's source file registers it with a file-scope
// RegisterCommand object, so adding a command is adding a file.
struct Command
{
    QString name;
    QString usage;   // "dump [--keys] TABLE"
    QString summary; // one line for the help
    // Arguments after the command name; returns the exit status.
    std::function<int(const QStringList &args)> run;
};

class Commands
{
public:
    static void add(Command command);
    static const Command *find(const QString &name);
    static QList<Command> all(); // sorted by name
};

struct RegisterCommand
{
    explicit RegisterCommand(Command command) { Commands::add(std::move(command)); }
};

// Output helpers: text goes out as UTF-8 whatever the locale.
void printOut(const QString &text);
void printErr(const QString &text);

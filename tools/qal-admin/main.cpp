#include "Command.h"

#include <QGuiApplication>

namespace {

int usage()
{
    QString text = QStringLiteral("uso: qal-admin COMANDO [ARGUMENTOS]\n\nComandos:\n");
    for (const Command &c : Commands::all())
        text += QStringLiteral("  %1\n      %2\n").arg(c.usage, c.summary);
    printErr(text);
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing the card template needs fonts, hence a GUI application; never a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty() || args.front() == QLatin1String("--help") || args.front() == QLatin1String("help"))
        return usage();
    const Command *command = Commands::find(args.takeFirst());
    if (!command)
        return usage();
    try {
        return command->run(args);
    } catch (const std::exception &e) {
        printErr(QString::fromUtf8(e.what()) + QLatin1Char('\n'));
        return 1;
    }
}

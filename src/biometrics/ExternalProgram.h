#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace qal {

// Window show state asked of an external program (Linux programs open no console, so the
// state is only passed on to programs that care about it).
enum class ShowState { Hidden = 0, Normal = 1 };

// Starts `program` with `arguments` (split at blanks as a command line; double quotes
// group) in the program's own folder and waits for it to end. Meanwhile windows keep
// repainting and timers run, but keyboard and mouse input waits until the program has
// ended. False when the program cannot be started. No time-out.
bool RunAndWait(const QString &program, const QString &arguments, ShowState show);
// The same with the arguments given one by one: each reaches the program as it stands,
// blanks and quotes included; no shell or command-line splitting is involved.
bool RunAndWait(const QString &program, const QStringList &arguments, ShowState show);
// Starts a program in its own folder without waiting for it. False when it cannot start.
bool RunDetached(const QString &program, const QStringList &arguments = {});

// The converters of the program folder (bare file names, in the program folder):
//   bmp2wsq SOURCE TARGET  and  wsq2bmp SOURCE TARGET
// Success is judged by the target's existence afterwards. Messages:
//   "ERROR: No existe archivo origen", "ERROR: No se pudo generar <target>".
bool ConvertBmpToWsq(const QString &source, const QString &target, QString &message);
// One conversion of a batch and, afterwards, its result as ConvertBmpToWsq gives it.
struct BmpToWsq
{
    BmpToWsq(const QString &source, const QString &target) : source(source), target(target) {}
    QString source, target;
    bool ok = false;
    QString message;
};
// Runs the conversions of the batch with up to `parallel` converter processes at a time, in
// the batch's order; `starting` hears the position of each conversion as its process starts.
// Every conversion runs, whatever the others gave.
void ConvertBmpsToWsq(QList<BmpToWsq> &batch, int parallel, const std::function<void(int)> &starting = {});
// Decodes and then removes the source, whose extension must be exactly ".wsq". Messages:
//   "ERROR: No existe archivo origen", "ERROR: El archivo origen debe tener extensión wsq",
//   "No se pudo convertir el archivo: <source>", "No se pudo eliminar archivo origen: <source>".
bool ConvertWsqToBmp(const QString &source, const QString &target, QString &message);

QString Bmp2WsqProgram(); // absolute path in the program folder
QString Wsq2BmpProgram();

} // namespace qal

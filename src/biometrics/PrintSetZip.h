#pragma once

#include <QString>
#include <QStringList>

namespace qal {

// The packed ten-print set: a zip archive with the files at its root under their bare
// names, deflate level 6, no directory entries.
//
// Packs the files of `files` (names relative to the program folder or absolute), in
// order, into `archive`. Each name is trimmed, and the trimmed name written back into the
// list. A missing file writes no archive. Messages:
//   "ERROR: No se puede generar el archivo zip <archive>"  (an old archive stays)
//   "ERROR: No existe archivo origen <name>"
//   "ERROR: No se pudieron comprimir los archivos"
bool ZipFiles(QStringList &files, const QString &archive, QString &message);

// Extracts every entry of `archive` into `folder`. Entries keep their relative paths;
// absolute names and names with ".." parts are refused, and so is the whole archive
// (nothing is extracted). Messages:
//   "ERROR: No existe archivo origen <archive>"
//   "ERROR: No existe directorio destino <folder>"
//   "ERROR: No se pudo descomprimir archivo"
bool UnzipFile(const QString &archive, const QString &folder, QString &message);

// Limits of extraction: a print set is ten files of some tens of kilobytes.
inline constexpr qint64 MaxUnzippedEntryBytes = 64LL << 20;
inline constexpr qint64 MaxUnzippedTotalBytes = 256LL << 20;
inline constexpr qint64 MaxUnzippedEntries = 1000;

} // namespace qal

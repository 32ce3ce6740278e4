#pragma once

#include "dbase/MdxFile.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qal {

// The repairs that maintenance and the administrator's commands make to a damaged table.
// Each keeps a copy of every file it is about to change first, so nothing an office had is
// lost; the names of the copies are returned for the message.

// Copies path to "<base>_orig.<ext>" beside it (then "_orig2", "_orig3", ... when that name
// is taken) and returns the copy's file name. Throws DatabaseError when the copy fails.
QString keepCopy(const QString &path);

// Writes the table's production index anew from the given tag definitions, whatever state
// the old index is in (damaged, missing, stale). The old index, if any, is kept as a copy.
// Returns the names of the copies. Throws DatabaseError.
QStringList rebuildIndex(const QString &fileName, const QList<dbase::TagSpec> &tags);

// The safe repairs of a table whose header disagrees with its file: a record count that
// differs from the whole records the file holds is set to them (the .DBF is copied first).
// Returns what was done, one line each; empty when there was nothing to repair. Throws
// DatabaseError when the damage is not one it can repair safely.
QStringList repairTable(const QString &fileName);

} // namespace qal

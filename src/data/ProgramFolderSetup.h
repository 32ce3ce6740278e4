#pragma once

#include <QList>
#include <QString>

#include <functional>

namespace qal {

// Creates a complete, ready program folder: every table with its production index and the
// index's "_bak.mdx" copy, the code tables filled, a row in the parameter table for every
// setting with its default, and the user "admin". With legacy the tables are written as an
// office of the oldest schema has them (without the fields the upgrade adds, and with the
// narrower widths it widens), so that a start upgrades them for real.
// Existing tables in the folder are replaced. Throws DatabaseError.
// files are the folder's other installed files (the ten-print card template, ...), each
// written by the layer that owns it into the path it is given.
struct FolderFile
{
    QString name;
    std::function<bool(const QString &path)> write;
};
void createProgramFolder(const QString &folder, bool legacy = false, const QList<FolderFile> &files = {});

// Adds three official requests to a new folder (one being entered, one sent and in
// process, one rejected without a stored reason) and an alias of the first: a
// demonstration office.
void addSampleRequests(const QString &folder);

// The rows of the parameter table a new folder starts with: key and value.
QList<QPair<QString, QString>> defaultSettings();

} // namespace qal

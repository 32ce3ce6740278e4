#pragma once

#include "dbase/FieldDescriptor.h"
#include "dbase/MdxFile.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <vector>

namespace qal::test {

// Fields of a .DBF, read straight from its header.
dbase::FieldList readDbfFields(const QString &dbfPath);
// Records of a .DBF (byte 0 the deleted flag).
std::vector<QByteArray> readDbfRecords(const QString &dbfPath);

// Records kept in memory, 1-based, as a record source for indexes.
struct MemoryTable
{
    dbase::FieldList fields;
    int recordLength = 1;
    std::vector<QByteArray> records;

    void addField(const QString &name, char type, int length, int decimals = 0);
    // Values as raw field text (Windows-1252), padded as dBASE does: C left, N right.
    QByteArray make(const QList<QByteArray> &values, bool deleted = false) const;
    dbase::MdxFile::RecordSource source() const;
};

// Each entry of a tag in our walk order: (key bytes, record number).
std::vector<std::pair<QByteArray, std::uint32_t>> walk(const dbase::MdxFile &index, int tag);
// The same as Perl XBase sees it; empty with ok=false when Perl fails.
std::vector<std::pair<QByteArray, std::uint32_t>> perlWalk(const QString &mdxPath, const QString &tag, bool *ok);

} // namespace qal::test

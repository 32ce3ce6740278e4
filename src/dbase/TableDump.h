#pragma once

#include <QString>

#include <functional>

namespace qal::dbase {

// A line-oriented text picture of a table, its memo file and its production index, in the
// format of the independent Perl XBase dumper our compatibility tests compare against:
//
//   HEADER version=0x8b records=2 header_len=129 record_len=25 last_update=2026-07-24 mdx_flag=1 ldid=0x1b
//   FIELD 1 ID N 4 0
//   MEMOFILE block_size=512 file=TESTGEN.DBT
//   RECORD 1 deleted=0
//     NAME="ALPHA     "
//   MDX file=TESTGEN.MDX version=2 dbf_name=TESTGEN block_size=2 block_size_adder=1024 ...
//   TAG NAMETAG type=C keylen=10 itemlen=16 expr="NAME" key_format=0x10 unique=0 descending=0 root=6 keys=2
//     ORDER 1 2
//     KEY 1 "ALPHA     "
//
// Values are the engine's own reading of the files (not the raw bytes), so two equal dumps
// mean the engine and the other reader agree.
struct DumpOptions
{
    bool keys = false;      // KEY lines for every index entry
    bool records = true;
    bool index = true;
};

// Throws DatabaseError when the table itself cannot be read; index problems are printed
// as "MDX ERROR ..." lines, as the other reader does.
QString dumpTable(const QString &dbfPath, const DumpOptions &options = {});
// The same, handed to write in pieces as it goes: memory stays bounded whatever the table's size.
using DumpWriter = std::function<void(const QString &text)>;
void dumpTable(const QString &dbfPath, const DumpOptions &options, const DumpWriter &write);

} // namespace qal::dbase

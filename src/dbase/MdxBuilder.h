#pragma once

#include "KeyExpression.h"
#include "TagKeys.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace qal::dbase {

// Writes a whole production index in one pass, as dBASE does when it creates or
// regenerates one: tag headers first, then for each tag its leaves, filled completely,
// followed by the interior levels up to the root.
struct MdxBuildTag
{
    QString name;        // upper case, 1..10 characters
    QString expression;
    QString forCondition; // empty: none
    bool descending = false;
    bool unique = false;
    bool plainField = false;
    KeyType type = KeyType::Character;
    int keyLength = 0;
    // Already in the tag's order.
    TagKeys entries;
};

// Receives the file in pieces, in file order: bytes for offset on.
using MdxImageWriter = std::function<void(std::int64_t offset, const QByteArray &bytes)>;

// Lays the file out and hands it to write() a piece at a time, from a buffer reused for
// every piece: an index of a large table is megabytes, and memory asked of the system anew
// costs a page fault every 4 KB.
void buildMdx(const QString &tableName, std::uint8_t languageDriver, const std::vector<MdxBuildTag> &tags,
              const QDate &today, const MdxImageWriter &write);

} // namespace qal::dbase

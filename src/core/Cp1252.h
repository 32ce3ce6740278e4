#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace qal {

// Tables, INI files and the central office's files are Windows-1252 text.
// These two functions are the only place where that encoding is converted.

// Every byte maps to a character; the five bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 control of the same value, as Windows does.
QString fromCp1252(QByteArrayView bytes);

// Characters outside Windows-1252 become '?'.
QByteArray toCp1252(QStringView text);

// True when every character of text has a Windows-1252 byte.
bool isCp1252(QStringView text);

} // namespace qal

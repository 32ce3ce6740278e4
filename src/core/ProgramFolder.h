#pragma once

#include <QString>

namespace qal {

// The program folder: the folder of the executable, made the current directory at
// start. Every bare file name the program uses lives there, and names are matched
// ignoring case, as on the Windows file systems the office's files come from.
class ProgramFolder
{
public:
    // Absolute path without a trailing slash.
    static QString path();
    static void setPath(const QString &folder);

    // The path of a file of the program folder. When a file exists whose name matches
    // ignoring case (each component of a relative path is matched that way), it is that
    // file; otherwise the name as written, under the program folder. Absolute names are
    // resolved the same way below their own folder.
    static QString resolve(const QString &name);

    // Resolve a name against any folder, with the same rule.
    static QString resolveIn(const QString &folder, const QString &name);
};

} // namespace qal

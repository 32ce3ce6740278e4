#include "QalRegIni.h"

#include "core/IniFile.h"
#include "core/ProgramFolder.h"

namespace qal::qalregini {

QString path()
{
    return ProgramFolder::resolve(QStringLiteral("QalReg.INI"));
}

bool usaOutlookSecMan()
{
    return IniFile(path()).readInteger(QStringLiteral("Config"), QStringLiteral("UsaOutlookSecMan"), 1) != 0;
}

QString urlServicio()
{
    const QString url = IniFile(path()).readString(QStringLiteral("QALService"), QStringLiteral("URL")).trimmed();
    return url.isEmpty() ? QString::fromUtf16(kUrlServicioPorOmision) : url;
}

} // namespace qal::qalregini

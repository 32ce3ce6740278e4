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

namespace {

QString valorServicio(const char *key)
{
    return IniFile(path()).readString(QStringLiteral("QALService"), QString::fromLatin1(key)).trimmed();
}

} // namespace

QString servidor()
{
    QString server = valorServicio("Servidor");
    if (server.isEmpty())
        server = QString::fromUtf16(kServidorPorOmision);
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

QString urlServicio()
{
    const QString url = valorServicio("URL");
    return url.isEmpty() ? servidor() + QString::fromUtf16(kRutaServicioMensajes) : url;
}

QString espacioNombres()
{
    QString ns = valorServicio("Namespace");
    if (ns.isEmpty())
        ns = QString::fromUtf16(kEspacioNombresPorOmision);
    if (!ns.endsWith(QLatin1Char('/')))
        ns += QLatin1Char('/');
    return ns;
}

int tiempoEsperaSegundos()
{
    const int seconds = IniFile(path()).readInteger(QStringLiteral("QALService"), QStringLiteral("TimeOut"),
                                                    kTiempoEsperaPorOmision);
    return seconds >= 1 ? seconds : kTiempoEsperaPorOmision;
}

} // namespace qal::qalregini

#include "Documentos.h"

#include "ColaImpresion.h"
#include "DatosDocumentos.h"
#include "PaginasImagen.h"
#include "TrpFicha.h"

#include "biometrics/PrintSetZip.h"
#include "biometrics/TenPrintCard.h"
#include "biometrics/WsqServices.h"
#include "data/RequestFiles.h"
#include "data/Tdm.h"

#include "core/Dialogs.h"
#include "core/ProgramFolder.h"

#include <QTemporaryDir>

namespace qal::reports {
namespace {

bool oficial(Documento d)
{
    return d == Documento::Oficio || d == Documento::FichaOficial;
}

// The card composed from a packed print set, in a folder of its own that goes with it.
QImage composeFromPrintSet(const QString &zipFile)
{
    QTemporaryDir work;
    QString message;
    if (!work.isValid() || !UnzipFile(ProgramFolder::resolve(zipFile), work.path(), message))
        return {};
    const QString prefix = work.filePath(QStringLiteral("dedo"));
    for (int n = 1; n <= 10; ++n)
        WsqFileToBmp(prefix + QString::number(n) + QStringLiteral(".wsq"), prefix + QString::number(n) + QStringLiteral(".bmp"));
    const QString card = work.filePath(QStringLiteral("ficha.bmp"));
    if (!ComposeCard(prefix, card))
        return {};
    return QImage(card);
}

} // namespace

std::optional<Documento> DocumentoPorNombre(const QString &name)
{
    const QString n = name.simplified().toLower();
    if (n == QLatin1String("oficio"))
        return Documento::Oficio;
    if (n == QLatin1String("comprobante"))
        return Documento::Comprobante;
    if (n == QLatin1String("contestacion") || n == QStringLiteral("contestación"))
        return Documento::Contestacion;
    if (n == QLatin1String("rechazo"))
        return Documento::Rechazo;
    if (n == QLatin1String("ficha oficial"))
        return Documento::FichaOficial;
    if (n == QLatin1String("ficha personal"))
        return Documento::FichaPersonal;
    return std::nullopt;
}

std::unique_ptr<TrpFicha> FichaDePedido(Tdm &dm, bool esOficial, QString *error)
{
    dbase::Table &t = esOficial ? dm.ped : dm.pedp;
    const QVariant cPed = t.value(QStringLiteral("C_PED"));
    const QVariant cReg = t.value(QStringLiteral("C_REG"));
    auto ficha = std::make_unique<TrpFicha>();
    ficha->SetTitulo(QStringLiteral("Ped:%1 Reg:%2").arg(TextoCampo(cPed), TextoCampo(cReg)));
    const QString zip = ArchivoPedido(esOficial ? QStringLiteral("z") : QStringLiteral("zp"), cPed, cReg);
    if (ExisteArchivo(zip)) {
        const QImage card = composeFromPrintSet(zip);
        if (!card.isNull()) {
            ficha->setImage(card);
            return ficha;
        }
    }
    const QString cardFile = ArchivoPedido(esOficial ? QStringLiteral("h") : QStringLiteral("hp"), cPed, cReg);
    if (!ficha->SetImagen(cardFile, error))
        return nullptr;
    return ficha;
}

std::unique_ptr<Report> CrearDocumento(Tdm &dm, Documento documento, QString *error)
{
    switch (documento) {
    case Documento::Oficio: {
        auto r = std::make_unique<TrpOficio>();
        r->datos = DatosOficioDe(dm);
        return r;
    }
    case Documento::Comprobante: {
        auto r = std::make_unique<TrpCompr>();
        if (!r->setDatos(DatosComprobanteDe(dm), error))
            return nullptr;
        return r;
    }
    case Documento::Contestacion: {
        auto r = std::make_unique<TrpContesPriv>();
        r->datos = DatosContestacionDe(dm);
        return r;
    }
    case Documento::Rechazo: {
        auto r = std::make_unique<TrpRechPriv>();
        r->datos = DatosRechazoDe(dm);
        return r;
    }
    case Documento::FichaOficial:
    case Documento::FichaPersonal:
        return FichaDePedido(dm, documento == Documento::FichaOficial, error);
    }
    return nullptr;
}

int EncolarDocumento(Tdm &dm, Documento documento)
{
    QString error;
    std::unique_ptr<Report> report = CrearDocumento(dm, documento, &error);
    if (!report) {
        Dialogs::error(error);
        return 0;
    }
    return EncolarImpresion(std::move(report));
}

int EncolarImagen(const QString &fileName)
{
    auto pages = std::make_unique<PaginasImagen>();
    if (!pages->abrir(fileName))
        return 0;
    return EncolarImpresion(std::move(pages));
}

bool IrAPedido(Tdm &dm, Documento documento, qlonglong cPed)
{
    dbase::Table &t = oficial(documento) ? dm.ped : dm.pedp;
    t.setIndexField(QStringLiteral("C_PED"));
    return t.findKey(cPed);
}

} // namespace qal::reports

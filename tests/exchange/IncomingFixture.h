#pragma once

#include "data/StoredRequests.h"

#include "exchange/MailFixture.h"

#include "exchange/TSMimeReg.h"

#include "core/Clock.h"
#include "core/ProgramFolder.h"
#include "support/MensajesCentral.h"

#include <QDir>
#include <QFile>

namespace qal::test {

// What the processing said and asked to print.
struct AvisosGrabados : exchange::AvisosRecepcion
{
    QStringList estadosLinea, lineas, listas, impresas;
    int mostradas = 0, contestacionesPersonales = 0, cursores = 0;
    bool visible = true;
    void estado(const QString &texto) override { estadosLinea << texto; }
    void ocupado(bool busy) override { cursores += busy ? 1 : -1; }
    void actividad(const QString &linea) override { lineas << linea; }
    void mostrarActividad() override { ++mostradas; }
    bool actividadVisible() const override { return visible; }
    void estados(const QStringList &l) override { listas << l; }
    void imprimirImagen(const QString &archivo) override { impresas << archivo; }
    void imprimirContestacionPersonal() override { ++contestacionesPersonales; }
};

// A program folder of office 3 (official) and 7 (personal) whose account reads the rig's
// mailbox, with the central office's subjects configured and mail sent by SMTP.
struct IncomingFixture : MailFixture
{
    static constexpr int kReg = 3;
    static constexpr int kRegP = 7;
    static QString hora() { return QStringLiteral("31/03/2026 12:00:00"); }

    void SetUp() override
    {
        Clock::setFixed(QDateTime(QDate(2026, 3, 31), QTime(12, 0)));
        MailFixture::SetUp();
        if (IsSkipped())
            return;
        setting("c_reg", QString::number(kReg));
        setting("c_regp", QString::number(kRegP));
        setting("x_msgexp", QStringLiteral("CONTESTACION OFICIAL"));
        setting("x_msgexpp", QStringLiteral("CONTESTACION PERSONAL"));
        setting("x_msgconfp", QStringLiteral("CONFIRMACION"));
        setting("envWebService", QStringLiteral("N"));
        dm->VersionPrograma = QStringLiteral("2.36");
        newTransport();
    }
    void TearDown() override
    {
        smime.reset();
        MailFixture::TearDown();
        Clock::reset();
    }
    void newTransport()
    {
        smime = std::make_unique<exchange::TSMimeReg>(*dm, dir.path());
        smime->setAvisos(&avisos);
    }

    // A sent official (or personal) request; its number.
    qlonglong request(bool personal = false, const QString &state = QStringLiteral("E"))
    {
        return storeRequestInState(*dm, personal, state);
    }
    // The request's field, read afresh.
    QVariant field(bool personal, qlonglong number, const char *name)
    {
        return storedRequestField(*dm, personal, number, name);
    }
    QString state(bool personal, qlonglong number) { return field(personal, number, "C_EST").toString(); }

    bool run() { return smime->ProcesarBandejaPOP3(); }
    const exchange::ContadoresRecepcion &counters() const { return smime->ultimaRecepcion(); }
    bool exists(const QString &name) { return QFile::exists(dir.file(name)); }

    AvisosGrabados avisos;
    std::unique_ptr<exchange::TSMimeReg> smime;
};

} // namespace qal::test

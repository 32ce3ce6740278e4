// Incoming processing:
//   - 200 answers of 100 KB read from a mail rig of its own, applied to their requests and
//     deleted by ProcesarBandejaPOP3, against one curl run per message doing LIST, RETR and
//     DELE (target: at most 2 times curl);
//   - a 10,000-line official state list applied to 100,000 requests, 1,000 lines moving a
//     request and 9,000 changing nothing (target: under 3 seconds), then the same list again,
//     when no line changes anything.
#include "BenchRig.h"

#include "data/EstadosCentral.h"
#include "data/ProgramFolderSetup.h"
#include "data/TableSchema.h"
#include "data/Tdm.h"
#include "dbase/Table.h"
#include "exchange/TSMimeReg.h"

#include "core/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <unistd.h>

#include <cstdio>

using namespace qal;
using namespace benchrig;

namespace {

constexpr int kAnswers = 200;
constexpr int kAnswerBytes = 100 * 1024;
constexpr int kRequests = 100000;
constexpr int kLines = 10000;
constexpr int kMoving = 1000;
constexpr int kReg = 3;

void openTables(Tdm &dm)
{
    for (const auto &[component, table] : dm.tables()) {
        table->open();
        const QString key = tableDefinition(component).keyField;
        if (!key.isEmpty() && table->hasProductionIndex())
            table->setIndexField(key);
    }
}

// Official requests 1..count, written straight into the table (no record rules), each one
// complete enough for the rules to accept a later save.
void fillRequests(int count, const std::function<QString(int)> &state)
{
    dbase::Table t(QStringLiteral("PED.DBF"));
    t.open(dbase::Table::Mode::Exclusive);
    for (int i = 1; i <= count; ++i) {
        t.append();
        t.setValue("C_PED", qlonglong(i));
        t.setValue("C_REG", qlonglong(kReg));
        t.setValue("C_ORG", qlonglong(2));
        t.setValue("X_DOM", QStringLiteral("SAN MARTIN 100"));
        t.setValue("X_LOC", QStringLiteral("CORDOBA"));
        t.setValue("C_PROV", qlonglong(1));
        t.setValue("C_NAC", qlonglong(1));
        t.setValue("C_SEXO", QStringLiteral("M"));
        t.setValue("C_CODPOS", QStringLiteral("5000"));
        t.setValue("F_PED", QDate(2025, 1, 1));
        t.setValue("X_APE1", QStringLiteral("GOMEZ"));
        t.setValue("X_NOM1", QStringLiteral("JUAN"));
        t.setValue("C_PRIOR", qlonglong(1));
        t.setValue("C_TDEL", qlonglong(101));
        t.setValue("C_CARPED", QStringLiteral("N"));
        t.setValue("M_ENVIADO", true);
        const QString s = state(i);
        t.setValue("C_EST", s);
        if (s == QLatin1String("T"))
            t.setValue("N_EXPE", qlonglong(i));
        t.post();
    }
    t.close();
}

QByteArray answerMessage(int ped, const QByteArray &image)
{
    const QByteArray dat = "[DATA]\r\nc_ped=" + QByteArray::number(ped) + "\r\nc_reg=" + QByteArray::number(kReg)
                           + "\r\nn_expe=" + QByteArray::number(ped + 500) + "\r\nc_est=C\r\n";
    QByteArray m = "From: central@qal.test\r\nTo: regional@qal.test\r\nSubject: CONTESTACION OFICIAL\r\n"
                   "Message-ID: <bench-" + QByteArray::number(ped) + "@qal.test>\r\nMIME-Version: 1.0\r\n"
                   "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\nContent-Type: text/plain\r\n\r\nx\r\n";
    for (const auto &[name, bytes] : {std::pair {QByteArray("resp.dat"), dat}, std::pair {QByteArray("resp.tif"), image}}) {
        m += "--b\r\nContent-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
             "Content-Disposition: attachment; filename=\"" + name + "\"\r\n\r\n";
        const QByteArray b64 = bytes.toBase64();
        for (qsizetype i = 0; i < b64.size(); i += 76)
            m += b64.mid(i, 76) + "\r\n";
    }
    return m + "--b--\r\n";
}

void inject(const Rig &rig, const QByteArray &message, int n)
{
    const QString name = QStringLiteral("%1.M%2P%3.bench").arg(1700000000 + n).arg(n).arg(getpid());
    const QString tmp = rig.maildir + QStringLiteral("/tmp/") + name;
    writeFile(tmp, message);
    (void)::chown(QFile::encodeName(tmp).constData(), 65534, 65534);
    QFile::rename(tmp, rig.maildir + QStringLiteral("/new/") + name);
}

int receptionBench()
{
    Rig rig;
    if (!startRig(rig))
        return 1;
    QTemporaryDir folder;
    createProgramFolder(folder.path());
    ProgramFolder::setPath(folder.path());
    fillRequests(kAnswers, [](int) { return QStringLiteral("E"); });
    Tdm dm;
    openTables(dm);
    configure(dm, rig);
    for (const auto &[k, v] : {std::pair {"x_msgexp", "CONTESTACION OFICIAL"}, std::pair {"envWebService", "N"},
                               std::pair {"emailFwd", "reenvios@qal.test"}, std::pair {"c_reg", "3"}})
        dm.GrabarParametro(QLatin1String(k), QLatin1String(v));
    dm.mImpAuto = false;
    dm.InicioCompleto = true;
    exchange::TSMimeReg smime(dm, folder.path());

    const QByteArray image = randomBytes(kAnswerBytes);
    QList<QByteArray> messages;
    for (int i = 1; i <= kAnswers; ++i)
        messages << answerMessage(i, image);

    clearMailbox(rig);
    for (int i = 0; i < kAnswers; ++i)
        inject(rig, messages[i], i);
    QElapsedTimer t;
    t.start();
    const bool ok = smime.ProcesarBandejaPOP3();
    const double ours = seconds(t);
    const exchange::ContadoresRecepcion &c = smime.ultimaRecepcion();
    if (!ok || c.procesados != kAnswers) {
        std::fprintf(stderr, "reception: %d processed, %d not: %s\n", c.procesados, c.noProcesados,
                     qPrintable(c.fallos.value(0, c.error)));
        stopRig(rig);
        return 1;
    }

    clearMailbox(rig);
    for (int i = 0; i < kAnswers; ++i)
        inject(rig, messages[i], i);
    const double curl = readDeleteCurl(rig, kAnswers);
    stopRig(rig);
    std::printf("%-58s ours %6.2f s   curl %6.2f s   ratio %.2f %s\n", "200 answers of 100 KB: applied and deleted",
                ours, curl, ours / curl, ours <= 2 * curl ? "(<= 2: ok)" : "(> 2: TOO SLOW)");
    return ours <= 2 * curl ? 0 : 1;
}

int stateListBench()
{
    const QString root = QDir::tempPath() + QStringLiteral("/qal-bench-incoming");
    QDir(root).removeRecursively();
    createProgramFolder(root);
    ProgramFolder::setPath(root);
    // 1..1,000 sent (they move to T), 1,001..10,000 already in T with their file number
    // (their lines change nothing), the rest answered.
    fillRequests(kRequests, [](int i) {
        return i <= kMoving ? QStringLiteral("E") : i <= kLines ? QStringLiteral("T") : QStringLiteral("C");
    });
    QString list;
    for (int i = 1; i <= kLines; ++i)
        list += QStringLiteral("%1;T|%2\r\n").arg(i).arg(i);
    Tdm dm;
    openTables(dm);
    dm.VersionPrograma = QStringLiteral("2.36");
    int status = 0;
    for (const char *what : {"10,000 lines on 100,000 requests, 1,000 moving", "the same list again, nothing moving"}) {
        QElapsedTimer t;
        t.start();
        const QStringList out = AplicarListaEstados(dm, ListaEstados::Oficiales, list);
        const double s = seconds(t);
        std::printf("%-58s %6.2f s %s\n", what, s, s < 3 ? "(< 3: ok)" : "(>= 3: TOO SLOW)");
        if (out.size() != kLines + 6 || s >= 3)
            status = 1;
    }
    dm.ped.setIndexField(QStringLiteral("C_PED"));
    dm.ped.findKey(qlonglong(kMoving));
    if (dm.ped.value(QStringLiteral("C_EST")).toString() != QLatin1String("T")) {
        std::fprintf(stderr, "request %d did not move\n", kMoving);
        status = 1;
    }
    QDir(root).removeRecursively();
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool onlyList = args.contains(QStringLiteral("--list"));
    const bool onlyMail = args.contains(QStringLiteral("--mail"));
    int status = 0;
    if (!onlyMail)
        status |= stateListBench();
    if (!onlyList)
        status |= receptionBench();
    return status;
}

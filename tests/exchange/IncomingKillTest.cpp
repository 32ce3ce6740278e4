// The reception killed at random moments: every message is either still on the server or
// applied exactly once, and the tables check clean.
#include "exchange/IncomingFixture.h"

#include "dbase/Table.h"
#include "dbase/TableCheck.h"

#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <iostream>
#include <random>

using namespace qal;
using namespace qal::test;

namespace {

using IncomingKills = IncomingFixture;
using M = MensajesCentral;

constexpr int kMessages = 50;
constexpr int kGroups = 3; // rounds with fresh requests, while kills last; later rounds repeat
constexpr int kKills = 100;

QByteArray answerImage(qlonglong n)
{
    return QByteArray("II*\0", 4) + QByteArray::number(n).repeated(2000);
}

// The requests whose message is still in the rig's mailbox, by the Message-ID they carry.
QSet<qlonglong> onServer(const MailRig &rig)
{
    QSet<qlonglong> present;
    static const QRegularExpression id(QStringLiteral("Message-ID: <pedido-(\\d+)@central"));
    for (const char *sub : {"/new", "/cur"}) {
        QDirIterator it(rig.maildir + QLatin1String(sub), QDir::Files);
        while (it.hasNext()) {
            QFile f(it.next());
            if (!f.open(QIODevice::ReadOnly))
                continue; // deleted meanwhile
            const auto m = id.match(QString::fromLatin1(f.read(4096)));
            if (m.hasMatch())
                present.insert(m.captured(1).toLongLong());
        }
    }
    return present;
}

struct Applied
{
    QString state;
    qlonglong expediente = 0;
};

// The official requests as the files hold them, read by a table object of our own.
QHash<qlonglong, Applied> requests()
{
    QHash<qlonglong, Applied> result;
    dbase::Table t(QStringLiteral("PED.DBF"));
    t.open();
    for (t.first(); !t.eof(); t.next())
        result.insert(t.value("C_PED").toLongLong(),
                      {t.value("C_EST").toString(), t.value("N_EXPE").toLongLong()});
    t.close();
    return result;
}

TEST_F(IncomingKills, EveryMessageIsOnTheServerOrAppliedOnce)
{
    setting("m_impauto", QStringLiteral("N"));
    // Half confirmations, half answers with their image; each request's message names it.
    QList<QList<qlonglong>> groups(kGroups);
    QList<qlonglong> numbers;
    for (QList<qlonglong> &group : groups) {
        for (int i = 0; i < kMessages; ++i)
            group << request();
        numbers += group;
    }
    smime.reset();
    mail.reset();
    dm.reset(); // from here on only qal-admin writes the tables
    const auto message = [](qlonglong n) {
        M::Resp r {n, kReg, 1000 + n, n % 2 ? QStringLiteral("T") : QStringLiteral("C"), {}, {}, {}, {}};
        QList<Adjunto> files {{QStringLiteral("resp.dat"), M::respDat(r)}};
        if (n % 2 == 0)
            files.append({QStringLiteral("resp.tif"), answerImage(n)});
        return M::mensaje(n % 2 ? QStringLiteral("CONFIRMO") : QStringLiteral("CONTESTACION OFICIAL"), files,
                          QStringLiteral("<pedido-%1@central.qal.test>").arg(n));
    };
    for (qlonglong n : groups[0])
        rig.inject(message(n));

    QList<qlonglong> injected = groups[0];
    const auto check = [&](const char *when) {
        const QSet<qlonglong> present = onServer(rig);
        const QHash<qlonglong, Applied> now = requests();
        for (qlonglong n : injected) {
            if (present.contains(n))
                continue;
            const Applied a = now.value(n);
            ASSERT_EQ(a.state, n % 2 ? QStringLiteral("T") : QStringLiteral("C")) << when << " request " << n;
            ASSERT_EQ(a.expediente, 1000 + n) << when << " request " << n;
            if (n % 2 == 0) {
                ASSERT_EQ(readFile(dir.file(QStringLiteral("c%1.%2").arg(n).arg(kReg))), answerImage(n)) << n;
            }
        }
        for (const QString &table : {QStringLiteral("PED.DBF"), QStringLiteral("amb.dbf")}) {
            const QStringList problems = dbase::checkTable(dir.file(table));
            ASSERT_TRUE(problems.isEmpty()) << when << ": " << problems.join(u'\n').toStdString();
        }
    };

    const QString admin = QStringLiteral(QAL_BIN_DIR) + QStringLiteral("/qal-admin");
    std::mt19937 rng(20261209);
    QByteArray output;
    int kills = 0, rounds = 0;
    // Kills land anywhere in the first `longest` ms of a run; a run that got nothing done
    // before its kill (a slow start on a loaded machine) widens the window.
    int longest = 1500;
    while (kills < kKills) {
        if (onServer(rig).isEmpty()) {
            // All went through: the next group, and after the last one the same messages
            // again, which must change nothing and say nothing.
            ++rounds;
            const QList<qlonglong> &group = groups[rounds % kGroups];
            for (qlonglong n : group)
                rig.inject(message(n));
            if (rounds < kGroups)
                injected += group;
        }
        const qsizetype before = onServer(rig).size();
        QProcess run;
        run.start(admin, {QStringLiteral("receive"), dir.path()});
        ASSERT_TRUE(run.waitForStarted());
        QThread::msleep(std::uniform_int_distribution<int>(20, longest)(rng));
        if (run.state() == QProcess::Running) {
            ::kill(pid_t(run.processId()), SIGKILL);
            ++kills;
        }
        run.waitForFinished();
        output += run.readAllStandardOutput();
        check("after a kill");
        if (onServer(rig).size() == before)
            longest = std::min(longest * 3 / 2, 20000);
    }
    QProcess last;
    last.start(admin, {QStringLiteral("receive"), dir.path()});
    ASSERT_TRUE(last.waitForFinished(120000));
    output += last.readAllStandardOutput();
    EXPECT_EQ(last.exitCode(), 0) << last.readAllStandardError().toStdString();
    EXPECT_TRUE(onServer(rig).isEmpty());
    check("at the end");
    for (qlonglong n : numbers) {
        if (n % 2) {
            EXPECT_LE(output.count(QStringLiteral("Pedido Oficial %1 Recibido").arg(n).toUtf8()), 1) << n;
        }
    }
    for (const char *left : {"resp.dat", "resp.tif"})
        EXPECT_FALSE(exists(QLatin1String(left)));
    std::cout << kills << " kills, " << rounds << " rounds\n";
}

} // namespace

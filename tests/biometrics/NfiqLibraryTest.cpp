#include "biometrics/NfiqLibrary.h"
#include "biometrics/quality/QualityScorer.h"
#include "core/ProgramFolder.h"
#include "imaging/BmpFile.h"
#include "support/ScriptedDialogs.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

using namespace qal;

namespace {

// A one-file HTTP server on loopback: answers every GET with the configured status and
// body, and remembers what it was asked.
class FileServer
{
public:
    FileServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { serve(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort())); }
    void reply(int status, QByteArray body)
    {
        m_status = status;
        m_body = std::move(body);
    }
    const QList<QByteArray> &requests() const { return m_requests; }

private:
    void serve(QTcpSocket *socket)
    {
        QByteArray &pending = m_pending[socket];
        pending += socket->readAll();
        if (!pending.contains("\r\n\r\n"))
            return;
        m_requests.append(pending);
        m_pending.remove(socket);
        socket->write("HTTP/1.1 " + QByteArray::number(m_status) + " X\r\nContent-Length: "
                      + QByteArray::number(m_body.size()) + "\r\nConnection: close\r\n\r\n" + m_body);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<QByteArray> m_requests;
    int m_status = 404;
    QByteArray m_body;
};

QByteArray builtModule()
{
    QFile f(QStringLiteral(QAL_BIN_DIR "/") + NfiqLibrary::fileName());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

class NfiqLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        NfiqLibrary::unload();
        ProgramFolder::setPath(folder.path());
        NfiqLibrary::setServer(server.url());
        ASSERT_FALSE(builtModule().isEmpty());
    }
    void TearDown() override
    {
        NfiqLibrary::unload();
        EXPECT_NO_DIALOG_PROBLEMS(dialogs);
    }
    QStringList folderFiles() const { return QDir(folder.path()).entryList(QDir::Files); }

    test::TempFolder folder;
    test::ScriptedDialogs dialogs;
    FileServer server;
};

GreyImage finger(const char *name)
{
    return BmpFile::readGrey(test::TempFolder::fixture(QStringLiteral("fingers/bmp/") + QLatin1String(name)));
}

} // namespace

TEST_F(NfiqLibraryTest, ModuleInTheProgramFolderScoresLikeTheScorer)
{
    ASSERT_TRUE(writeFile(folder.file(NfiqLibrary::fileName()), builtModule()));
    ASSERT_TRUE(NfiqLibrary::loadAtStart());
    EXPECT_TRUE(EnsureNfiqLibrary());

    GreyImage image = finger("safis_probe.bmp");
    ASSERT_FALSE(image.isNull());
    GreyImage copy = image;
    const QualityRecord r = ScoreImage(image);
    const int width = copy.width() - copy.width() % 4;
    GreyImage cropped(width, copy.height());
    for (int y = 0; y < copy.height(); ++y)
        std::copy_n(copy.row(y), width, cropped.row(y));
    const auto direct = quality::scoreFingerprint(cropped.pixels().data(), width, cropped.height());
    EXPECT_EQ(r.code, direct.code);
    EXPECT_EQ(r.nfiq, direct.nfiq);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(NfiqLibraryTest, ScoringCropsThePictureToAMultipleOfFourColumns)
{
    ASSERT_TRUE(writeFile(folder.file(NfiqLibrary::fileName()), builtModule()));
    ASSERT_TRUE(NfiqLibrary::loadAtStart());
    GreyImage image = finger("nist_tip_wsq.bmp"); // 344 wide
    GreyImage wide(641, image.height());
    for (int y = 0; y < image.height(); ++y) {
        std::copy_n(image.row(y), image.width(), wide.row(y));
        std::copy_n(image.row(y), 641 - image.width(), wide.row(y) + image.width());
    }
    const QualityRecord r = ScoreImage(wide);
    EXPECT_EQ(wide.width(), 640);
    EXPECT_EQ(wide.row(5)[639], image.row(5)[639 - 344]);
    const auto direct = quality::scoreFingerprint(wide.pixels().data(), 640, wide.height());
    EXPECT_EQ(r.nfiq, direct.nfiq);

    GreyImage none;
    EXPECT_EQ(ScoreImage(none).code, QualityNoImage);
}

TEST_F(NfiqLibraryTest, MissingModuleIsDownloadedCheckedAndRenamedIntoPlace)
{
    server.reply(200, builtModule());
    EXPECT_FALSE(NfiqLibrary::loadAtStart()); // silent
    GreyImage image = finger("safis_probe.bmp");
    const QualityRecord r = ScoreImage(image);
    EXPECT_EQ(r.code, 0);
    EXPECT_GE(r.nfiq, 1);
    EXPECT_TRUE(NfiqLibrary::isLoaded());
    EXPECT_EQ(folderFiles(), QStringList {NfiqLibrary::fileName()}); // no temporary left
    ASSERT_EQ(server.requests().size(), 1);
    const QByteArray request = server.requests().front();
    EXPECT_TRUE(request.startsWith("GET /libgbnfiq.so HTTP/1.1\r\n")) << request.toStdString();
    EXPECT_TRUE(request.contains("User-Agent: test_nfiq_library\r\n")) << request.toStdString();
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(NfiqLibraryTest, FailedOrForeignDownloadsLeaveNothingBehind)
{
    const QString message = QStringLiteral("Error bajando desde \"%1/libgbnfiq.so\"").arg(server.url().toString());
    GreyImage image = finger("safis_probe.bmp");

    server.reply(404, "not here");
    EXPECT_EQ(ScoreImage(image).code, QualityNoLibrary);
    EXPECT_EQ(dialogs.lastText(), message);
    EXPECT_EQ(dialogs.shown().back().title, QStringLiteral("Error"));

    // a file that is no module, and one cut short, are never put in place
    server.reply(200, QByteArray("\x7f" "ELF but not really", 19));
    EXPECT_EQ(ScoreImage(image).code, QualityNoLibrary);
    server.reply(200, builtModule().left(4096));
    EXPECT_FALSE(EnsureNfiqLibrary());
    EXPECT_TRUE(folderFiles().isEmpty()) << folderFiles().join(u' ').toStdString();
    EXPECT_EQ(dialogs.shown().size(), 3);

    // nobody listening: one attempt per scoring call
    NfiqLibrary::setServer(QUrl(QStringLiteral("http://127.0.0.1:1")));
    EXPECT_EQ(ScoreImage(image).code, QualityNoLibrary);
    EXPECT_EQ(dialogs.lastText(), QStringLiteral("Error bajando desde \"http://127.0.0.1:1/libgbnfiq.so\""));
    EXPECT_EQ(server.requests().size(), 3);
}

TEST_F(NfiqLibraryTest, UnloadableModuleInTheFolderIsNotReplaced)
{
    server.reply(200, builtModule());
    ASSERT_TRUE(writeFile(folder.file(NfiqLibrary::fileName()), "garbage"));
    EXPECT_FALSE(NfiqLibrary::loadAtStart());
    EXPECT_FALSE(EnsureNfiqLibrary());
    GreyImage image = finger("safis_probe.bmp");
    EXPECT_EQ(ScoreImage(image).code, QualityNoLibrary);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(dialogs.shown().isEmpty());
}

TEST_F(NfiqLibraryTest, ModuleWithoutTheEntryPointsStopsStartUp)
{
    QFile foreign(QStringLiteral(QAL_BIN_DIR "/libqal_test_foreign_module.so"));
    ASSERT_TRUE(foreign.copy(folder.file(NfiqLibrary::fileName())));
    EXPECT_THROW(NfiqLibrary::loadAtStart(), NfiqLibrary::MissingEntryPoint);
    EXPECT_FALSE(NfiqLibrary::isLoaded());

    // the same file downloaded is refused before it takes the module's name
    QFile::remove(folder.file(NfiqLibrary::fileName()));
    ASSERT_TRUE(foreign.open(QIODevice::ReadOnly));
    server.reply(200, foreign.readAll());
    EXPECT_FALSE(EnsureNfiqLibrary());
    EXPECT_TRUE(folderFiles().isEmpty());
    EXPECT_EQ(dialogs.shown().size(), 1);
}

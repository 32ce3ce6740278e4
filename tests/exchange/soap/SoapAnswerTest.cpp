// Reading the central office's answers: what counts as a value, a fault and an unusable answer.
#include "exchange/soap/SoapAnswer.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace qal::soap;

namespace {

const QString kNs = QStringLiteral("http://tempuri.org/");

QByteArray envelope(const QByteArray &body, const QByteArray &header = {})
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap:Envelope "
           "xmlns:soap=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">"
        + header + "<soap:Body>" + body + "</soap:Body></soap:Envelope>";
}

} // namespace

TEST(SoapAnswer, ValuesNullsAndEmptyTextsAreTold)
{
    const SoapAnswer a = parseSoapAnswer(
        envelope("<GetPedidoByTramResponse xmlns=\"http://tempuri.org/\"><GetPedidoByTramResult>a=1|&amp;|"
                 "</GetPedidoByTramResult><errorDesc xsi:nil=\"true\"/><otro></otro><otro>2</otro>"
                 "</GetPedidoByTramResponse>",
                 "<soap:Header><x><y/></x></soap:Header>"),
        kNs, QStringLiteral("GetPedidoByTram"));
    ASSERT_EQ(a.kind, SoapAnswer::Result) << a.problem.toStdString();
    EXPECT_EQ(a.values.value("GetPedidoByTramResult"), "a=1|&|");
    EXPECT_TRUE(a.values.value("errorDesc").isNull());
    EXPECT_TRUE(a.values.contains("errorDesc"));
    EXPECT_FALSE(a.values.value("otro").isNull()) << "the first of two, empty";
    EXPECT_TRUE(a.values.value("otro").isEmpty());
}

TEST(SoapAnswer, FaultsAreReadWhateverTheirDetail)
{
    const SoapAnswer a = parseSoapAnswer(
        envelope("<soap:Fault><faultcode>soap:Server</faultcode><faultstring> Sin base </faultstring>"
                 "<detail><a><b>c</b></a></detail></soap:Fault>"),
        kNs, QStringLiteral("SendMessage"));
    ASSERT_EQ(a.kind, SoapAnswer::Fault);
    EXPECT_EQ(a.faultCode, "soap:Server");
    EXPECT_EQ(a.faultString, "Sin base");
}

TEST(SoapAnswer, AnythingElseIsMalformed)
{
    const QByteArray good = "<SendMessageResponse xmlns=\"http://tempuri.org/\"><SendMessageResult>ok"
                            "</SendMessageResult></SendMessageResponse>";
    EXPECT_EQ(parseSoapAnswer(envelope(good), kNs, "SendMessage").kind, SoapAnswer::Result);

    const QList<QByteArray> bad = {
        "",
        "no es xml",
        envelope(good).left(envelope(good).size() - 10),                      // cut off
        envelope(good) + "<otro/>",                                           // two roots
        envelope(good).replace("schemas.xmlsoap.org/soap/envelope/", "www.w3.org/2003/05/soap-envelope"),
        envelope(QByteArray(good).replace("tempuri.org", "otro.org")),         // other namespace
        envelope("<VerifyMessageResponse xmlns=\"http://tempuri.org/\"/>"),  // other operation
        envelope(""),                                                         // empty body
        envelope("<SendMessageResponse xmlns=\"http://tempuri.org/\"><SendMessageResult><b>x</b>"
                 "</SendMessageResult></SendMessageResponse>"),             // a value with elements
        "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">]>" + envelope(QByteArray(good).replace("ok", "&a;")),
    };
    for (const QByteArray &answer : bad)
        EXPECT_EQ(parseSoapAnswer(answer, kNs, "SendMessage").kind, SoapAnswer::Malformed) << answer.left(200).data();

    QByteArray many = "<SendMessageResponse xmlns=\"http://tempuri.org/\">";
    for (int i = 0; i <= kMaxAnswerValues; ++i)
        many += "<v" + QByteArray::number(i) + "/>";
    EXPECT_EQ(parseSoapAnswer(envelope(many + "</SendMessageResponse>"), kNs, "SendMessage").kind,
              SoapAnswer::Malformed);
    QByteArray deep = "<soap:Fault><detail>" + QByteArray("<a>").repeated(100) + QByteArray("</a>").repeated(100)
        + "</detail></soap:Fault>";
    EXPECT_EQ(parseSoapAnswer(envelope(deep), kNs, "SendMessage").kind, SoapAnswer::Malformed);
}

// The fuzzer's corpus (and any crash it found), replayed under the sanitizers of the test build.
TEST(SoapAnswer, TheFuzzCorpusIsReadWithoutHarm)
{
    const QString root = QStringLiteral(QAL_SOURCE_DIR "/tests/fuzz/");
    QStringList files;
    const QDir corpus(root + QStringLiteral("corpus/fuzz_soap_answer"));
    for (const QString &name : corpus.entryList(QDir::Files))
        files << corpus.filePath(name);
    const QDir crashes(root + QStringLiteral("crashes"));
    for (const QString &name : crashes.entryList({QStringLiteral("fuzz_soap_answer-*")}, QDir::Files))
        files << crashes.filePath(name);
    ASSERT_FALSE(files.isEmpty());
    int results = 0;
    for (const QString &path : files) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
        const SoapAnswer answer = parseSoapAnswer(file.readAll(), kNs, QStringLiteral("SendMessage"));
        EXPECT_LE(answer.values.size(), kMaxAnswerValues);
        results += answer.kind == SoapAnswer::Result;
    }
    EXPECT_GT(results, 0) << "the seeds include a good answer";
}

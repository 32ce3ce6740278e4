// A 2 MB request sent by the message web service to qal-central-sim, against the curl command
// line posting the same envelope to the same service:
//   bench_soap [RUNS]
// Prints the median time of each and their ratio (the client's time includes reading the file,
// encoding it and writing the envelope).
#include "exchange/soap/CentralServices.h"
#include "exchange/soap/SoapCall.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cstdio>

using namespace qal::soap;

namespace {

qint64 median(QList<qint64> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    QTemporaryDir dir;
    QProcess sim;
    sim.start(QStringLiteral(QAL_BIN_DIR "/qal-central-sim"), {"--port", "0", "--watch-stdin"});
    QByteArray line;
    while (!line.contains('\n') && sim.waitForReadyRead(20000))
        line += sim.readAll();
    if (!line.startsWith("listening on ")) {
        std::fprintf(stderr, "qal-central-sim did not start\n");
        return 1;
    }
    const QString server = QString::fromLatin1(line.mid(13).trimmed());

    const QString file = dir.filePath("pedido.zip");
    {
        QByteArray bytes(2 * 1024 * 1024, Qt::Uninitialized);
        for (auto &b : bytes)
            b = static_cast<char>(QRandomGenerator::global()->bounded(256));
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
    }
    SoapSettings settings;
    settings.server = server;
    settings.messageUrl = server + "/QALService/QALMessageService.asmx";
    settings.ns = "http://tempuri.org/";
    settings.timeoutMs = 60000;

    QList<qint64> ours, theirs;
    QByteArray envelope;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QALMessage msg;
        msg.Pedido = 1;
        msg.Regional = 2;
        msg.Subject = "PEDIDO OFICIAL";
        msg.addFile(file);
        QString result, error;
        if (!CentralServices(settings).SendMessage(msg, result, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
        ours << t.elapsed();
        if (envelope.isEmpty()) {
            SoapRequest request;
            request.operation = "SendMessage";
            request.writeParameters = [&msg](QXmlStreamWriter &xml) { msg.write(xml, "msg"); };
            envelope = soapEnvelope(settings.ns, request);
        }
    }
    const QString envelopeFile = dir.filePath("envelope.xml");
    QFile out(envelopeFile);
    out.open(QIODevice::WriteOnly);
    out.write(envelope);
    out.close();
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        QProcess curl;
        // "Expect:" off: curl would wait a second for a "100 Continue" the server never sends
        curl.start("curl", {"-s", "-f", "-o", "/dev/null", "-H", "Expect:", "-H", "Content-Type: text/xml; charset=utf-8", "-H",
                            "SOAPAction: \"http://tempuri.org/SendMessage\"", "--data-binary", "@" + envelopeFile,
                            settings.messageUrl});
        curl.waitForFinished(60000);
        if (curl.exitCode() != 0) {
            std::fprintf(stderr, "curl failed: %d\n", curl.exitCode());
            return 1;
        }
        theirs << t.elapsed();
    }
    sim.closeWriteChannel();
    sim.waitForFinished(10000);
    const qint64 a = median(ours), b = median(theirs);
    std::printf("2 MB request (%lld bytes of envelope), median of %d runs:\n  client (encode + post + answer): %lld ms\n"
                "  curl (post of the same envelope):  %lld ms\n  ratio: %.2f\n",
                static_cast<long long>(envelope.size()), runs, static_cast<long long>(a), static_cast<long long>(b),
                b > 0 ? double(a) / double(b) : 0.0);
    return 0;
}

// The central office's answers on arbitrary bytes: every operation's response and faults.
#include "exchange/soap/SoapAnswer.h"

#include <cstdint>
#include <cstdlib>

using namespace qal::soap;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    static const QString ns = QStringLiteral("http://tempuri.org/");
    for (const char *op : {"SendMessage", "GetPedidoByTram"}) {
        const SoapAnswer answer = parseSoapAnswer(bytes, ns, QString::fromLatin1(op));
        if (answer.values.size() > kMaxAnswerValues)
            std::abort();
        if (answer.kind != SoapAnswer::Result && !answer.values.isEmpty())
            std::abort();
        if (answer.kind == SoapAnswer::Malformed && answer.problem.isEmpty())
            std::abort();
    }
    return 0;
}

#pragma once
#include <QString>
#include <QStringList>

namespace qal::exchange {

// One outgoing message as the transport selector hands it to the central office's message service.
struct OutgoingMessage
{
    int pedido = 0;            // request number (C_PED); 0 for messages that are not a request
    int regional = 0;          // regional office code
    QString recipients;
    QString subject;
    QString body;
    QStringList attachmentPaths; // files in the program folder, sent under their file names
};

// The message web service, installed by its client at start (absent: the transport is not available).
class WebServiceTransport
{
public:
    virtual ~WebServiceTransport() = default;
    // waitForFinish: true waits for the service's answer and returns false on any failure;
    // false returns once the send has started. Either way the attachments have been read
    // when send returns: the caller deletes some of them at once.
    virtual bool send(const OutgoingMessage &message, bool waitForFinish, QString *error) = 0;
};

} // namespace qal::exchange

#pragma once

#include <QDateTime>
#include <QString>

namespace qal::exchange {

// The header of one mail message. When sending, Priority is 0 (highest) .. 4 (lowest);
// GetHeadMail gives it back plus one (1 .. 5).
struct THeaderMsg
{
    QString MsgId;
    QString From;
    QString To;      // comma-separated addresses
    QString Subject;
    int Priority = 2;
    QString CC;
    QString BCC;
    QString Receipt; // address for a read receipt
};

// One row of the inbox list: the header of one server message.
struct InboxHeaderRow
{
    int Index = 0;
    QString Subject; // "ERROR" when the header could not be read
    QString From;
    QDateTime Date;
    qint64 Bytes = 0;
    QString UIDL;
    QString Recipients;
    QString Cc;
    QString Receipt;
    QString Organization;
    int Priority = 0;
    QString MsgId;
    QString ContentType;
};

// One attachment of a read message: its part index (from 0, among all parts), name and type.
struct AttachmentRow
{
    int index = 0;
    QString filename;
    QString ContentType;
};

} // namespace qal::exchange

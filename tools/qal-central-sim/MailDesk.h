#pragma once

#include "AnswerMessage.h"
#include "MailRequest.h"
#include "MailRules.h"

#include <QList>
#include <QMap>
#include <QPair>

// The central office's mail desk: what it answers to each message of its mailbox (requests,
// corrections, state requests), and the state of every request it got, for the state lists.
class MailDesk
{
public:
    struct Outcome
    {
        QList<AnswerMessage> answers; // in the order they are sent
        QString note;                 // what was done, for the record
    };
    Outcome handle(const MailRequest &request, const MailRules &rules);

private:
    struct Known
    {
        QChar state;
        qint64 expediente = 0;
    };
    using Key = QPair<int, qint64>; // c_reg, c_ped
    Outcome request(const MailRequest &request, const MailRules &rules, bool personal);
    Outcome states(const MailRequest &request, const MailRules &rules);
    QByteArray stateList(const QMap<Key, Known> &known, int reg) const;

    QMap<Key, Known> m_oficiales;
    QMap<Key, Known> m_personales;
};

#pragma once

#include "AnswerMessage.h"
#include "MailRequest.h"
#include "MailRules.h"
#include "StateStore.h"

#include <QList>

// The central office's mail desk: what it answers to each message of its mailbox (requests,
// corrections, state requests). The state it gives each request goes into the office's data,
// which its state lists (and the state pages) answer from.
class MailDesk
{
public:
    explicit MailDesk(StateStore &store) : m_store(store) {}

    struct Outcome
    {
        QList<AnswerMessage> answers; // in the order they are sent
        QString note;                 // what was done, for the record
    };
    Outcome handle(const MailRequest &request, const MailRules &rules);

private:
    Outcome request(const MailRequest &request, const MailRules &rules, bool personal);
    Outcome states(const MailRequest &request, const MailRules &rules);
    QByteArray stateList(bool personal, int reg) const;

    StateStore &m_store;
};

#pragma once

#include "RequestReader.h"
#include "Scenario.h"
#include "Services.h"
#include "StatePages.h"

#include <QHttpServer>
#include <QMutex>
#include <QThreadPool>

// The central office's web services: every request is checked as the real services would
// (method, content type, SOAPAction, envelope, namespace, elements), recorded, and answered
// from the scenario.
class CentralOffice
{
public:
    struct Options
    {
        QString ns = QStringLiteral("http://tempuri.org/");
        QString messagePath = QString::fromUtf16(kDefaultMessagePath);
        QString recordDir;      // requests.log and each request's body, when set
        QString attachmentsDir; // the decoded attachments of SendMessage, when set
    };

    // The office's own data (store) answer the state pages and the slip services.
    CentralOffice(Options options, Scenario scenario, const StateStore &store);
    // Listens on 127.0.0.1; port 0 picks a free one. Returns the port, 0 on failure.
    quint16 listen(quint16 port);

private:
    struct Answer
    {
        int status = 200;
        QByteArray contentType = "text/xml; charset=utf-8";
        QByteArray body;
        int delayMs = 0;
        QString note; // for the record
    };

    Answer handle(const Service &service, const QHttpServerRequest &request);
    Answer answerOperation(const Operation &op, const Element &call);
    bool checkParameters(const Operation &op, const Element &call, QString &problem);
    bool checkMessage(const Element &msg, QString &problem);
    bool checkFingerprint(const Element &call, QString &problem);
    void saveAttachments(const Element &msg);
    void record(int seq, const QHttpServerRequest &request, const QString &operation, const Answer &answer);
    Answer fault(const QString &code, const QString &text, int status = 500) const;
    QByteArray response(const Operation &op, const QString &result, const QString &errorDesc) const;
    QString defaultResult(const Operation &op, const Element &call) const;

    Options m_options;
    Scenario m_scenario;
    QList<Service> m_services;
    const StateStore &m_store;
    StatePages m_pages;
    QHttpServer m_server;
    QThreadPool m_pool;
    int m_sequence = 0;
};

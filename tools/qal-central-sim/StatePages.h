#pragma once

#include "Scenario.h"
#include "StateStore.h"

#include <QByteArray>
#include <QString>

class QHttpServer;
class QHttpServerRequest;

// The central office's web pages that the regional offices read: the state lists of their
// official and personal requests, the results of the personal ones, the state of one file in
// the procedures system, and the monthly report. The answers come from the office's own
// data (StateStore.h).
//
// A page also answers as the scenario says for its name (GetEstReg, GetEstRegp, GetEstResP,
// EstadoVelcor, PlanillaInfMensual): "result" is the page's text as it stands, mode
// "error404" the web server's "Error 404" page (HTTP 200), "html" an HTTP 500 page,
// "oversized" 8 MiB of state lines, "delayMs" a slow answer. Every page is served at the
// server's root and one folder below it ("/qalcentral/GetEstReg.asp").
class StatePages
{
public:
    StatePages(const StateStore &store, QString recordDir, const Scenario &scenario);
    void install(QHttpServer &server);

    struct Page
    {
        int status = 200;
        QByteArray contentType = "text/plain; charset=windows-1252";
        QByteArray body;
        int delayMs = 0;
        QString note;
    };
    // The answer to one request for the named page (for the tests of the simulator itself).
    Page answer(const QString &name, const QHttpServerRequest &request);

private:
    Page fromData(const QString &name, const QHttpServerRequest &request) const;
    void record(const QString &name, const QHttpServerRequest &request, const Page &page);

    const StateStore &m_store;
    QString m_recordDir;
    const Scenario &m_scenario;
};

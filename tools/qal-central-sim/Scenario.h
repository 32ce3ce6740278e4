#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

// How the central office answers one operation.
struct Behaviour
{
    enum Mode {
        Normal,    // the result below
        Fault,     // a SOAP fault with HTTP 500
        Garbage,   // an envelope cut off in the middle, HTTP 200
        Oversized, // a well-formed answer of 8 MiB
        Html,      // an HTTP 500 error page that is not SOAP
        Error404,  // the web server's "Error 404" page, HTTP 200 (the state pages)
    };
    Mode mode = Normal;
    QString result;       // the answer's value; empty: the operation's default
    bool resultSet = false;
    QString errorDesc;    // GetPedidoByTram's second value
    QString fault = QStringLiteral("Error interno del servidor central");
    int delayMs = 0;
};

// The answers of every operation: defaults, then a scenario file (JSON, read afresh for every
// request so that a test can change it between calls), then the command line's settings.
//
// {"SendMessage": {"mode": "fault", "fault": "texto", "delayMs": 200},
//  "GetPedidoByTram": {"result": "c_pedido=1|...", "errorDesc": ""}}
class Scenario
{
public:
    void setFile(const QString &path) { m_file = path; }
    // "OP.key=value" with key mode, result, fault, errorDesc or delayMs; false when malformed.
    bool addSetting(const QString &setting, QString &problem);
    Behaviour behaviour(const QString &operation) const;

private:
    QString m_file;
    QMap<QString, QMap<QString, QString>> m_settings; // operation -> key -> value
};

bool applySetting(Behaviour &b, const QString &key, const QString &value, QString &problem);

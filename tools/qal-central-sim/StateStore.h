#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <functional>

// The central office's own data: the requests it holds with their states, file numbers,
// results and procedure states, and the bank slips it knows. The state pages, the slip
// services and the mail desk all answer from it, and the mail desk records in it what it
// answered. With a file (--states) the data live there, in this form:
//
//   {"oficiales":  [{"regional": 3, "pedido": 123, "estado": "C", "expediente": 456,
//                    "velcor": "EN TRAMITE", "oficina": "MESA DE ENTRADAS"}],
//    "personales": [{"regional": 5, "pedido": 7, "estado": "C", "expediente": 88,
//                    "resultado": "A", "fecha": "15/11/2026"}],
//    "boletas":    [{"boleta": "03123456789", "documento": 20123456, "pedido": 4711,
//                    "datos": {"c_sexo": "F", "x_ape1": "PEREZ", ...}}]}
//
// The file is read afresh for every question, so that it can be edited while the office
// runs, and rewritten whole (a new file renamed over the old one) after every change, so
// that a restarted office knows what it answered. A file that does not parse is never
// overwritten. Without "boletas" every slip is known (see CentralOffice). Safe to use from
// the web server's threads and the mail thread at once.
class StateStore
{
public:
    explicit StateStore(QString file = {});

    // The data as they stand now.
    QJsonObject data() const;

    // The state-list lines of an office ("pedido;estado|expediente", with ",resultado" when
    // withResult and the request has one), or the one line "NO_HAY_PEDIDOS".
    QStringList stateLines(bool personal, qint64 regional, bool withResult) const;

    // Records the answer given to a request: its state, file number and (personal requests,
    // when not empty) its result, with today's date. False, with the reason in problem, when
    // the file could not be written; the answer is then kept in memory only.
    bool answered(bool personal, qint64 regional, qint64 pedido, QChar estado, qint64 expediente,
                  const QString &resultado, QString &problem);

    // The slips: the entry of a slip code and document, or of a procedure number. "listed"
    // is false when the data have no "boletas" at all: every slip is then known to the
    // caller's defaults.
    struct Slip
    {
        bool listed = false; // the data have a "boletas" list
        bool found = false;
        QJsonObject entry;
    };
    Slip slipByCode(const QString &boleta, qint64 documento) const;
    Slip slipByRequest(qint64 pedido) const;

private:
    QJsonObject loadLocked() const;
    bool saveLocked(const QJsonObject &data, QString &problem);
    Slip findSlip(const std::function<bool(const QJsonObject &)> &match) const;

    QString m_file;
    mutable QMutex m_mutex;
    mutable QJsonObject m_data; // the last data read or written
    mutable bool m_fileBroken = false;
};

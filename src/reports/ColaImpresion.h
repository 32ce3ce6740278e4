#pragma once

#include "Impresora.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>

#include <functional>
#include <memory>

namespace qal::reports {

class Report;

// Documents printed without an operator waiting for them (answers printed as they
// arrive). enqueue() returns at once: the pages are drawn and spooled on a worker thread,
// one document after the other in the order they came, so reading the mailbox never waits
// for a printer. Failures come back on the thread that owns the queue through failed().
//
// The report must be filled before it is queued (its data are read from the tables on the
// caller's thread); the queue owns it from then on.
class ColaImpresion : public QObject
{
    Q_OBJECT

public:
    // How a document reaches paper; the default prints to the default printer. Tests and
    // "--pdf" runs install a sink that writes files. Called on the worker thread.
    using Sink = std::function<bool(const Report &, QString *error)>;

    explicit ColaImpresion(QObject *parent = nullptr);
    ~ColaImpresion() override; // waits for the documents still queued

    static ColaImpresion &instance(); // the program's queue

    void setSink(Sink sink);
    // Returns the document's number in the queue's signals.
    int enqueue(std::unique_ptr<Report> report);
    // Blocks until every queued document is done; true when none is left within msecs.
    bool waitForDone(int msecs = -1);
    int pending() const;

signals:
    void printed(int job, const QString &title);
    void failed(int job, const QString &title, const QString &error);

private:
    QThreadPool m_pool;
    Sink m_sink;
    std::shared_ptr<std::atomic<int>> m_pending;
    int m_lastJob = 0;
};

// Queues a document on the program's queue; a document that fails is reported to the
// operator (Dialogs) when it fails. Returns the job number, 0 for no document.
int EncolarImpresion(std::unique_ptr<Report> report);

} // namespace qal::reports

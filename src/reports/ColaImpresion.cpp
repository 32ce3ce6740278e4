#include "ColaImpresion.h"

#include "Report.h"

#include "core/Dialogs.h"

#include <QMetaObject>
#include <QPointer>

namespace qal::reports {

ColaImpresion::ColaImpresion(QObject *parent)
    : QObject(parent), m_sink([](const Report &r, QString *error) { return Imprimir(r, {}, error); }),
      m_pending(std::make_shared<std::atomic<int>>(0))
{
    // one worker: documents leave in the order they came and never interleave at a printer
    m_pool.setMaxThreadCount(1);
    m_pool.setExpiryTimeout(-1);
}

ColaImpresion::~ColaImpresion()
{
    m_pool.waitForDone();
}

ColaImpresion &ColaImpresion::instance()
{
    static ColaImpresion queue;
    return queue;
}

void ColaImpresion::setSink(Sink sink)
{
    m_sink = std::move(sink);
}

int ColaImpresion::enqueue(std::unique_ptr<Report> report)
{
    if (!report)
        return 0;
    const int id = ++m_lastJob;
    ++*m_pending;
    std::shared_ptr<Report> job(std::move(report));
    QPointer<ColaImpresion> self(this);
    const Sink sink = m_sink;
    std::shared_ptr<std::atomic<int>> pending = m_pending;
    m_pool.start([id, job, sink, self, pending] {
        QString error;
        const bool ok = sink(*job, &error);
        const QString title = job->title();
        --*pending;
        if (!self)
            return;
        QMetaObject::invokeMethod(
            self.data(),
            [self, id, ok, title, error] {
                if (!self)
                    return;
                if (ok)
                    emit self->printed(id, title);
                else
                    emit self->failed(id, title, error);
            },
            Qt::QueuedConnection);
    });
    return id;
}

bool ColaImpresion::waitForDone(int msecs)
{
    return m_pool.waitForDone(msecs);
}

int ColaImpresion::pending() const
{
    return m_pending->load();
}

int EncolarImpresion(std::unique_ptr<Report> report)
{
    ColaImpresion &queue = ColaImpresion::instance();
    static const bool reported = [&queue] {
        QObject::connect(&queue, &ColaImpresion::failed, &queue, [](int, const QString &title, const QString &error) {
            Dialogs::error(QStringLiteral("No se pudo imprimir \"%1\".\r%2").arg(title, error));
        });
        return true;
    }();
    Q_UNUSED(reported);
    return queue.enqueue(std::move(report));
}

} // namespace qal::reports

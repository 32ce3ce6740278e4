#include "ChunkWriter.h"

#include "File.h"

namespace qal::dbase {

ChunkWriter::ChunkWriter(File &file)
    : m_file(file)
    , m_thread([this] { run(); })
{
}

ChunkWriter::~ChunkWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_waiting.clear();
    }
    m_changed.notify_all();
    m_thread.join();
}

void ChunkWriter::write(std::int64_t offset, const QByteArray &bytes)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_error || m_waiting.size() < kMostWaiting; });
    rethrow();
    m_waiting.push_back({offset, bytes});
    lock.unlock();
    m_changed.notify_all();
}

void ChunkWriter::finish()
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_error || (m_waiting.empty() && !m_writing); });
    rethrow();
}

void ChunkWriter::rethrow()
{
    if (m_error)
        std::rethrow_exception(m_error);
}

void ChunkWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stop || !m_waiting.empty(); });
        if (m_stop)
            return;
        Piece piece = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_writing = true;
        lock.unlock();
        m_changed.notify_all(); // room for the next piece
        std::exception_ptr error;
        try {
            m_file.writeDirect(piece.offset, piece.bytes.constData(), piece.bytes.size());
        } catch (...) {
            error = std::current_exception();
        }
        piece.bytes = QByteArray(); // the caller's buffer is its own again before anyone waits on it
        lock.lock();
        m_writing = false;
        if (error && !m_error)
            m_error = error;
        if (m_error)
            m_waiting.clear();
        m_changed.notify_all();
    }
}

} // namespace qal::dbase

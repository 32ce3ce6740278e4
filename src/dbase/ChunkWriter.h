#pragma once

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace qal::dbase {

class File;

// Writes large pieces of a new file on a thread of its own, in the order they are handed
// over, while the caller prepares the next ones: a rewrite of a large table spends about as
// long copying its records into the system's file cache as reading and converting them, and
// the two go side by side on two cores. At most two pieces wait, so memory stays bounded.
// A piece is kept by value: the caller may go on with its own buffer (Qt copies it on write).
class ChunkWriter
{
public:
    explicit ChunkWriter(File &file);
    // Waits for the thread; pieces not written yet are dropped (the caller is giving up).
    ~ChunkWriter();
    ChunkWriter(const ChunkWriter &) = delete;
    ChunkWriter &operator=(const ChunkWriter &) = delete;

    // Hands over bytes to write at offset. Throws the error of an earlier write.
    void write(std::int64_t offset, const QByteArray &bytes);
    // Returns when every piece is written; throws the first write's error.
    void finish();

private:
    struct Piece
    {
        std::int64_t offset;
        QByteArray bytes;
    };
    void run();
    void rethrow();

    static constexpr std::size_t kMostWaiting = 2;
    File &m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Piece> m_waiting;
    bool m_writing = false; // a piece is out of the queue and being written
    bool m_stop = false;
    std::exception_ptr m_error;
    std::thread m_thread;
};

} // namespace qal::dbase

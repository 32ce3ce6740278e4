#include "ReadRing.h"

#include <liburing.h>

#include <cerrno>

namespace qal::dbase {

struct ReadRing::Ring
{
    io_uring ring {};
};

std::unique_ptr<ReadRing> ReadRing::create()
{
    auto ring = std::make_unique<Ring>();
    if (io_uring_queue_init(unsigned(kCapacity), &ring->ring, 0) < 0)
        return nullptr;
    return std::unique_ptr<ReadRing>(new ReadRing(std::move(ring)));
}

ReadRing::ReadRing(std::unique_ptr<Ring> ring) : m_ring(std::move(ring)) {}

ReadRing::~ReadRing()
{
    if (started()) {
        bool whole[kCapacity];
        finish(whole);
    }
    io_uring_queue_exit(&m_ring->ring);
}

bool ReadRing::submit(int fd, std::span<const ReadPiece> pieces, bool background)
{
    io_uring &ring = m_ring->ring;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        io_uring_sqe *sqe = io_uring_get_sqe(&ring);
        if (!sqe) // the ring is drained after every batch: a full queue means it is broken
            return false;
        io_uring_prep_read(sqe, fd, pieces[i].data, unsigned(pieces[i].size), std::uint64_t(pieces[i].offset));
        io_uring_sqe_set_data64(sqe, i);
        if (background)
            io_uring_sqe_set_flags(sqe, IOSQE_ASYNC);
    }
    int submitted = io_uring_submit(&ring);
    while (submitted == -EINTR)
        submitted = io_uring_submit(&ring);
    m_startedSubmitted = std::max(submitted, 0);
    return true;
}

// Waits for every read submitted: none may still write into a buffer given back.
bool ReadRing::reap(std::span<const std::int64_t> sizes, bool *whole)
{
    io_uring &ring = m_ring->ring;
    bool unsupported = false;
    for (int left = m_startedSubmitted; left > 0;) {
        io_uring_cqe *cqe = nullptr;
        const int r = io_uring_wait_cqe(&ring, &cqe);
        if (r == -EINTR)
            continue;
        if (r < 0)
            return false;
        const std::uint64_t i = io_uring_cqe_get_data64(cqe);
        if (i < sizes.size())
            whole[i] = cqe->res >= 0 && std::int64_t(cqe->res) == sizes[i];
        // a kernel whose rings do not know plain reads (before 5.6)
        unsupported = unsupported || cqe->res == -EINVAL || cqe->res == -EOPNOTSUPP;
        io_uring_cqe_seen(&ring, cqe);
        --left;
    }
    const bool allSubmitted = m_startedSubmitted == int(sizes.size());
    m_startedSubmitted = 0;
    return allSubmitted && !unsupported;
}

bool ReadRing::read(int fd, std::span<const ReadPiece> pieces, bool *whole)
{
    if (started()) {
        bool ignored[kCapacity];
        if (!finish(ignored))
            return false;
    }
    const std::size_t n = std::min(pieces.size(), kCapacity);
    std::int64_t sizes[kCapacity];
    for (std::size_t i = 0; i < n; ++i) {
        whole[i] = false;
        sizes[i] = pieces[i].size;
    }
    const bool queued = submit(fd, pieces.first(n), false);
    const bool reaped = reap(std::span<const std::int64_t>(sizes, n), whole);
    return queued && reaped;
}

bool ReadRing::start(int fd, std::span<const ReadPiece> pieces)
{
    if (started() || pieces.empty())
        return false;
    const std::size_t n = std::min(pieces.size(), kCapacity);
    for (std::size_t i = 0; i < n; ++i)
        m_startedSizes[i] = pieces[i].size;
    m_startedCount = n;
    if (submit(fd, pieces.first(n), true))
        return true;
    bool ignored[kCapacity];
    finish(ignored);
    return false;
}

bool ReadRing::finish(bool *whole)
{
    const std::size_t n = m_startedCount;
    for (std::size_t i = 0; i < n; ++i)
        whole[i] = false;
    m_startedCount = 0;
    return reap(std::span<const std::int64_t>(m_startedSizes, n), whole);
}

} // namespace qal::dbase

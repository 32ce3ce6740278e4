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
    io_uring_queue_exit(&m_ring->ring);
}

bool ReadRing::read(int fd, std::span<const ReadPiece> pieces, bool *whole)
{
    io_uring &ring = m_ring->ring;
    const std::size_t n = std::min(pieces.size(), kCapacity);
    for (std::size_t i = 0; i < n; ++i) {
        whole[i] = false;
        io_uring_sqe *sqe = io_uring_get_sqe(&ring);
        if (!sqe) // the ring is drained after every batch: a full queue means it is broken
            return false;
        io_uring_prep_read(sqe, fd, pieces[i].data, unsigned(pieces[i].size), std::uint64_t(pieces[i].offset));
        io_uring_sqe_set_data64(sqe, i);
    }
    int submitted = io_uring_submit(&ring);
    while (submitted == -EINTR)
        submitted = io_uring_submit(&ring);
    // Every read that started must end before its buffer goes back to the caller.
    bool unsupported = false;
    for (int left = std::max(submitted, 0); left > 0;) {
        io_uring_cqe *cqe = nullptr;
        const int r = io_uring_wait_cqe(&ring, &cqe);
        if (r == -EINTR)
            continue;
        if (r < 0)
            return false;
        const std::uint64_t i = io_uring_cqe_get_data64(cqe);
        if (i < n)
            whole[i] = cqe->res >= 0 && std::int64_t(cqe->res) == pieces[i].size;
        // a kernel whose rings do not know plain reads (before 5.6)
        unsupported = unsupported || cqe->res == -EINVAL || cqe->res == -EOPNOTSUPP;
        io_uring_cqe_seen(&ring, cqe);
        --left;
    }
    return submitted == int(n) && !unsupported;
}

} // namespace qal::dbase

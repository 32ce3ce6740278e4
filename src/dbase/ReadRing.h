#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace qal::dbase {

// One piece of a scattered read: size bytes of a file at offset, into data.
struct ReadPiece
{
    std::int64_t offset = 0;
    char *data = nullptr;
    std::int64_t size = 0;
};

// A small io_uring of the file's own, to read many scattered pieces with one system call.
// A walk in index order reads records from all over a table, and on a virtual machine a
// system call per record costs more than everything else the walk does. Where the kernel
// or a sandbox refuses io_uring, create() gives null and the pieces are read one by one.
class ReadRing
{
public:
    static constexpr std::size_t kCapacity = 64;

    static std::unique_ptr<ReadRing> create();
    ~ReadRing();
    ReadRing(const ReadRing &) = delete;
    ReadRing &operator=(const ReadRing &) = delete;

    // Reads at most kCapacity pieces of fd, setting whole[i] for each piece read completely;
    // the others (an error, the end of the file) are for the caller to read plainly, which
    // reports them as such. False when the ring broke and must not be used again; every
    // read it started has ended by then.
    bool read(int fd, std::span<const ReadPiece> pieces, bool *whole);

private:
    struct Ring;
    explicit ReadRing(std::unique_ptr<Ring> ring);
    std::unique_ptr<Ring> m_ring;
};

} // namespace qal::dbase

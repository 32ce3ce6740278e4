#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace qal::dbase {

// An allocator for the large arrays an index build keeps for a moment (the keys of a hundred
// thousand records, their order): from 256 KB on, memory of its own mapping, asked for in 2 MB
// pages where the system has them. Memory is handed out a 4 KB page at a time otherwise, and
// each first touch of a page is a fault that costs far more than filling the page, on a
// virtual machine most of all. Elements are default-initialised, so that growing an array of
// bytes does not write every byte twice.
template<typename T>
class LargeAllocator
{
public:
    using value_type = T;

    LargeAllocator() = default;
    template<typename U>
    LargeAllocator(const LargeAllocator<U> &) noexcept
    {
    }

    T *allocate(std::size_t n)
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLarge)
            return std::allocator<T>().allocate(n);
        void *p = ::mmap(nullptr, mappedSize(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(p, mappedSize(bytes), MADV_HUGEPAGE); // a hint: without it, plain pages
        return static_cast<T *>(p);
    }

    void deallocate(T *p, std::size_t n) noexcept
    {
        const std::size_t bytes = n * sizeof(T);
        if (bytes < kLarge)
            std::allocator<T>().deallocate(p, n);
        else
            ::munmap(p, mappedSize(bytes));
    }

    template<typename U>
    void construct(U *p) noexcept
    {
        ::new (static_cast<void *>(p)) U;
    }
    template<typename U, typename... Args>
    void construct(U *p, Args &&...args)
    {
        ::new (static_cast<void *>(p)) U(std::forward<Args>(args)...);
    }

    template<typename U>
    bool operator==(const LargeAllocator<U> &) const noexcept
    {
        return true;
    }

private:
    static constexpr std::size_t kLarge = std::size_t(256) << 10;
    static constexpr std::size_t kHugePage = std::size_t(2) << 20;
    static std::size_t mappedSize(std::size_t bytes) { return (bytes + kHugePage - 1) / kHugePage * kHugePage; }
};

template<typename T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

} // namespace qal::dbase

// Memory for the large texts and tables built when a long log is read, asked of the system in large
// pages (2 MB) where it has them. Page by page, the memory of a 65 MB log and of its index costs tens of
// thousands of page faults, and its tables miss the address cache at every step; on a virtual machine
// that took longer than all the rest of reading the log. A system without large pages ignores the
// advice, and nothing else changes.
#pragma once

#include <cstddef>
#include <memory_resource>

namespace muv {

// Advises large pages for the whole large pages within [data, data + bytes).
void AdviseLargePages(void* data, size_t bytes);

// Makes room for `count` elements in a string or vector, in large pages when they fill some.
template <typename Container>
void ReserveInLargePages(Container& container, size_t count) {
    container.reserve(count);
    AdviseLargePages(container.data(), container.capacity() * sizeof(*container.data()));
}

// Blocks of memory from the heap, the large ones in large pages: the source of a
// std::pmr::monotonic_buffer_resource whose blocks grow with what it holds.
std::pmr::memory_resource* LargePageBlocks();

}  // namespace muv

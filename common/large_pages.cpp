#include "common/large_pages.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>

namespace muv {

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

class LargePageResource final : public std::pmr::memory_resource {
    // A block of a large page or more starts on one, so that all of it can be in them.
    static size_t Alignment(size_t bytes, size_t alignment) {
        return bytes >= kLargePage && alignment < kLargePage ? kLargePage : alignment;
    }
    void* do_allocate(size_t bytes, size_t alignment) override {
        alignment = Alignment(bytes, alignment);
        void* block = ::operator new (bytes, std::align_val_t{alignment});
        AdviseLargePages(block, bytes);
        return block;
    }
    void do_deallocate(void* block, size_t bytes, size_t alignment) override {
        // The unsized form: not every compiler declares the sized one by default.
        ::operator delete (block, std::align_val_t{Alignment(bytes, alignment)});
    }
    bool do_is_equal(const std::pmr::memory_resource& other) const noexcept override {
        return this == &other;
    }
};

}  // namespace

void AdviseLargePages(void* data, size_t bytes) {
#ifdef MADV_HUGEPAGE
    const auto start = reinterpret_cast<uintptr_t>(data);
    const uintptr_t begin = (start + kLargePage - 1) & ~uintptr_t{kLargePage - 1};
    const uintptr_t end = (start + bytes) & ~uintptr_t{kLargePage - 1};
    if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)bytes;
#endif
}

std::pmr::memory_resource* LargePageBlocks() {
    static LargePageResource blocks;
    return &blocks;
}

}  // namespace muv

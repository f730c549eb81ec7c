// Replaces every form of the global operator new and delete with malloc and
// free behind a request counter.
#include "hardening/failing_new.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

bool counting = false;
std::size_t requests = 0;
std::size_t failing = 0;
bool has_fired = false;

// True when this request is the one chosen to fail.
bool refuse() {
    if (!counting) return false;
    ++requests;
    if (requests != failing) return false;
    has_fired = true;
    return true;
}

void* allocate(std::size_t size, bool nothrow) {
    void* block = refuse() ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (block == nullptr && !nothrow) throw std::bad_alloc();
    return block;
}

// Aligned blocks: malloc with room for the alignment and, just before the
// aligned address, the address that malloc gave.
void* allocate_aligned(std::size_t size, std::align_val_t alignment, bool nothrow) {
    const std::size_t align = static_cast<std::size_t>(alignment);
    void* raw = refuse() ? nullptr : std::malloc(size + align + sizeof(void*));
    if (raw == nullptr) {
        if (nothrow) return nullptr;
        throw std::bad_alloc();
    }
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    void* aligned = reinterpret_cast<void*>((start + align - 1) / align * align);
    static_cast<void**>(aligned)[-1] = raw;
    return aligned;
}

void release_aligned(void* block) {
    if (block != nullptr) std::free(static_cast<void**>(block)[-1]);
}

}  // namespace

namespace failing_new {

void fail_request(std::size_t n) {
    requests = 0;
    failing = n;
    has_fired = false;
    counting = true;
}

std::size_t stop() {
    counting = false;
    return requests;
}

bool fired() {
    return has_fired;
}

}  // namespace failing_new

void* operator new(std::size_t size) {
    return allocate(size, false);
}
void* operator new[](std::size_t size) {
    return allocate(size, false);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, true);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size, true);
}
void* operator new(std::size_t size, std::align_val_t alignment) {
    return allocate_aligned(size, alignment, false);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
    return allocate_aligned(size, alignment, false);
}
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate_aligned(size, alignment, true);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return allocate_aligned(size, alignment, true);
}

void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete(void* block, std::align_val_t) noexcept {
    release_aligned(block);
}
void operator delete[](void* block, std::align_val_t) noexcept {
    release_aligned(block);
}
void operator delete(void* block, std::size_t, std::align_val_t) noexcept {
    release_aligned(block);
}
void operator delete[](void* block, std::size_t, std::align_val_t) noexcept {
    release_aligned(block);
}
void operator delete(void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release_aligned(block);
}
void operator delete[](void* block, std::align_val_t, const std::nothrow_t&) noexcept {
    release_aligned(block);
}

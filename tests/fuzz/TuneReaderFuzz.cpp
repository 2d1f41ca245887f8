// Feeds arbitrary bytes to the tune reader. Besides a crash, a sanitizer
// report or a hang, it stops on a broken promise: a rewritten file that does
// not read cleanly itself, or holds nothing to play, or more memory held at
// once while reading than 8 times the file's size.

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>

#include "platform/TuneReader.h"

namespace {

// The bytes allocated through new and not yet deleted, and the most of them
// since the count was last reset. (Under the address sanitizer the usable
// size of a block is exactly the size asked for.)
std::atomic<std::size_t> g_held{0};
std::atomic<std::size_t> g_most{0};

void* TryAllocate(std::size_t size) noexcept {
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) return nullptr;
    const std::size_t held = g_held += malloc_usable_size(block);
    std::size_t most = g_most;
    while (held > most && !g_most.compare_exchange_weak(most, held)) {
    }
    return block;
}

void* Allocate(std::size_t size) {
    void* block = TryAllocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void Free(void* block) noexcept {
    if (block == nullptr) return;
    g_held -= malloc_usable_size(block);
    std::free(block);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return TryAllocate(size); }
void operator delete(void* block) noexcept { Free(block); }
void operator delete[](void* block) noexcept { Free(block); }
void operator delete(void* block, std::size_t) noexcept { Free(block); }
void operator delete[](void* block, std::size_t) noexcept { Free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { Free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { Free(block); }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const std::size_t before = g_held;
    g_most = before;
    const TuneFile tune = ReadTune(file);
    if (g_most - before > 8 * size) std::abort();

    const std::span<const std::uint8_t> playable = tune.Playable(file);
    switch (tune.kind) {
        case TuneKind::NotATune:
        case TuneKind::Silent:
            if (!playable.empty()) std::abort();
            break;
        case TuneKind::Clean:
            if (playable.data() != data || !MarksTune(file.first(std::min(size, kTuneMarkBytes)))) {
                std::abort();
            }
            break;
        case TuneKind::Repaired:
            if (ReadTune(playable).kind != TuneKind::Clean) std::abort();
            break;
    }
    return 0;
}

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/qt/UnsharedPixels.h"

namespace {

long MinorFaults() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

// The faults taken by writing every byte of `storage` once a child process
// has been forked and has exited.
long FaultsOfAWriteAfterAFork(PixelStorage& storage, std::size_t size) {
    std::memset(storage.Data(), 0x11, size);
    const pid_t child = fork();
    if (child == 0) _exit(0);
    int status = 0;
    waitpid(child, &status, 0);
    const long before = MinorFaults();
    std::memset(storage.Data(), 0x22, size);
    return MinorFaults() - before;
}

TEST(UnsharedPixels, AForkLeavesThePictureWritableWithoutFaults) {
    const PixelLayout layout{1024, 1024, 3072, false};  // 3 MiB: 768 pages
    UnsharedPixels unshared;
    auto storage = unshared.Allocate(layout);
    ASSERT_NE(storage, nullptr);
    EXPECT_LT(FaultsOfAWriteAfterAFork(*storage, layout.Size()), 50);
    EXPECT_EQ(storage->Data()[layout.Size() - 1], 0x22);

    // Heap storage, for comparison, takes a fault on every page.
    auto heap = HeapPixels().Allocate(layout);
    ASSERT_NE(heap, nullptr);
    EXPECT_GT(FaultsOfAWriteAfterAFork(*heap, layout.Size()), 700);
}

TEST(UnsharedPixels, EmptyAndRefusedLayouts) {
    UnsharedPixels unshared;
    EXPECT_NE(unshared.Allocate(PixelLayout{0, 5, 0, false}), nullptr);
    // More than the address space can hold is refused, not a crash.
    EXPECT_EQ(unshared.Allocate(PixelLayout{1 << 30, 4, std::size_t{1} << 60, false}), nullptr);
}

}  // namespace

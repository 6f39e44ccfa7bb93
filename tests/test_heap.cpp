// keepFreedMemory(): with it, the large blocks a frame allocates and frees
// come from the heap and stay there for the next frame; with glibc's
// defaults they go back to the kernel at free. Each case runs heap-probe
// (heap_probe.cpp), a fresh process, so no setting or history carries over.
#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int KIB = 1024;
constexpr int MIB = 1024 * KIB;

// heap-probe's exit statuses.
constexpr int KEPT = 10;
constexpr int OWN_MAPPING = 11;
constexpr int HEAP_TRIMMED = 12;

// Sizes of the buffers a frame goes through: a few hundred kilobytes for
// the shapes' vertex arrays, megabytes for a large window's colour and
// depth buffers (1280 by 1024 by 4 bytes is 5 MiB).
constexpr int BLOCK_SIZES[] = {256 * KIB, 1 * MIB, 5 * MIB, 12 * MIB};

int probe(int size, const char* settings)
{
    const std::string bytes = std::to_string(size);
    const pid_t pid = fork();
    if (pid == 0) {
        execl(ML_HEAP_PROBE_PATH, "heap-probe", bytes.c_str(), settings,
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class HeapRoundTrip : public testing::TestWithParam<int> {
protected:
    void SetUp() override
    {
#if defined(__SANITIZE_ADDRESS__)
        GTEST_SKIP() << "AddressSanitizer brings its own allocator";
#endif
    }
};

// The probe can tell: with glibc's defaults a block this size is handed
// back to the kernel when freed.
TEST_P(HeapRoundTrip, DefaultsHandTheBlockBackToTheKernel)
{
    const int outcome = probe(GetParam(), "defaults");
    EXPECT_TRUE(outcome == OWN_MAPPING || outcome == HEAP_TRIMMED) << "exit status " << outcome;
}

TEST_P(HeapRoundTrip, KeptMemoryServesTheBlockAndStays)
{
    EXPECT_EQ(probe(GetParam(), "keep"), KEPT);
}

INSTANTIATE_TEST_SUITE_P(FrameBuffers, HeapRoundTrip, testing::ValuesIn(BLOCK_SIZES));

}  // namespace

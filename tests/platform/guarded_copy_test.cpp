// The guarded copy: memory that is there is copied, memory already handed back is refused, also
// where the kernel may not read memory for us.
#include "platform/guarded_copy.h"

#if defined(_WIN32)
#include <windows.h>
#endif
#if defined(__linux__)
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace skymra::test {
namespace {

// Copies, and refuses a page handed back to the system, as PipeWire hands back a camera's
// buffers when it goes.
bool copiesAndRefusesWhatIsGone() {
    const std::vector<std::uint8_t> from = {1, 2, 3, 4, 5};
    std::vector<std::uint8_t> to(5, 0);
    if (!guardedCopy(to.data(), from.data(), from.size()) || to != from) return false;
#if defined(__linux__)
    const long page = sysconf(_SC_PAGESIZE);
    auto* gone = static_cast<std::uint8_t*>(mmap(nullptr, static_cast<std::size_t>(page) * 2,
                                                 PROT_READ | PROT_WRITE,
                                                 MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    if (gone == MAP_FAILED) return false;
    munmap(gone + page, static_cast<std::size_t>(page));
    // Wholly gone, and running from a mapped page into one that is gone.
    if (guardedCopy(to.data(), gone + page, 5) || guardedCopy(to.data(), gone + page - 2, 5))
        return false;
    munmap(gone, static_cast<std::size_t>(page));
#elif defined(_WIN32)
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    const std::size_t page = system.dwPageSize;
    auto* gone = static_cast<std::uint8_t*>(
        VirtualAlloc(nullptr, page * 2, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!gone) return false;
    // Handed back, and made unreadable.
    if (!VirtualFree(gone + page, page, MEM_DECOMMIT)) return false;
    if (guardedCopy(to.data(), gone + page, 5) || guardedCopy(to.data(), gone + page - 2, 5))
        return false;
    DWORD was = 0;
    if (!VirtualProtect(gone, page, PAGE_NOACCESS, &was) || guardedCopy(to.data(), gone, 5))
        return false;
    VirtualFree(gone, 0, MEM_RELEASE);
#endif
    return true;
}

TEST(GuardedCopyTest, CopiesMappedMemoryAndRefusesMemoryThatIsGone) {
    EXPECT_TRUE(copiesAndRefusesWhatIsGone());
}

#if defined(__linux__)
// Forbids process_vm_readv as some sandboxes do (EPERM), then copies; exits 0 when all went right.
[[noreturn]] void copyWhereTheKernelMayNotRead() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_process_vm_readv, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        std::_Exit(2);
    std::uint8_t probe = 0;
    iovec v{&probe, 1};
    if (process_vm_readv(getpid(), &v, 1, &v, 1, 0) != -1 || errno != EPERM) std::_Exit(3);
    std::_Exit(copiesAndRefusesWhatIsGone() ? 0 : 1);
}

TEST(GuardedCopyTest, StillGuardsWhereReadingThroughTheKernelIsForbidden) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(copyWhereTheKernelMayNotRead(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace skymra::test

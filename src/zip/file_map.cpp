#include "zip/file_map.h"

#include <algorithm>
#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The copy in progress on this thread: where it reads, and where to go back
// to when that faults.
struct TGuard {
    sigjmp_buf back;
    const std::uint8_t* from;
    const std::uint8_t* to;
};

thread_local TGuard* tGuard = nullptr;
struct sigaction gPrevious {};

void OnBusError(int signal, siginfo_t* info, void* context) {
    TGuard* guard = tGuard;
    const auto* at = static_cast<const std::uint8_t*>(info->si_addr);
    if (guard != nullptr && at >= guard->from && at < guard->to) siglongjmp(guard->back, 1);
    // Not a fault of a guarded copy: as if this handler were not there.
    if ((gPrevious.sa_flags & SA_SIGINFO) != 0 && gPrevious.sa_sigaction != nullptr) {
        gPrevious.sa_sigaction(signal, info, context);
    } else if (gPrevious.sa_handler != SIG_DFL && gPrevious.sa_handler != SIG_IGN) {
        gPrevious.sa_handler(signal);
    } else {
        // Back to the default action; the faulting access runs again on
        // return and ends the process, as it would have without us.
        struct sigaction fallback {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        ::sigaction(SIGBUS, &fallback, nullptr);
    }
}

void InstallHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        // SA_NODEFER: the jump back leaves SIGBUS unblocked without saving
        // and restoring the signal mask on every copy.
        action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &gPrevious);
    });
}

// Kept out of line so that nothing the jump could skip lives in its frame.
[[gnu::noinline]] bool GuardedCopy(void* to, const std::uint8_t* from, std::size_t count) {
    TGuard guard;
    guard.from = from;
    guard.to = from + count;
    if (sigsetjmp(guard.back, 0) != 0) {
        tGuard = nullptr;
        return false;
    }
    tGuard = &guard;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(to, from, count);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tGuard = nullptr;
    return true;
}

} // namespace

TFileMap::TFileMap(int fd) {
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return;
    const std::int64_t size = st.st_size;
    InstallHandler();
    void* p = ::mmap(nullptr, static_cast<std::size_t>(size), PROT_READ, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return;
    base_ = static_cast<const std::uint8_t*>(p);
    size_ = size;
}

TFileMap::~TFileMap() {
    if (base_ != nullptr)
        ::munmap(const_cast<std::uint8_t*>(base_), static_cast<std::size_t>(size_));
}

void TFileMap::Populate(std::int64_t from, std::int64_t to) const {
#ifdef MADV_POPULATE_READ
    static const std::int64_t page = ::sysconf(_SC_PAGESIZE);
    from = std::max<std::int64_t>(from, 0) / page * page;
    to = std::min(to, size_);
    if (base_ == nullptr || from >= to) return;
    // A hint: where it fails (an older kernel, a file cut short) the pages
    // are mapped as they are touched, or the guarded copy reports them gone.
    ::madvise(const_cast<std::uint8_t*>(base_) + from, static_cast<std::size_t>(to - from),
              MADV_POPULATE_READ);
#else
    (void)from;
    (void)to;
#endif
}

bool TFileMap::Copy(std::int64_t offset, std::size_t count, void* to) const {
    if (base_ == nullptr || offset < 0 || offset > size_ ||
        count > static_cast<std::uint64_t>(size_ - offset))
        return false;
    return count == 0 || GuardedCopy(to, base_ + offset, count);
}

#include "foundation/sandbox.h"

#include <seccomp.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <new>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define VYK_SANITIZED_BUILD 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VYK_SANITIZED_BUILD 1
#endif
#endif

namespace
{

// The statuses a child ends with when its work is done and when an
// allocation fails at its limit; an exit(0) from inside a library is
// neither.
const int kDoneStatus = 112, kOutOfMemoryStatus = 113;

extern "C" void onOutOfMemory()
{
    _exit(kOutOfMemoryStatus);
}

double now()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Address space the process holds now, in bytes (0 when unknown).
uint64_t addressSpace()
{
    unsigned long long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "re")) {
        if (std::fscanf(f, "%llu", &pages) != 1)
            pages = 0;
        std::fclose(f);
    }
    return uint64_t(pages) * uint64_t(sysconf(_SC_PAGESIZE));
}

[[noreturn]] void runChild(const sandbox_limits_t& limits, const std::function<bool(int)>& work, int output)
{
    // The parent's windows, sockets and watches are none of the child's.
    if (output > 3)
        close_range(3, unsigned(output) - 1, 0);
    close_range(unsigned(output) + 1, ~0u, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    // A fault ends the child by its signal, whatever handler the parent had.
    for (int s : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM})
        std::signal(s, SIG_DFL);
    const uint64_t held = addressSpace();
    const rlim_t cap = held + limits.bytes < held ? RLIM_INFINITY : rlim_t(held + limits.bytes);
    const rlimit memory{cap, cap};
    setrlimit(RLIMIT_AS, &memory);
    std::set_new_handler(onOutOfMemory);
    if (!enterSandbox(output))
        _exit(1);
    bool done = false;
    try {
        done = work(output);
    } catch (const std::bad_alloc&) {
        _exit(kOutOfMemoryStatus);
    } catch (...) {
        done = false;
    }
    _exit(done ? kDoneStatus : 1);
}

sandbox_end_t endOf(int status, bool killed)
{
    if (killed)
        return sandbox_end_t::timedOut;
    if (WIFSIGNALED(status))
        // The kernel's out-of-memory killer sends SIGKILL; nothing else here does.
        return WTERMSIG(status) == SIGKILL ? sandbox_end_t::outOfMemory : sandbox_end_t::crashed;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryStatus)
        return sandbox_end_t::outOfMemory;
    if (WIFEXITED(status) && WEXITSTATUS(status) == kDoneStatus)
        return sandbox_end_t::done;
    return sandbox_end_t::noResult;
}

} // namespace

sandbox_limits_t defaultSandboxLimits()
{
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    const uint64_t half = pages > 0 && size > 0 ? uint64_t(pages) * uint64_t(size) / 2 : uint64_t(4) << 30;
    return {60, half};
}

bool enterSandbox(int output)
{
    scmp_filter_ctx ctx = seccomp_init(SCMP_ACT_ERRNO(EPERM));
    if (!ctx)
        return false;
    bool ok = true;
    auto allow = [&](int call) { ok = ok && (call < 0 || seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0) == 0); };
    for (int call : {SCMP_SYS(read),         SCMP_SYS(pread64),      SCMP_SYS(readv),
                     SCMP_SYS(preadv),       SCMP_SYS(lseek),        SCMP_SYS(close),
                     SCMP_SYS(fstat),        SCMP_SYS(newfstatat),   SCMP_SYS(stat),
                     SCMP_SYS(lstat),        SCMP_SYS(statx),        SCMP_SYS(access),
                     SCMP_SYS(faccessat),    SCMP_SYS(faccessat2),   SCMP_SYS(getdents64),
                     SCMP_SYS(getcwd),       SCMP_SYS(readlink),     SCMP_SYS(readlinkat),
                     SCMP_SYS(fcntl),        SCMP_SYS(brk),          SCMP_SYS(mmap),
                     SCMP_SYS(munmap),       SCMP_SYS(mremap),       SCMP_SYS(mprotect),
                     SCMP_SYS(madvise),      SCMP_SYS(futex),        SCMP_SYS(exit),
                     SCMP_SYS(exit_group),   SCMP_SYS(rt_sigreturn), SCMP_SYS(rt_sigprocmask),
                     SCMP_SYS(rt_sigaction), SCMP_SYS(sigaltstack),  SCMP_SYS(restart_syscall),
                     SCMP_SYS(getpid),       SCMP_SYS(gettid),       SCMP_SYS(clock_gettime),
                     SCMP_SYS(gettimeofday), SCMP_SYS(nanosleep),    SCMP_SYS(clock_nanosleep),
                     SCMP_SYS(sched_yield),  SCMP_SYS(getrandom),    SCMP_SYS(uname),
                     SCMP_SYS(prlimit64),    SCMP_SYS(getrlimit),    SCMP_SYS(set_robust_list),
                     SCMP_SYS(rseq)})
        allow(call);
    // Writes reach standard error and the output only; the output may be sized.
    ok = ok &&
         seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(ftruncate), 1, SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(output))) == 0;
    for (int fd : {STDERR_FILENO, output})
        for (int call : {SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(pwrite64)})
            ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1, SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(fd))) == 0;
    // Files open for reading only, and never made.
    const scmp_datum_t writing = O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND;
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(openat), 1, SCMP_A2(SCMP_CMP_MASKED_EQ, writing, 0)) == 0;
    ok = ok && seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(open), 1, SCMP_A1(SCMP_CMP_MASKED_EQ, writing, 0)) == 0;
    // Sanitizer builds only: the sanitizer runtime tests whether memory is
    // readable by writing it into a pipe of its own; without one it reports
    // every checked object as invalid (UBSan's vptr check, shown by the
    // replay of fuzz/regressions/assimp).
#ifdef VYK_SANITIZED_BUILD
    for (int call : {SCMP_SYS(pipe), SCMP_SYS(pipe2), SCMP_SYS(write)})
        seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0);
#endif
    // abort() signals its own process.
    ok = ok &&
         seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1, SCMP_A0(SCMP_CMP_EQ, scmp_datum_t(getpid()))) == 0;
    ok = ok && seccomp_load(ctx) == 0;
    seccomp_release(ctx);
    return ok;
}

sandbox_result_t runSandboxed(const sandbox_limits_t& limits, const std::function<bool(int)>& work, double tick,
                              const std::function<void()>& waiting)
{
    sandbox_result_t result;
    const int output = memfd_create("vykview-sandbox", MFD_CLOEXEC);
    if (output < 0)
        return result;
    const double start = now();
    const pid_t pid = fork();
    if (pid == 0)
        runChild(limits, work, output);
    const int pidfd = pid > 0 ? int(syscall(SYS_pidfd_open, pid, 0)) : -1;
    if (pidfd < 0) {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        close(output);
        return result;
    }
    bool killed = false;
    double nextTick = start + tick;
    for (;;) {
        const double t = now();
        if (t >= start + limits.seconds) {
            killed = true;
            kill(pid, SIGKILL);
            break;
        }
        if (t >= nextTick) {
            if (waiting)
                waiting();
            nextTick += tick;
        }
        const double until = std::fmin(start + limits.seconds, nextTick);
        pollfd p{pidfd, POLLIN, 0};
        const int ready = poll(&p, 1, int(std::ceil((until - t) * 1000)));
        if (ready > 0)
            break;
        if (ready < 0 && errno != EINTR)
            break;
    }
    close(pidfd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.end = endOf(status, killed);
    if (result.end == sandbox_end_t::done)
        result.output = output;
    else
        close(output);
    return result;
}

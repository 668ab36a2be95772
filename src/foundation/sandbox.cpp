#include "foundation/sandbox.h"

#include <seccomp.h>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
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

// Waits until `fd` is readable, or fails, and returns true; false when
// `seconds` from `start` pass first. Calls `waiting` every `tick` seconds.
bool waitReadable(int fd, double start, double seconds, double tick, const std::function<void()>& waiting)
{
    double nextTick = start + tick;
    for (;;) {
        const double t = now();
        if (t >= start + seconds)
            return false;
        if (t >= nextTick) {
            if (waiting)
                waiting();
            nextTick += tick;
        }
        const double until = std::fmin(start + seconds, nextTick);
        pollfd p{fd, POLLIN, 0};
        const int ready = poll(&p, 1, int(std::ceil((until - t) * 1000)));
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return true;
    }
}

// Forks a child that runs `work` on `output` and waits for its end, killing
// it at the wall-clock limit; `waiting` is called every `tick` seconds.
sandbox_end_t forkAndWait(const sandbox_limits_t& limits, const std::function<bool(int)>& work, int output, double tick,
                          const std::function<void()>& waiting)
{
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
        return sandbox_end_t::notStarted;
    }
    const bool killed = !waitReadable(pidfd, start, limits.seconds, tick, waiting);
    if (killed)
        kill(pid, SIGKILL);
    close(pidfd);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return endOf(status, killed);
}

// The zygote's end of the program: its socket and process, one import at a
// time.
struct zygote_t {
    std::mutex lock;
    int socket = -1;
    pid_t pid = -1;
};

zygote_t& zygote()
{
    static zygote_t z;
    return z;
}

// A request to the zygote: this, then the argument's bytes, in one packet;
// the output file travels beside it (SCM_RIGHTS). The answer is the end of
// the child as an int32_t.
struct request_t {
    sandbox_work_t work;
    sandbox_limits_t limits;
};

// The longest argument a request carries (a path is at most 4096 bytes);
// work with a longer one is forked from the caller.
const size_t kMaxArgument = size_t(1) << 16;

// How long past the child's limit the zygote may take to answer before it
// is taken for stuck.
const double kZygoteGrace = 5;

// The zygote's loop: a child for each request, until the program's end of
// the socket closes. Never returns.
[[noreturn]] void serve(int socket)
{
    std::vector<char> packet(sizeof(request_t) + kMaxArgument);
    for (;;) {
        iovec part{packet.data(), packet.size()};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr m{};
        m.msg_iov = &part;
        m.msg_iovlen = 1;
        m.msg_control = control;
        m.msg_controllen = sizeof control;
        const ssize_t n = recvmsg(socket, &m, MSG_CMSG_CLOEXEC);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            _exit(0);
        int output = -1;
        const cmsghdr* c = CMSG_FIRSTHDR(&m);
        if (c && c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS && c->cmsg_len == CMSG_LEN(sizeof(int)))
            std::memcpy(&output, CMSG_DATA(c), sizeof output);
        sandbox_end_t end = sandbox_end_t::notStarted;
        if (output >= 0 && size_t(n) >= sizeof(request_t) && !(m.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
            request_t r;
            std::memcpy(&r, packet.data(), sizeof r);
            const std::string argument(packet.data() + sizeof r, size_t(n) - sizeof r);
            end = forkAndWait(r.limits, [&](int out) { return r.work(out, argument); }, output, HUGE_VAL, {});
        }
        if (output >= 0)
            close(output);
        const int32_t answer = int32_t(end);
        if (send(socket, &answer, sizeof answer, MSG_NOSIGNAL) != ssize_t(sizeof answer))
            _exit(0);
    }
}

void stopZygote(zygote_t& z)
{
    close(z.socket);
    kill(z.pid, SIGKILL);
    while (waitpid(z.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    z.socket = -1;
    z.pid = -1;
}

// Has the zygote run `work` on `output`; sets `gone` when the zygote did
// not answer (ended, killed, or stuck past the limit).
sandbox_end_t askZygote(const zygote_t& z, const sandbox_limits_t& limits, sandbox_work_t work,
                        const std::string& argument, int output, double tick, const std::function<void()>& waiting,
                        bool& gone)
{
    const request_t request{work, limits};
    iovec parts[2] = {{const_cast<request_t*>(&request), sizeof request},
                      {const_cast<char*>(argument.data()), argument.size()}};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr m{};
    m.msg_iov = parts;
    m.msg_iovlen = 2;
    m.msg_control = control;
    m.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&m);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &output, sizeof output);
    gone = true;
    if (sendmsg(z.socket, &m, MSG_NOSIGNAL) != ssize_t(sizeof request + argument.size()))
        return sandbox_end_t::notStarted;
    if (!waitReadable(z.socket, now(), limits.seconds + kZygoteGrace, tick, waiting))
        return sandbox_end_t::timedOut;
    int32_t answer = -1;
    ssize_t n;
    while ((n = recv(z.socket, &answer, sizeof answer, 0)) < 0 && errno == EINTR) {
    }
    if (n != ssize_t(sizeof answer) || answer < 0 || answer > int32_t(sandbox_end_t::notStarted))
        return sandbox_end_t::notStarted;
    gone = false;
    return sandbox_end_t(answer);
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
    allow(SCMP_SYS(getppid));
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
    result.end = forkAndWait(limits, work, output, tick, waiting);
    if (result.end == sandbox_end_t::done)
        result.output = output;
    else
        close(output);
    return result;
}

sandbox_result_t runSandboxed(const sandbox_limits_t& limits, sandbox_work_t work, const std::string& argument,
                              double tick, const std::function<void()>& waiting)
{
    zygote_t& z = zygote();
    std::lock_guard<std::mutex> hold(z.lock);
    if (z.socket >= 0 && argument.size() <= kMaxArgument) {
        sandbox_result_t result;
        const int output = memfd_create("vykview-sandbox", MFD_CLOEXEC);
        if (output < 0)
            return result;
        bool gone = false;
        result.end = askZygote(z, limits, work, argument, output, tick, waiting, gone);
        if (gone)
            stopZygote(z);
        if (!gone || result.end == sandbox_end_t::timedOut) {
            if (result.end == sandbox_end_t::done)
                result.output = output;
            else
                close(output);
            return result;
        }
        // The zygote ended or was killed, and its child with it: the work
        // is done again, from here.
        close(output);
    }
    return runSandboxed(
        limits, [&](int output) { return work(output, argument); }, tick, waiting);
}

bool startSandboxZygote()
{
    zygote_t& z = zygote();
    std::lock_guard<std::mutex> hold(z.lock);
    if (z.socket >= 0)
        return true;
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0)
        return false;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent)
            _exit(0);
        prctl(PR_SET_NAME, "vyk-importer");
        const int socket = fcntl(ends[1], F_DUPFD_CLOEXEC, 3), quiet = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (socket < 0)
            _exit(0);
        if (quiet >= 0) {
            dup2(quiet, STDIN_FILENO);
            dup2(quiet, STDOUT_FILENO);
        }
        close_range(3, unsigned(socket) - 1, 0);
        close_range(unsigned(socket) + 1, ~0u, 0);
        serve(socket);
    }
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return false;
    }
    z.socket = ends[0];
    z.pid = pid;
    // Reaped at the program's end, so that its time and its children's
    // count as this program's (time(1), wait4).
    static bool once = std::atexit([] {
                           zygote_t& z = zygote();
                           if (z.lock.try_lock()) {
                               if (z.socket >= 0)
                                   stopZygote(z);
                               z.lock.unlock();
                           }
                       }) == 0;
    (void)once;
    return true;
}

pid_t sandboxZygote()
{
    zygote_t& z = zygote();
    std::lock_guard<std::mutex> hold(z.lock);
    return z.pid;
}

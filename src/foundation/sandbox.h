// Work on untrusted data in a child process of its own: a crash, a hang or a
// runaway allocation there ends the child, never the caller.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include <sys/types.h>

// What the child may use: wall-clock seconds from the start, and bytes of
// address space beyond what it inherits.
struct sandbox_limits_t {
    double seconds;
    uint64_t bytes;
};

// The limits an import gets unless told otherwise: 60 s and half of the
// machine's memory.
sandbox_limits_t defaultSandboxLimits();

// How the child ended.
enum class sandbox_end_t {
    done,        // the work returned true; the output holds its result
    crashed,     // ended by a signal (a fault, an abort)
    timedOut,    // still running at the wall-clock limit, so killed
    outOfMemory, // an allocation failed at the memory limit
    noResult,    // ended otherwise (the work returned false or exited)
    notStarted,  // no child could be made
};

struct sandbox_result_t {
    sandbox_end_t end = sandbox_end_t::notStarted;
    int output = -1; // with `done`: an anonymous file holding what the child wrote, owned by the caller
};

// Forks a child from this process that closes every descriptor but 0, 1, 2 and `output`, takes
// the limits, enters the filter of enterSandbox and calls work(output); the
// caller waits, calling `waiting` every `tick` seconds while the child runs,
// and kills the child at the wall-clock limit. The child never returns into
// the caller's code: it ends with _exit. `work` must not touch GL or any
// state shared with other processes (descriptors of the parent are closed).
// Prints nothing.
sandbox_result_t runSandboxed(const sandbox_limits_t& limits, const std::function<bool(int output)>& work,
                              double tick = 10, const std::function<void()>& waiting = {});

// Work a child can run when it is forked from the zygote (below): a
// function of this program, which the zygote shares as a fork of it, with
// bytes of its own in place of captured state.
using sandbox_work_t = bool (*)(int output, const std::string& argument);

// As above, with work(output, argument) in the child. When a zygote runs,
// it forks the child, so this process shares no pages with it; when none
// was started, or the zygote has ended or was killed (this import is then
// done again), the child is forked from this process.
sandbox_result_t runSandboxed(const sandbox_limits_t& limits, sandbox_work_t work, const std::string& argument,
                              double tick = 10, const std::function<void()>& waiting = {});

// Starts the zygote: a small process forked from this one, which forks the
// children of runSandboxed on request, over a socket, and ends with this
// process. Call it early in main, before threads, a GL context or large
// allocations: a child forked from a process that holds a GL driver shares
// its pages copy-on-write, and the process then pays a page fault for each
// page it writes after the fork. The zygote keeps standard error and reads
// standard input and output from /dev/null. True when a zygote runs (one
// started before is kept); false when none could be started.
bool startSandboxZygote();

// The zygote's process id, or -1 when none runs.
pid_t sandboxZygote();

// Installs, in the calling process and for good, a seccomp filter that lets
// it read files, map memory, and write only to standard error and to
// `output`: opening a file for writing, sockets, exec, fork and signals to
// other processes fail with EPERM. Returns false when the filter could not
// be installed.
bool enterSandbox(int output);

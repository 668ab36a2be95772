// Work on untrusted data in a child process of its own: a crash, a hang or a
// runaway allocation there ends the child, never the caller.
#pragma once

#include <cstdint>
#include <functional>

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

// Forks a child that closes every descriptor but 0, 1, 2 and `output`, takes
// the limits, enters the filter of enterSandbox and calls work(output); the
// caller waits, calling `waiting` every `tick` seconds while the child runs,
// and kills the child at the wall-clock limit. The child never returns into
// the caller's code: it ends with _exit. `work` must not touch GL or any
// state shared with other processes (descriptors of the parent are closed).
// Prints nothing.
sandbox_result_t runSandboxed(const sandbox_limits_t& limits, const std::function<bool(int output)>& work,
                              double tick = 10, const std::function<void()>& waiting = {});

// Installs, in the calling process and for good, a seccomp filter that lets
// it read files, map memory, and write only to standard error and to
// `output`: opening a file for writing, sockets, exec, fork and signals to
// other processes fail with EPERM. Returns false when the filter could not
// be installed.
bool enterSandbox(int output);

#include "support/run.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace vyktest
{

namespace
{

std::string tempName(const char* what)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vykrun-" + what + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0)
        close(fd);
    return pattern;
}

int decodeStatus(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

} // namespace

void sleepSeconds(double seconds)
{
    timespec t{};
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>((seconds - static_cast<double>(t.tv_sec)) * 1e9);
    nanosleep(&t, nullptr);
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env)
    : outPath_(tempName("out")), errPath_(tempName("err"))
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath_.c_str(), O_WRONLY | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath_.c_str(), O_WRONLY | O_TRUNC, 0600);
    // env(1) sets the extra variables and runs the program.
    std::vector<std::string> all{"/usr/bin/env"};
    all.insert(all.end(), env.begin(), env.end());
    all.insert(all.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (std::string& a : all)
        args.push_back(a.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) {
        done_ = true;
        status_ = 127;
    }
    posix_spawn_file_actions_destroy(&actions);
}

Process::~Process()
{
    if (!done_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

bool Process::running()
{
    int raw = 0;
    if (!done_ && waitpid(pid_, &raw, WNOHANG) == pid_) {
        done_ = true;
        status_ = decodeStatus(raw);
    }
    return !done_;
}

RunResult Process::wait(double timeoutSeconds)
{
    RunResult result;
    for (double waited = 0; running(); waited += 0.01) {
        if (waited >= timeoutSeconds) {
            result.timedOut = true;
            kill(pid_, SIGKILL);
            int raw = 0;
            waitpid(pid_, &raw, 0);
            done_ = true;
            status_ = decodeStatus(raw);
            break;
        }
        sleepSeconds(0.01);
    }
    result.status = status_;
    result.out = readFile(outPath_);
    result.err = readFile(errPath_);
    return result;
}

std::string Process::errSoFar() const
{
    return readFile(errPath_);
}

RunResult run(const std::vector<std::string>& argv, double timeoutSeconds, const std::vector<std::string>& env)
{
    Process process(argv, env);
    return process.wait(timeoutSeconds);
}

} // namespace vyktest

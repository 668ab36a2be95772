#include "support/run.h"

#include "support/temp_dir.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vyktest {

namespace {

std::string tempName(const char* what)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/vykrun-" + what + "-XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd >= 0)
        close(fd);
    return pattern;
}

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> merged;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra)
            if (x.substr(0, x.find('=')) == name)
                replaced = true;
        if (!replaced)
            merged.push_back(entry);
    }
    merged.insert(merged.end(), extra.begin(), extra.end());
    return merged;
}

int decodeStatus(int raw)
{
    if (WIFEXITED(raw))
        return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw))
        return 128 + WTERMSIG(raw);
    return -1;
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

    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const std::vector<std::string> merged = mergedEnvironment(env);
    std::vector<char*> envp;
    for (const std::string& e : merged)
        envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);

    if (posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), envp.data()) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (pid_ < 0) {
        done_ = true;
        status_ = 127;
    }
}

Process::~Process()
{
    if (!done_) {
        kill(pid_, SIGKILL);
        int raw = 0;
        waitpid(pid_, &raw, 0);
    }
    unlink(outPath_.c_str());
    unlink(errPath_.c_str());
}

bool Process::running()
{
    if (done_)
        return false;
    int raw = 0;
    if (waitpid(pid_, &raw, WNOHANG) == pid_) {
        done_ = true;
        status_ = decodeStatus(raw);
        return false;
    }
    return true;
}

void Process::signal(int sig)
{
    if (running())
        kill(pid_, sig);
}

RunResult Process::wait(double timeoutSeconds)
{
    RunResult result;
    const double step = 0.01;
    for (double waited = 0; running(); waited += step) {
        if (waited >= timeoutSeconds) {
            result.timedOut = true;
            kill(pid_, SIGKILL);
            int raw = 0;
            waitpid(pid_, &raw, 0);
            done_ = true;
            status_ = decodeStatus(raw);
            break;
        }
        sleepSeconds(step);
    }
    result.status = status_;
    result.out = readFile(outPath_);
    result.err = readFile(errPath_);
    return result;
}

std::string Process::outSoFar() const
{
    return readFile(outPath_);
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

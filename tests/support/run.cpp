#include "support/run.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace vyktest
{

static int decodeStatus(int raw)
{
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : WIFSIGNALED(raw) ? 128 + WTERMSIG(raw) : -1;
}

void sleepSeconds(double seconds)
{
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& env)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, files_.file("out").c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, files_.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
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
    if (running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void Process::signal(int number)
{
    if (running())
        kill(pid_, number);
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
        if (waited >= timeoutSeconds && !result.timedOut) {
            result.timedOut = true;
            kill(pid_, SIGKILL);
        }
        sleepSeconds(0.01);
    }
    result.status = status_;
    result.out = outSoFar();
    result.err = errSoFar();
    return result;
}

RunResult run(const std::vector<std::string>& argv, double timeoutSeconds, const std::vector<std::string>& env)
{
    return Process(argv, env).wait(timeoutSeconds);
}

} // namespace vyktest

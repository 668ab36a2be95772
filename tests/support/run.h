#pragma once

#include "support/temp_dir.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace vyktest
{

struct RunResult {
    int status = -1;       // exit status, or 128 + signal number when killed
    bool timedOut = false; // the time limit ran out and the process was killed
    std::string out;       // everything written to stdout
    std::string err;       // everything written to stderr
};

// Runs argv[0] (a path) with the rest as arguments and waits for it; output
// goes to temporary files, so a chatty program never blocks. `env` entries
// ("NAME=value") are added to (or replace in) this process's environment.
RunResult run(const std::vector<std::string>& argv, double timeoutSeconds = 120,
              const std::vector<std::string>& env = {});

// A program left running in the background (a viewer window under test).
class Process
{
  public:
    Process(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
    ~Process(); // kills it if it still runs
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool running();                             // not yet exited
    void signal(int number);                    // sends it while running
    RunResult wait(double timeoutSeconds = 30); // kills at the limit
    std::string outSoFar() const { return readFile(files_.file("out")); }
    std::string errSoFar() const { return readFile(files_.file("err")); }

  private:
    TempDir files_; // the output, removed with the object
    pid_t pid_ = -1;
    int status_ = -1;
    bool done_ = false;
};

// Sleeps for the given number of seconds.
void sleepSeconds(double seconds);

} // namespace vyktest

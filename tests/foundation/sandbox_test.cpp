// Work in a sandboxed child: the caller learns how it ended, whatever the
// child did, and the child can read files but not write them, connect or
// run programs.
#include "foundation/sandbox.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// The child's work: writes the id of the process that forked it.
bool writeParent(int out, const std::string&)
{
    const pid_t parent = getppid();
    return write(out, &parent, sizeof parent) == ssize_t(sizeof parent);
}

pid_t forkedBy(const sandbox_result_t& r)
{
    pid_t parent = -1;
    if (r.output >= 0 && pread(r.output, &parent, sizeof parent, 0) != ssize_t(sizeof parent))
        parent = -1;
    close(r.output);
    return parent;
}

} // namespace

// Forked from this process and then from the zygote, which outlives the
// children's ends.
TEST(Sandbox, TheCallerLearnsHowTheChildEnded)
{
    const struct {
        const char* what;
        sandbox_work_t work;
        sandbox_end_t end;
    } cases[] = {
        {"done", [](int, const std::string&) { return true; }, sandbox_end_t::done},
        {"exit(0) inside a library", [](int, const std::string&) -> bool { std::exit(0); }, sandbox_end_t::noResult},
        {"fault", [](int, const std::string&) { return raise(SIGSEGV) == 0; }, sandbox_end_t::crashed},
        {"abort", [](int, const std::string&) -> bool { std::abort(); }, sandbox_end_t::crashed},
        {"hang",
         [](int, const std::string&) -> bool {
             for (;;)
                 sleep(1);
         },
         sandbox_end_t::timedOut},
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's allocator reports and exits instead
        {"runaway allocation", [](int, const std::string&) { return std::vector<char>(size_t(1) << 30).size() > 0; },
         sandbox_end_t::outOfMemory},
#endif
    };
    for (bool fromZygote : {false, true}) {
        ASSERT_TRUE(!fromZygote || startSandboxZygote());
        const pid_t zygote = sandboxZygote();
        int ticks = 0; // the hang is waited on in ticks
        for (const auto& c : cases) {
            const sandbox_result_t r = runSandboxed({0.5, 64 << 20}, c.work, "", 0.2, [&] { ++ticks; });
            EXPECT_EQ(int(r.end), int(c.end)) << c.what << fromZygote;
            EXPECT_EQ(r.output >= 0 && close(r.output) == 0, c.end == sandbox_end_t::done) << c.what << fromZygote;
        }
        EXPECT_GE(ticks, 2);
        EXPECT_EQ(forkedBy(runSandboxed({5, 64 << 20}, writeParent, "")), fromZygote ? zygote : getpid());
    }
}

// A zygote killed between imports or during one: the import is forked from
// this process.
TEST(Sandbox, ImportsOutliveTheZygote)
{
    ASSERT_TRUE(startSandboxZygote());
    kill(sandboxZygote(), SIGKILL);
    EXPECT_EQ(forkedBy(runSandboxed({5, 64 << 20}, writeParent, "")), getpid());
    EXPECT_EQ(sandboxZygote(), -1);
    ASSERT_TRUE(startSandboxZygote());
    std::thread killer([zygote = sandboxZygote()] {
        usleep(200000);
        kill(zygote, SIGKILL);
    });
    const sandbox_work_t slow = [](int out, const std::string& argument) {
        usleep(500000);
        return writeParent(out, argument);
    };
    EXPECT_EQ(forkedBy(runSandboxed({5, 64 << 20}, slow, "")), getpid());
    killer.join();
}

TEST(Sandbox, TheChildReadsButWritesOnlyItsOutput)
{
    vyktest::TempDir dir;
    static std::string readable, made;
    readable = dir.write("in.txt", "bytes");
    made = dir.file("made.txt");
    const sandbox_result_t r = runSandboxed({5, 64 << 20}, [](int out) {
        // One letter a try: 'y' when it works, 'n' when refused with EPERM.
        auto mark = [&](bool works) { return write(out, works ? "y" : errno == EPERM ? "n" : "?", 1) == 1; };
        const int in = open(readable.c_str(), O_RDONLY);
        char b[5];
        return mark(in >= 0 && read(in, b, 5) == 5) && mark(open(made.c_str(), O_WRONLY | O_CREAT, 0644) >= 0) &&
               mark(open(readable.c_str(), O_RDWR) >= 0) && mark(socket(AF_INET, SOCK_STREAM, 0) >= 0) &&
               mark(fork() >= 0) && mark(execl("/bin/true", "true", nullptr) == 0) && mark(kill(1, 0) == 0);
    });
    ASSERT_EQ(int(r.end), int(sandbox_end_t::done));
    char marks[8] = {};
    EXPECT_EQ(pread(r.output, marks, 7, 0), 7);
    close(r.output);
    EXPECT_STREQ(marks, "ynnnnnn");
    EXPECT_EQ(vyktest::readFile(made), "");
}

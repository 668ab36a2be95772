#include "foundation/huge_pages.h"

#include <gnu/libc-version.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{

const char kTunable[] = "glibc.malloc.hugetlb";

// Only the "madvise" mode leaves malloc's memory in small pages.
bool hugePagesOnRequest()
{
    FILE* f = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "re");
    if (!f)
        return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    return read && std::strstr(line, "[madvise]") != nullptr;
}

bool glibcKnowsTunable()
{
    int major = 0, minor = 0;
    return std::sscanf(gnu_get_libc_version(), "%d.%d", &major, &minor) == 2 &&
           (major > 2 || (major == 2 && minor >= 35));
}

} // namespace

void startWithHugePages(char** argv)
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    // The tunable present is what ends the second run here: a set-user-ID
    // start would have it erased, and valgrind would not follow the exec.
    if (argv == nullptr || argv[0] == nullptr || (tunables && std::strstr(tunables, kTunable)))
        return;
    const char* preload = std::getenv("LD_PRELOAD");
    if (getauxval(AT_SECURE) != 0 || (preload && std::strstr(preload, "vgpreload")))
        return;
    if (!glibcKnowsTunable() || !hugePagesOnRequest())
        return;
    const std::string before = tunables ? tunables : "";
    const std::string value = (before.empty() ? "" : before + ":") + kTunable + "=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    std::fflush(nullptr);
    execv("/proc/self/exe", argv);
    // Still here: run on as started.
    if (tunables)
        setenv("GLIBC_TUNABLES", before.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
}

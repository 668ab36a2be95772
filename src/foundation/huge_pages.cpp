#include "foundation/huge_pages.h"

#include <dirent.h>
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
// The free page reporting feature bit of a virtio memory balloon.
constexpr size_t kBalloonReports = 5;

// The first line of a small text file, empty when it cannot be read.
std::string firstLine(const std::string& name)
{
    FILE* f = std::fopen(name.c_str(), "re");
    if (!f)
        return {};
    char line[256] = {};
    const bool read = std::fgets(line, sizeof line, f) != nullptr;
    std::fclose(f);
    return read ? line : "";
}

// A virtio balloon driver that reports free pages hands every large free
// block back to the host, a few seconds after it is freed.
bool freeBlocksGoToHost(const std::string& sys)
{
    const std::string devices = sys + "/bus/virtio/devices";
    DIR* dir = opendir(devices.c_str());
    if (!dir)
        return false;
    bool reports = false;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] == '.')
            continue;
        const std::string device = devices + "/" + e->d_name;
        const std::string features = firstLine(device + "/features");
        reports = reports || (firstLine(device + "/device").rfind("0x0005", 0) == 0 &&
                              features.size() > kBalloonReports && features[kBalloonReports] == '1');
    }
    closedir(dir);
    return reports;
}

bool glibcKnowsTunable()
{
    int major = 0, minor = 0;
    return std::sscanf(gnu_get_libc_version(), "%d.%d", &major, &minor) == 2 &&
           (major > 2 || (major == 2 && minor >= 35));
}

} // namespace

bool hugePagesPay(const char* sys)
{
    const std::string root = sys ? sys : "/sys";
    // Only the "madvise" mode leaves malloc's memory in small pages.
    if (firstLine(root + "/kernel/mm/transparent_hugepage/enabled").find("[madvise]") == std::string::npos)
        return false;
    // Small pages come from the free fragments the guest still has; a huge
    // page needs a whole free block, which the host has taken back unless it
    // was freed just now, and its first touch then faults on the host once
    // for each small page: several times the cost of small pages.
    return !freeBlocksGoToHost(root);
}

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
    if (!glibcKnowsTunable() || !hugePagesPay())
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
